#include "core/settings.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <cmath>

#include "core/database.h"
#include "core/numeric.h"
#include "core/schema.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcSettings, "talvec.settings")

namespace talvec {

namespace {

Error NoRow() {
  return Error{Error::Kind::kMissing, QStringLiteral("数据库中没有设置记录。"),
               QStringLiteral("SysSet")};
}

std::optional<QString> TextColumn(const Statement& st, int column) {
  if (st.IsNull(column)) return std::nullopt;
  return st.Text(column);
}

std::optional<double> NumberColumn(const Statement& st, int column) {
  if (st.IsNull(column)) return std::nullopt;
  return NumericValue(st.Text(column));
}

// The number as the day boxes and the interval box show it; empty for Null.
QString NumberText(std::optional<double> value) {
  return value ? DecimalText(*value) : QString();
}

// How many rows the table holds (one, or none in a damaged file).
Result<int> RowCount(Database& db) {
  Statement st = db.Prepare("SELECT count(*) FROM SysSet");
  if (!st.Next()) return Fail(st.error());
  return static_cast<int>(st.Int(0));
}

// Runs a group's statements in one transaction on the existing row.
template <typename Statements>
Result<void> WriteGroup(Database& db, Statements&& statements) {
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  const Result<int> rows = RowCount(db);
  if (!rows) return Fail(rows.error());
  if (*rows == 0) return Fail(NoRow());
  if (Result<void> done = statements(); !done) return done;
  return tx.Commit();
}

// A character a path may hold: printable ASCII without blanks, quotes,
// backslashes and angle brackets.
bool PathCharacter(QChar c) {
  const char16_t u = c.unicode();
  if (u <= 0x20 || u >= 0x7f) return false;
  return u != '\'' && u != '"' && u != '\\' && u != '`' && u != '<' && u != '>';
}

}  // namespace

// ---- The row ----

Result<SettingsRow> ReadSettingsRow(Database& db) {
  Statement st = db.Prepare(
      "SELECT researchlx, AttentionNotice, BeginTime, EndTime, ServerDZ, WebDZ, CollectionDate, "
      "Version, AttentionProduct, AttentionPlace, AutoAnalysis, updatetime, research, Upgrade, "
      "UIType, AttentionTime, AttentionSave FROM SysSet LIMIT 1");
  if (!st.Next()) {
    if (!st.ok()) {
      qCWarning(lcSettings) << "settings row unreadable:" << st.error().FullText();
      return Fail(st.error());
    }
    qCWarning(lcSettings) << "no settings row";
    return Fail(NoRow());
  }
  SettingsRow row;
  row.researchlx = TextColumn(st, 0);
  row.AttentionNotice = TextColumn(st, 1);
  row.BeginTime = TextColumn(st, 2);
  row.EndTime = TextColumn(st, 3);
  row.ServerDZ = TextColumn(st, 4);
  row.WebDZ = TextColumn(st, 5);
  row.CollectionDate = TextColumn(st, 6);
  row.Version = TextColumn(st, 7);
  row.AttentionProduct = TextColumn(st, 8);
  row.AttentionPlace = TextColumn(st, 9);
  row.AutoAnalysis = NumberColumn(st, 10);
  row.updatetime = NumberColumn(st, 11);
  row.research = NumberColumn(st, 12);
  row.Upgrade = NumberColumn(st, 13);
  row.UIType = NumberColumn(st, 14);
  row.AttentionTime = NumberColumn(st, 15);
  row.AttentionSave = NumberColumn(st, 16);
  return row;
}

Result<bool> RestoreMissingSettingsRow(Database& db, const QDate& today) {
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  const Result<int> rows = RowCount(db);
  if (!rows) return Fail(rows.error());
  if (*rows > 0) return false;
  if (Result<void> inserted = InsertDeliveredSettings(db, today); !inserted) {
    return Fail(inserted.error());
  }
  if (Result<void> committed = tx.Commit(); !committed) return Fail(committed.error());
  qCWarning(lcSettings) << "the settings row was missing; the delivered row is back";
  return true;
}

// ---- The start-up values ----

QString SystemSettings::ResearchItem(int k) const {
  if (k < 0) return {};
  const QStringList items = researchlx.split(QLatin1Char(','));
  return k < items.size() ? items.at(k) : QString();
}

void ReadAttentionNotice(const QString& text, bool* popup, bool* sound) {
  const QStringList items = TrimBlanks(text).split(QLatin1Char(','));
  // A missing item counts as off.
  *popup = !items.isEmpty() && NumericValue(items.at(0)) == 1.0;
  *sound = items.size() > 1 && NumericValue(items.at(1)) == 1.0;
}

qint16 ReadIntervalSeconds(std::optional<double> updatetime) {
  // A Null, unreadable or out-of-range interval falls back to ten minutes.
  if (!updatetime) return 600;
  const auto seconds = RoundToInt16(*updatetime * 60.0);
  return seconds && *seconds > 0 ? *seconds : 600;
}

qint16 ReadUIType(std::optional<double> ui_type) {
  if (!ui_type) return 1;
  return RoundToInt16(*ui_type).value_or(1);
}

QString ReadResearchFlags(const std::optional<QString>& researchlx) {
  // A Null collection flag text collects every channel, as a new row does.
  return researchlx ? TrimBlanks(*researchlx) : QStringLiteral("t,t,t,t,t,t,t,t,t,t");
}

SystemSettings ToSystemSettings(const SettingsRow& row) {
  auto small = [](std::optional<double> value, qint16 fallback) -> qint16 {
    return value ? RoundToInt16(*value).value_or(fallback) : fallback;
  };
  SystemSettings s;
  s.researchlx = ReadResearchFlags(row.researchlx);
  s.AutoAnalysis = small(row.AutoAnalysis, 2);
  ReadAttentionNotice(row.AttentionNotice.value_or(QString()), &s.PopupNotice, &s.SoundNotice);
  s.IntervalSeconds = ReadIntervalSeconds(row.updatetime);
  s.BeginTime = TrimBlanks(row.BeginTime.value_or(QString()));
  s.EndTime = TrimBlanks(row.EndTime.value_or(QString()));
  s.SiteBaseAddress = QStringLiteral("http://") + TrimBlanks(row.ServerDZ.value_or(QString()));
  s.ManagementBaseAddress = QStringLiteral("http://") + TrimBlanks(row.WebDZ.value_or(QString()));
  s.UIType = ReadUIType(row.UIType);
  s.research = small(row.research, 1);
  s.Upgrade = small(row.Upgrade, 2);
  return s;
}

Result<void> LoadSystemSettings(Database& db, SystemSettings* settings) {
  const Result<SettingsRow> row = ReadSettingsRow(db);
  if (!row) return Fail(row.error());
  *settings = ToSystemSettings(*row);
  return {};
}

std::optional<QTime> ReadTimeOfDay(const QString& text) {
  // [0-9], not \d: other scripts' digits are no part of a time.
  static const QRegularExpression form(
      QStringLiteral("^(?:([0-9]{4})([-/])([0-9]{1,2})\\2([0-9]{1,2})\\s+)?"  // date part
                     "(?:(上午|下午)\\s*)?"                                   // 12-hour mark before
                     "([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?"                // H:MM[:SS]
                     "(?:\\s*([AaPp][Mm]))?$"));                              // 12-hour mark after
  const QRegularExpressionMatch m = form.match(text.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  if (m.hasCaptured(1) &&
      !QDate(m.capturedView(1).toInt(), m.capturedView(3).toInt(), m.capturedView(4).toInt())
           .isValid()) {
    return std::nullopt;
  }
  const QStringView before = m.capturedView(5);
  const QStringView after = m.capturedView(9);
  int hour = m.capturedView(6).toInt();
  if (!before.isEmpty() || !after.isEmpty()) {
    if (!before.isEmpty() && !after.isEmpty()) return std::nullopt;
    if (hour < 1 || hour > 12) return std::nullopt;
    const bool pm = before == u"下午" || after.startsWith(u'p', Qt::CaseInsensitive);
    hour = hour % 12 + (pm ? 12 : 0);
  }
  const int minute = m.capturedView(7).toInt();
  const int second = m.hasCaptured(8) ? m.capturedView(8).toInt() : 0;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return QTime(hour, minute, second);
}

QString TimeText(const QTime& time) { return time.toString(QStringLiteral("HH:mm:ss")); }

// ---- Collection settings and addresses ----

SettingsForm ToSettingsForm(const SettingsRow& row) {
  SettingsForm form;
  form.research = row.research.value_or(0) == 1 ? 1 : 2;
  const QStringList items = ReadResearchFlags(row.researchlx).split(QLatin1Char(','));
  for (int k = 0; k < kChannelCount; ++k) {
    form.channels[static_cast<std::size_t>(k)] =
        k < items.size() && items.at(k) == QLatin1String("t");
  }
  form.upgrade = row.Upgrade.value_or(0) == 1 ? 1 : 2;
  form.auto_analysis = row.AutoAnalysis.value_or(0) == 1;
  form.interval = NumberText(row.updatetime);
  form.server = row.ServerDZ.value_or(QString());
  form.web = row.WebDZ.value_or(QString());
  if (auto t = ReadTimeOfDay(TrimBlanks(row.BeginTime.value_or(QString())))) form.begin = *t;
  if (auto t = ReadTimeOfDay(TrimBlanks(row.EndTime.value_or(QString())))) form.end = *t;
  return form;
}

Result<SettingsForm> LoadSettingsForm(Database& db) {
  const Result<SettingsRow> row = ReadSettingsRow(db);
  if (!row) return Fail(row.error());
  return ToSettingsForm(*row);
}

std::optional<double> CheckInterval(const QString& text) {
  static const QRegularExpression decimal(QStringLiteral("^(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
  const QString trimmed = text.trimmed();
  if (!decimal.match(trimmed).hasMatch()) return std::nullopt;
  bool ok = false;
  const double minutes = QLocale::c().toDouble(trimmed, &ok);
  if (!ok || minutes < 5 || minutes > 120) return std::nullopt;
  return minutes;
}

bool CheckAddress(const QString& text) {
  static const QRegularExpression form(
      QStringLiteral("^(?:[A-Za-z0-9](?:[A-Za-z0-9_-]*[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9_-"
                     "]*[A-Za-z0-9])?)*"
                     "|\\[[0-9A-Fa-f:.]+\\])"  // host
                     "(?::([0-9]{1,5}))?"      // port
                     "(/.*)?$"));              // path, checked below
  const QString address = text.trimmed();
  const QRegularExpressionMatch m = form.match(address);
  if (!m.hasMatch()) return false;
  if (m.hasCaptured(1)) {
    const int port = m.capturedView(1).toInt();
    if (port < 1 || port > 65535) return false;
  }
  const QStringView path = m.capturedView(2);
  if (path.endsWith(u'/')) return false;
  for (QChar c : path) {
    if (!PathCharacter(c)) return false;
  }
  return true;
}

QString ChannelFlags(const std::array<bool, kChannelCount>& channels) {
  QStringList items;
  for (bool on : channels) items << (on ? QStringLiteral("t") : QStringLiteral("f"));
  return items.join(QLatin1Char(','));
}

Result<void> WriteCollectionSettings(Database& db, const SettingsForm& form) {
  const std::optional<double> minutes = CheckInterval(form.interval);
  if (!minutes) return Fail(Error::Kind::kBadData, QStringLiteral("更新时间不是 5 到 120 的数"));
  // A whole number is written as one, so the row reads back "10", not "10.0".
  QVariant interval = *minutes;
  if (std::floor(*minutes) == *minutes) interval = static_cast<qlonglong>(*minutes);
  return WriteGroup(db, [&] {
    return db.Execute(
        "UPDATE SysSet SET research = ?, researchlx = ?, Upgrade = ?, updatetime = ?, "
        "BeginTime = ?, EndTime = ?, AutoAnalysis = ?",
        form.research == 1 ? 1 : 2, ChannelFlags(form.channels), form.upgrade == 1 ? 1 : 2,
        interval, TimeText(form.begin), TimeText(form.end), form.auto_analysis ? 1 : 2);
  });
}

Result<void> WriteAddresses(Database& db, const QString& server, const QString& web) {
  return WriteGroup(db, [&] {
    return db.Execute("UPDATE SysSet SET ServerDZ = ?, WebDZ = ?", server.trimmed(), web.trimmed());
  });
}

Result<void> SaveSettingsForm(Database& db, const SettingsForm& form, SystemSettings* settings) {
  const std::optional<double> minutes = CheckInterval(form.interval);
  if (!minutes) return Fail(Error::Kind::kBadData, QStringLiteral("更新时间不是 5 到 120 的数"));
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  if (Result<void> done = WriteCollectionSettings(db, form); !done) return done;
  if (Result<void> done = WriteAddresses(db, form.server, form.web); !done) return done;
  if (Result<void> done = tx.Commit(); !done) return done;

  settings->researchlx = ChannelFlags(form.channels);
  settings->AutoAnalysis = form.auto_analysis ? 1 : 2;
  settings->BeginTime = TimeText(form.begin);
  settings->EndTime = TimeText(form.end);
  settings->IntervalSeconds = static_cast<qint16>(std::lround(*minutes * 60.0));
  return {};
}

// ---- Watch words and notices ----

int ReadLookBackDays(std::optional<double> attention_time) {
  if (!attention_time) return 7;
  // Kept in the watch window's range: a stored 32767 would cost as many day
  // queries a run, a negative number would leave an empty window.
  const double days = *attention_time;
  if (!(days >= kLookBackMin)) return kLookBackMin;
  if (days > kLookBackMax) return kLookBackMax;
  return RoundToInt16(days).value_or(kLookBackMax);
}

WatchSettings ToWatchSettings(const SettingsRow& row) {
  WatchSettings s;
  s.product = TrimBlanks(row.AttentionProduct.value_or(QString()));
  s.place = TrimBlanks(row.AttentionPlace.value_or(QString()));
  s.look_back_days = ReadLookBackDays(row.AttentionTime);
  return s;
}

Result<WatchSettings> ReadWatchSettings(Database& db) {
  const Result<SettingsRow> row = ReadSettingsRow(db);
  if (!row) return Fail(row.error());
  return ToWatchSettings(*row);
}

WatchForm ToWatchForm(const SettingsRow& row) {
  WatchForm form;
  form.product = TrimBlanks(row.AttentionProduct.value_or(QString()));
  form.place = TrimBlanks(row.AttentionPlace.value_or(QString()));
  form.look_back_days = NumberText(row.AttentionTime);
  form.keep_days = NumberText(row.AttentionSave);
  ReadAttentionNotice(row.AttentionNotice.value_or(QString()), &form.popup, &form.sound);
  return form;
}

Result<WatchForm> ReadWatchForm(Database& db) {
  const Result<SettingsRow> row = ReadSettingsRow(db);
  if (!row) return Fail(row.error());
  return ToWatchForm(*row);
}

namespace {

// The number a day box holds: its leading number, 0 when it has none.
double DayNumber(const QString& text) { return NumericValue(TrimBlanks(text)); }

}  // namespace

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

Result<void> SaveWatchForm(Database& db, const WatchForm& form) {
  return WriteGroup(db, [&] {
    return db.Execute(
        "UPDATE SysSet SET AttentionProduct = ?, AttentionPlace = ?, AttentionTime = ?, "
        "AttentionSave = ?, AttentionNotice = ?",
        TrimBlanks(form.product), TrimBlanks(form.place), DayNumber(form.look_back_days),
        DayNumber(form.keep_days), WatchNoticeText(form.popup, form.sound));
  });
}

// ---- The style and the collection date ----

Result<void> WriteStyle(Database& db, int ui_type) {
  if (ui_type < 1 || ui_type > 9) {
    return Fail(Error::Kind::kBadData, QStringLiteral("没有第 %1 种界面风格").arg(ui_type));
  }
  return WriteGroup(db, [&] { return db.Execute("UPDATE SysSet SET UIType = ?", ui_type); });
}

Result<void> WriteCollectionDate(Database& db, const QString& date) {
  return WriteGroup(db,
                    [&] { return db.Execute("UPDATE SysSet SET CollectionDate = ?", date); });
}

}  // namespace talvec
