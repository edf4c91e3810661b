#include "desk/desk_rows.h"

#include <QSet>

#include "collect/channels.h"
#include "competitors/export.h"
#include "core/database.h"
#include "facts/facts_store.h"

namespace talvec {

QDateTime DeadlineMoment(const QString& deadline) {
  if (deadline.size() == 10) {
    const QDate day = QDate::fromString(deadline, QStringLiteral("yyyy-MM-dd"));
    return day.isValid() ? QDateTime(day.addDays(1), QTime(0, 0)) : QDateTime();
  }
  return QDateTime::fromString(deadline.left(16), QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString TimeLeftText(qint64 seconds) {
  if (seconds <= 0) return QStringLiteral("已截止");
  const qint64 minutes = seconds / 60, hours = minutes / 60, days = hours / 24;
  if (days > 0) return QStringLiteral("%1天%2小时").arg(days).arg(hours % 24);
  if (hours > 0) return QStringLiteral("%1小时%2分").arg(hours).arg(minutes % 60);
  return QStringLiteral("%1分").arg(std::max<qint64>(minutes, 1));
}

Urgency UrgencyOf(qint64 seconds_left) {
  if (seconds_left <= 0) return Urgency::kNone;
  if (seconds_left < 24 * 3600) return Urgency::kUnderDay;
  if (seconds_left < 3 * 24 * 3600) return Urgency::kUnderThreeDays;
  return Urgency::kNone;
}

QString BudgetWanText(const std::optional<double>& budget) {
  return budget ? QString::number(*budget / 10000.0, 'f', 2) : QString();
}

QString DeadlineShortText(const QString& deadline) {
  if (deadline.size() < 10) return QString();
  return deadline.size() >= 16 ? deadline.mid(5, 11) : deadline.mid(5, 5);
}

bool FactsFilter::Passes(const std::optional<double>& budget, const QString& deadline,
                         const QString& now) const {
  if (min_wan || max_wan) {
    if (!budget) {
      if (!include_unknown_budget) return false;
    } else {
      // Compared in 元, so a bound typed in 万元 holds to the cent.
      if (min_wan && *budget < *min_wan * 10000.0 - 0.005) return false;
      if (max_wan && *budget > *max_wan * 10000.0 + 0.005) return false;
    }
  }
  if (open_only) {
    if (deadline.size() < 10) return false;
    const QString end =
        deadline.size() == 10 ? deadline + QStringLiteral(" 24:00") : deadline.left(16);
    if (end <= now) return false;
  }
  return true;
}

Result<QStringList> ReadTrackedTitles(Database& db) {
  Statement st = db.Query("SELECT MC FROM Favorites WHERE MC IS NOT NULL "
                          "UNION SELECT MC FROM Attention WHERE MC IS NOT NULL");
  QStringList titles;
  while (st.Next()) titles.append(st.Text(0));
  if (!st.ok()) {
    Error e = st.error();
    e.message = QStringLiteral("读取收藏夹与观注失败");
    return Fail(std::move(e));
  }
  return titles;
}

Result<QList<DeskRow>> ReadDeskRows(Database& db, const QDateTime& now, DeskScope scope) {
  QSet<QString> tracked;
  if (scope == DeskScope::kMine) {
    Result<QStringList> titles = ReadTrackedTitles(db);
    if (!titles) return Fail(titles.error());
    if (titles->isEmpty()) return QList<DeskRow>();
    tracked = QSet<QString>(titles->cbegin(), titles->cend());
  }
  Result<QList<OpenTender>> open =
      ReadOpenTenders(db, now.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
  if (!open) return Fail(open.error());
  QList<DeskRow> rows;
  rows.reserve(scope == DeskScope::kMine ? tracked.size() : open->size());
  for (const OpenTender& t : *open) {
    if (scope == DeskScope::kMine && !tracked.contains(t.entry.title)) continue;
    rows.append({t.entry.title, t.entry.address, t.entry.date, t.entry.type, t.deadline, t.budget,
                 t.entry.buyer, t.deadline_corrected});
  }
  return rows;
}

QStringList ExportHeader() {
  return QStringLiteral("标题,类型,日期,预算(元),截止时间,采购人,代理机构,联系人,电话,地址").split(u',');
}

Result<QList<ExportRow>> ExportRowsOf(Database& db, const QList<ShownRow>& shown) {
  QStringList titles;
  titles.reserve(shown.size());
  for (const ShownRow& s : shown) titles.append(s.title);
  Result<QHash<QString, ListFacts>> values = ReadListFacts(db, titles);
  if (!values) return Fail(values.error());
  Result<QHash<QString, PartyFacts>> parties = ReadPartyFacts(db, titles);
  if (!parties) return Fail(parties.error());
  QList<ExportRow> rows;
  rows.reserve(shown.size());
  for (const ShownRow& s : shown) {
    const ListFacts v = values->value(s.title);
    const PartyFacts p = parties->value(s.title);
    rows.append({s.title, s.type, s.date, v.budget, v.deadline, p.buyer, p.agency,
                 p.contact_person, p.contact_phone, s.address});
  }
  return rows;
}

QByteArray ExportCsv(const QList<ExportRow>& rows) {
  std::vector<QStringList> lines;
  lines.reserve(static_cast<std::size_t>(rows.size()));
  for (const ExportRow& r : rows) {
    lines.push_back({CsvField(r.title), CsvField(r.type), CsvField(r.date, false),
                     CsvField(r.budget ? QString::number(*r.budget, 'f', 2) : QString(), false),
                     CsvField(r.deadline, false), CsvField(r.buyer), CsvField(r.agency),
                     CsvField(r.contact_person), CsvField(r.phone), CsvField(r.address)});
  }
  return CsvBytes(ExportHeader(), lines);
}

Result<void> WriteExport(const QString& path, const QList<ExportRow>& rows) {
  QString error;
  if (!WriteFileAtomically(path, ExportCsv(rows), &error)) {
    return Fail(Error::Kind::kOther, QStringLiteral("导出失败，文件未写入"), error);
  }
  return {};
}

}  // namespace talvec
