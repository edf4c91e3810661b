#include "collect/settings_edit.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QVariant>
#include <cmath>

#include "collect/collection_window.h"
#include "core/database.h"
#include "core/numeric.h"
#include "core/text.h"

namespace talvec {

namespace {

QString ColumnText(const QVariant& value) {
  if (value.isNull()) return {};
  // A REAL column reads back as 10.0; the dialog shows the number as typed.
  if (value.typeId() == QMetaType::Double) return DecimalText(value.toDouble());
  return value.toString();
}

// A character a path may hold: printable ASCII without blanks, quotes,
// backslashes and angle brackets.
bool PathCharacter(QChar c) {
  const char16_t u = c.unicode();
  if (u <= 0x20 || u >= 0x7f) return false;
  return u != '\'' && u != '"' && u != '\\' && u != '`' && u != '<' && u != '>';
}

}  // namespace

std::optional<SettingsForm> LoadSettingsForm(Database& db) {
  Statement st = db.Prepare("Select * from SysSet ");
  if (!st.ok()) return std::nullopt;
  QHash<QString, QVariant> row;
  if (st.Next()) {
    for (int i = 0; i < st.ColumnCount(); ++i) row.insert(st.ColumnName(i).toLower(), st.Value(i));
  } else if (!st.ok()) {
    return std::nullopt;
  }
  auto value = [&](const char* column) { return row.value(QLatin1String(column)); };
  auto number = [&](const char* column) { return NumericValue(ColumnText(value(column))); };

  SettingsForm form;
  form.research = number("research") == 1 ? 1 : 2;
  const QStringList items = TrimBlanks(ColumnText(value("researchlx"))).split(QLatin1Char(','));
  for (int k = 0; k < kChannelCount; ++k) {
    form.channels[static_cast<std::size_t>(k)] =
        k < items.size() && items.at(k) == QLatin1String("t");
  }
  form.upgrade = number("upgrade") == 1 ? 1 : 2;
  form.auto_analysis = number("autoanalysis") == 1;
  form.interval = ColumnText(value("updatetime"));
  form.server = ColumnText(value("serverdz"));
  form.web = ColumnText(value("webdz"));
  if (auto t = ReadTimeOfDay(TrimBlanks(ColumnText(value("begintime"))))) form.begin = *t;
  if (auto t = ReadTimeOfDay(TrimBlanks(ColumnText(value("endtime"))))) form.end = *t;
  return form;
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

QString TimeText(const QTime& time) { return time.toString(QStringLiteral("HH:mm:ss")); }

SaveOutcome SaveSettingsForm(Database& db, const SettingsForm& form, SystemSettings* settings) {
  const std::optional<double> minutes = CheckInterval(form.interval);
  if (!minutes) return {false, QStringLiteral("更新时间不是 5 到 120 的数")};
  // A whole number is written as one, so the row reads back "10", not "10.0".
  QVariant interval = *minutes;
  if (std::floor(*minutes) == *minutes) interval = static_cast<qlonglong>(*minutes);
  const QString flags = ChannelFlags(form.channels);
  const QString begin = TimeText(form.begin);
  const QString end = TimeText(form.end);
  const qint16 analysis = form.auto_analysis ? 1 : 2;

  Database::Transaction transaction(db);
  if (!transaction.active()) return {false, db.LastError()};
  if (!db.Execute("update SysSet set research=?", form.research == 1 ? 1 : 2)) {
    return {false, db.LastError()};
  }
  // Updates of a table without its row would "succeed" and keep nothing.
  if (db.Changes() == 0) return {false, QStringLiteral("数据库中没有设置记录")};
  const bool written = db.Execute("update SysSet set researchlx=?", flags) &&
                       db.Execute("update SysSet set Upgrade=?", form.upgrade == 1 ? 1 : 2) &&
                       db.Execute("update SysSet set updatetime=?", interval) &&
                       db.Execute("update SysSet set BeginTime=?", begin) &&
                       db.Execute("update SysSet set EndTime=?", end) &&
                       db.Execute("update SysSet set ServerDZ=?", form.server.trimmed()) &&
                       db.Execute("update SysSet set WebDZ=?", form.web.trimmed()) &&
                       db.Execute("update SysSet set AutoAnalysis=?", static_cast<int>(analysis)) &&
                       transaction.Commit();
  if (!written) return {false, db.LastError()};

  settings->researchlx = flags;
  settings->AutoAnalysis = analysis;
  settings->BeginTime = begin;
  settings->EndTime = end;
  settings->IntervalSeconds = static_cast<qint16>(std::lround(*minutes * 60.0));
  return {true, {}};
}

}  // namespace talvec
