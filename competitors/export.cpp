#include "competitors/export.h"

#include <QSaveFile>

namespace talvec {

namespace {

// Numbers are written in the C form whatever the user's locale.
QString Number(double value) { return QString::number(value, 'f', 2); }

}  // namespace

QString CsvField(const QString& text, bool is_text) {
  QString field = text;
  if (is_text && !field.isEmpty() &&
      (field[0] == u'=' || field[0] == u'+' || field[0] == u'-' || field[0] == u'@' ||
       field[0] == u'\t' || field[0] == u'\r')) {
    field.prepend(u'\'');
  }
  const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\n') ||
                     field.contains(u'\r') || field.startsWith(u' ') || field.endsWith(u' ');
  if (!quote) return field;
  field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
  return u'"' + field + u'"';
}

QByteArray CsvBytes(const QStringList& header, const std::vector<QStringList>& lines) {
  QString text;
  auto add = [&text](const QStringList& fields) {
    text += fields.join(u',');
    text += QStringLiteral("\r\n");
  };
  QStringList quoted;
  for (const QString& h : header) quoted.append(CsvField(h));
  add(quoted);
  for (const QStringList& line : lines) add(line);
  return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray AwardListCsv(const std::vector<const AwardRow*>& rows) {
  std::vector<QStringList> lines;
  lines.reserve(rows.size());
  for (const AwardRow* row : rows) {
    lines.push_back(
        {QString::number(row->number), CsvField(row->company), CsvField(row->title.ToString())});
  }
  return CsvBytes({QStringLiteral("ID"), QStringLiteral("公司名称"), QStringLiteral("中标项目")},
                  lines);
}

QByteArray SummaryCsv(const std::vector<CompanySummary>& summary) {
  std::vector<QStringList> lines;
  lines.reserve(summary.size());
  for (const CompanySummary& s : summary) {
    lines.push_back({CsvField(s.company), QString::number(s.wins),
                     s.with_amount > 0 ? Number(s.amount_sum) : QString(),
                     QString::number(s.without_amount), CsvField(s.latest),
                     CsvField(s.bodies.join(QStringLiteral("、")))});
  }
  return CsvBytes(
      {QStringLiteral("公司名称"), QStringLiteral("中标次数"), QStringLiteral("中标金额(元)"),
       QStringLiteral("无金额次数"), QStringLiteral("最近中标"), QStringLiteral("采购单位")},
      lines);
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace talvec
