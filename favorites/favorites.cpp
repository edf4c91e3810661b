#include "favorites/favorites.h"

#include <QLoggingCategory>

#include "core/database.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcFavorites, "talvec.favorites")

namespace talvec {

AddFavoriteResult AddFavorite(Database& db, const FavoriteEntry& entry) {
  Database::Transaction tx(db);
  if (!tx.active()) return AddFavoriteResult::kFailed;
  const QVariant count = db.Scalar("SELECT count(*) FROM Favorites WHERE MC = ?", entry.title);
  if (!count.isValid()) {
    qCWarning(lcFavorites) << "count failed:" << db.LastError();
    return AddFavoriteResult::kFailed;
  }
  if (count.toLongLong() != 0) return AddFavoriteResult::kExists;
  if (!db.Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES(?, ?, ?)", entry.title, entry.address,
                  entry.date) ||
      !tx.Commit()) {
    qCWarning(lcFavorites) << "insert failed:" << db.LastError();
    return AddFavoriteResult::kFailed;
  }
  return AddFavoriteResult::kAdded;
}

bool LoadFavorites(Database& db, std::vector<FavoriteEntry>* entries) {
  entries->clear();
  Statement st = db.Prepare("SELECT MC, DZ, SJ FROM Favorites ORDER BY SJ DESC, rowid DESC");
  auto cell = [&st](int column) {
    return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
  };
  while (st.Next()) entries->push_back({cell(0), cell(1), cell(2)});
  if (!st.ok()) {
    qCWarning(lcFavorites) << "read failed:" << st.error();
    entries->clear();
    return false;
  }
  return true;
}

bool DeleteFavorite(Database& db, const QString& title) {
  return db.Execute("DELETE FROM Favorites WHERE MC = ?", title);
}

}  // namespace talvec
