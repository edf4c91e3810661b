#include "favorites/favorites.h"

#include <QLoggingCategory>

#include "core/database.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcFavorites, "talvec.favorites")

namespace talvec {

Result<AddFavoriteResult> AddFavorite(Database& db, const FavoriteEntry& entry) {
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  Statement count = db.Query("SELECT count(*) FROM Favorites WHERE MC = ?", entry.title);
  if (!count.Next()) {
    qCWarning(lcFavorites) << "count failed:" << count.error().FullText();
    return Fail(count.error());
  }
  if (count.Int(0) != 0) return AddFavoriteResult::kExists;
  count = Statement();
  Result<void> added = db.Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES(?, ?, ?)",
                                  entry.title, entry.address, entry.date);
  if (added) added = tx.Commit();
  if (!added) {
    qCWarning(lcFavorites) << "insert failed:" << added.error().FullText();
    return Fail(added.error());
  }
  return AddFavoriteResult::kAdded;
}

Result<void> LoadFavorites(Database& db, std::vector<FavoriteEntry>* entries) {
  entries->clear();
  Statement st = db.Prepare("SELECT MC, DZ, SJ FROM Favorites ORDER BY SJ DESC, rowid DESC");
  auto cell = [&st](int column) {
    return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
  };
  while (st.Next()) entries->push_back({cell(0), cell(1), cell(2)});
  if (!st.ok()) {
    qCWarning(lcFavorites) << "read failed:" << st.error().FullText();
    entries->clear();
    return Fail(st.error());
  }
  return {};
}

Result<void> DeleteFavorite(Database& db, const QString& title) {
  return db.Execute("DELETE FROM Favorites WHERE MC = ?", title);
}

}  // namespace talvec
