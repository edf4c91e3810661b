#include "watch/watch_list.h"

#include <QHash>
#include <QLoggingCategory>
#include <QVariant>
#include <cmath>

#include "core/database.h"
#include "core/numeric.h"
#include "core/settings.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcWatchList, "talvec.watch.list")

namespace talvec {

namespace {

QString Cell(const Statement& st, int column) {
  return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
}

// The number a day box holds: its leading number, 0 when it has none.
double DayNumber(const QString& text) { return NumericValue(TrimBlanks(text)); }

QString DayText(const QVariant& value) {
  if (value.isNull()) return {};
  return DecimalText(NumericValue(TrimBlanks(value.toString())));
}

}  // namespace

bool LoadWatchEntries(Database& db, std::vector<WatchEntry>* entries) {
  entries->clear();
  Statement st =
      db.Prepare("SELECT MC, DZ, SJ, ZT FROM Attention ORDER BY ZT, SJ DESC, rowid DESC");
  while (st.Next()) entries->push_back({Cell(st, 0), Cell(st, 1), Cell(st, 2), Cell(st, 3)});
  if (!st.ok()) {
    qCWarning(lcWatchList) << "read failed:" << st.error();
    entries->clear();
    return false;
  }
  return true;
}

int UnreadWatchCount(Database& db) {
  const QVariant count = db.Scalar("SELECT count(*) FROM Attention WHERE trim(ZT, ' ') = '1'");
  return count.isValid() ? count.toInt() : -1;
}

bool PurgeWatchEntries(Database& db, const QDate& cutoff) {
  return db.Execute("DELETE FROM Attention WHERE SJ < ?",
                    cutoff.toString(QStringLiteral("yyyy-MM-dd")));
}

QDate PurgeCutoff(const QDate& today, const QString& keep_days_text) {
  const double days = DayNumber(keep_days_text);
  // Beyond any date the list can hold; keeps every entry.
  if (!std::isfinite(days) || std::abs(days) > 100000) return days > 0 ? QDate(1, 1, 1) : today;
  return today.addDays(-static_cast<qint64>(std::floor(days)));
}

std::optional<WatchForm> PrepareWatchList(Database& db, const QDate& today) {
  std::optional<WatchForm> form = ReadWatchForm(db);
  if (form && !PurgeWatchEntries(db, PurgeCutoff(today, form->keep_days))) {
    qCWarning(lcWatchList) << "old entries not purged";
  }
  return form;
}

bool MarkAllWatchRead(Database& db) { return db.Execute("UPDATE Attention SET ZT = '2'"); }

bool MarkWatchTitleRead(Database& db, const QString& title) {
  return db.Execute("UPDATE Attention SET ZT = '2' WHERE MC = ?", title);
}

bool DeleteWatchTitle(Database& db, const QString& title) {
  return db.Execute("DELETE FROM Attention WHERE MC = ?", title);
}

bool DeleteAllWatch(Database& db) { return db.Execute("DELETE FROM Attention"); }

std::optional<WatchForm> ReadWatchForm(Database& db) {
  Statement st = db.Prepare("Select * from SysSet");
  if (!st.Next()) {
    qCWarning(lcWatchList) << "settings row unreadable:" << (st.ok() ? "no row" : st.error());
    return std::nullopt;
  }
  QHash<QString, QVariant> row;
  for (int i = 0; i < st.ColumnCount(); ++i) row.insert(st.ColumnName(i).toLower(), st.Value(i));
  auto text = [&row](const char* column) {
    return TrimBlanks(row.value(QLatin1String(column)).toString());
  };
  WatchForm form;
  form.product = text("attentionproduct");
  form.place = text("attentionplace");
  form.look_back_days = DayText(row.value(QStringLiteral("attentiontime")));
  form.keep_days = DayText(row.value(QStringLiteral("attentionsave")));
  ReadAttentionNotice(text("attentionnotice"), &form.popup, &form.sound);
  return form;
}

WatchSaveRefusal CheckWatchForm(const WatchForm& form) {
  if (TrimBlanks(form.product).isEmpty() && TrimBlanks(form.place).isEmpty()) {
    return WatchSaveRefusal::kNoWords;
  }
  const double look_back = DayNumber(form.look_back_days);
  if (!(look_back >= kLookBackMin && look_back <= kLookBackMax)) {
    return WatchSaveRefusal::kLookBackRange;
  }
  const double keep = DayNumber(form.keep_days);
  if (!(keep >= kKeepMin && keep <= kKeepMax)) return WatchSaveRefusal::kKeepRange;
  return WatchSaveRefusal::kNone;
}

QString WatchNoticeText(bool popup, bool sound) {
  return QLatin1String(popup ? "1" : "0") + QLatin1String(sound ? ",1" : ",0");
}

bool SaveWatchForm(Database& db, const WatchForm& form) {
  return db.Execute(
      "UPDATE SysSet SET AttentionProduct = ?, AttentionPlace = ?, AttentionTime = ?, "
      "AttentionSave = ?, AttentionNotice = ?",
      TrimBlanks(form.product), TrimBlanks(form.place), DayNumber(form.look_back_days),
      DayNumber(form.keep_days), WatchNoticeText(form.popup, form.sound));
}

}  // namespace talvec
