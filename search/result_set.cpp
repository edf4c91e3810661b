#include "search/result_set.h"

#include <algorithm>

namespace talvec {

std::vector<ListedRow> NumberRows(const std::vector<qsizetype>& sources) {
  std::vector<ListedRow> rows;
  rows.reserve(sources.size());
  qint64 number = 0;
  for (qsizetype source : sources) rows.push_back({++number, source});
  return rows;
}

std::vector<ListedRow> AllRows(const ResultSet& full) {
  std::vector<ListedRow> rows;
  rows.reserve(full.size());
  for (qsizetype i = 0; i < static_cast<qsizetype>(full.size()); ++i) rows.push_back({i + 1, i});
  return rows;
}

QString CellText(const ResultSet& full, const ListedRow& row, int column) {
  const ResultRow& r = full[static_cast<std::size_t>(row.source)];
  switch (column) {
    case kColNumber:
      return QString::number(row.number);
    case kColTitle:
      return r.title;
    case kColAddress:
      return r.address;
    case kColDate:
      return r.date;
    case kColType:
      return r.type;
    default:
      return {};
  }
}

void SortListedRows(std::vector<ListedRow>& rows, const ResultSet& full, int column,
                    Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  const bool descending = order == Qt::DescendingOrder;
  if (column == kColNumber) {
    // Numbers compare as their text; build the texts once.
    std::vector<std::pair<QString, ListedRow>> keyed;
    keyed.reserve(rows.size());
    for (const ListedRow& r : rows) keyed.emplace_back(QString::number(r.number), r);
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
      const int c = a.first.compare(b.first);
      return descending ? c > 0 : c < 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
    return;
  }
  auto field = [&full, column](const ListedRow& r) -> const QString& {
    const ResultRow& row = full[static_cast<std::size_t>(r.source)];
    switch (column) {
      case kColTitle:
        return row.title;
      case kColAddress:
        return row.address;
      case kColDate:
        return row.date;
      default:
        return row.type;
    }
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const ListedRow& a, const ListedRow& b) {
    const int c = field(a).compare(field(b));
    return descending ? c > 0 : c < 0;
  });
}

}  // namespace talvec
