#include "watch/watch_list.h"

#include <QLoggingCategory>
#include <QVariant>
#include <cmath>

#include "core/database.h"
#include "core/numeric.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcWatchList, "talvec.watch.list")

namespace talvec {

namespace {

QString Cell(const Statement& st, int column) {
  return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
}

// The number a day box holds: its leading number, 0 when it has none.
double DayNumber(const QString& text) { return NumericValue(TrimBlanks(text)); }

}  // namespace

Result<std::vector<WatchEntry>> LoadWatchEntries(Database& db) {
  std::vector<WatchEntry> entries;
  Statement st =
      db.Prepare("SELECT MC, DZ, SJ, ZT, Rule FROM Attention ORDER BY ZT, SJ DESC, rowid DESC");
  while (st.Next()) {
    entries.push_back({Cell(st, 0), Cell(st, 1), Cell(st, 2), Cell(st, 3), Cell(st, 4)});
  }
  if (!st.ok()) {
    qCWarning(lcWatchList) << "read failed:" << st.error().FullText();
    return Fail(st.error());
  }
  return entries;
}

std::vector<WatchEntry> EntriesOfRule(std::vector<WatchEntry> entries, const QString& rule) {
  std::erase_if(entries, [&rule](const WatchEntry& e) { return e.rule != rule; });
  return entries;
}

int UnreadWatchCount(Database& db) {
  const QVariant count = db.Scalar("SELECT count(*) FROM Attention WHERE trim(ZT, ' ') = '1'");
  return count.isValid() ? count.toInt() : -1;
}

Result<void> PurgeWatchEntries(Database& db, const QDate& cutoff) {
  return db.Execute("DELETE FROM Attention WHERE SJ < ?",
                    cutoff.toString(QStringLiteral("yyyy-MM-dd")));
}

QDate PurgeCutoff(const QDate& today, const QString& keep_days_text) {
  const double days = DayNumber(keep_days_text);
  // Beyond any date the list can hold; keeps every entry.
  if (!std::isfinite(days) || std::abs(days) > 100000) return days > 0 ? QDate(1, 1, 1) : today;
  return today.addDays(-static_cast<qint64>(std::floor(days)));
}

Result<WatchForm> PrepareWatchList(Database& db, const QDate& today) {
  Result<WatchForm> form = ReadWatchForm(db);
  if (!form) return form;
  if (const Result<void> purged = PurgeWatchEntries(db, PurgeCutoff(today, form->keep_days));
      !purged) {
    qCWarning(lcWatchList) << "old entries not purged:" << purged.error().FullText();
  }
  return form;
}

Result<void> MarkAllWatchRead(Database& db) { return db.Execute("UPDATE Attention SET ZT = '2'"); }

Result<void> MarkWatchTitleRead(Database& db, const QString& title) {
  return db.Execute("UPDATE Attention SET ZT = '2' WHERE MC = ?", title);
}

Result<void> DeleteWatchTitle(Database& db, const QString& title) {
  return db.Execute("DELETE FROM Attention WHERE MC = ?", title);
}

Result<void> DeleteAllWatch(Database& db) { return db.Execute("DELETE FROM Attention"); }

}  // namespace talvec
