#include "core/settings.h"

#include <QHash>
#include <QVariant>

#include "core/database.h"
#include "core/numeric.h"
#include "core/text.h"

namespace talvec {

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

qint16 ReadIntervalSeconds(const QVariant& updatetime) {
  // A Null, unreadable or out-of-range interval falls back to ten minutes.
  if (updatetime.isNull()) return 600;
  bool ok = false;
  const double minutes = updatetime.toString().trimmed().toDouble(&ok);
  if (!ok) return 600;
  const auto seconds = RoundToInt16(minutes * 60.0);
  return seconds && *seconds > 0 ? *seconds : 600;
}

qint16 ReadUIType(const QVariant& ui_type) {
  if (ui_type.isNull()) return 1;
  const auto value = RoundToInt16(NumericValue(ui_type.toString()));
  return value.value_or(1);
}

bool LoadSystemSettings(Database& db, SystemSettings* settings) {
  Statement st = db.Prepare("Select * from SysSet ");
  if (!st.ok()) return false;
  QHash<QString, QVariant> row;
  if (st.Next()) {
    for (int i = 0; i < st.ColumnCount(); ++i) row.insert(st.ColumnName(i).toLower(), st.Value(i));
  } else if (!st.ok()) {
    return false;
  }
  auto text = [&](const char* column) { return row.value(QLatin1String(column)).toString(); };
  auto small = [&](const char* column, qint16 fallback) -> qint16 {
    const QVariant v = row.value(QLatin1String(column));
    if (v.isNull()) return fallback;
    return RoundToInt16(NumericValue(v.toString())).value_or(fallback);
  };

  SystemSettings s;
  // A Null collection flag text collects every channel, as a new row does.
  const QVariant lx = row.value(QStringLiteral("researchlx"));
  s.researchlx = lx.isNull() ? QStringLiteral("t,t,t,t,t,t,t,t,t,t") : TrimBlanks(lx.toString());
  s.AutoAnalysis = small("autoanalysis", 2);
  ReadAttentionNotice(text("attentionnotice"), &s.PopupNotice, &s.SoundNotice);
  s.IntervalSeconds = ReadIntervalSeconds(row.value(QStringLiteral("updatetime")));
  s.BeginTime = TrimBlanks(text("begintime"));
  s.EndTime = TrimBlanks(text("endtime"));
  s.SiteBaseAddress = QStringLiteral("http://") + TrimBlanks(text("serverdz"));
  s.ManagementBaseAddress = QStringLiteral("http://") + TrimBlanks(text("webdz"));
  s.UIType = ReadUIType(row.value(QStringLiteral("uitype")));
  s.research = small("research", 1);
  s.Upgrade = small("upgrade", 2);
  *settings = s;
  return true;
}

}  // namespace talvec
