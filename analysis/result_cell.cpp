#include "analysis/result_cell.h"

namespace talvec {

ResultCellCut CutResultCell(const QString& page) {
  ResultCellCut cut;
  if (page.isEmpty()) return cut;
  if (page.contains(u"无法找到该页") || page.contains(u"页面没有找到")) {
    cut.verdict = PageVerdict::kNotFound;
    return cut;
  }
  // The header has no cased letters, so searching the page itself finds it
  // where a search of the lower-cased page would.
  const qsizetype header = page.indexOf(QStringView(kResultHeader));
  if (header < 0) {
    cut.verdict = PageVerdict::kNoHeader;
    return cut;
  }
  cut.verdict = PageVerdict::kNoInfo;
  const qsizetype footer = page.indexOf(QStringView(kFooterMarker));
  if (footer <= header) return cut;
  const QStringView stretch = QStringView(page).mid(header, footer - header);

  // The second piece of the stretch split at "<td": from after the first
  // "<td" up to the next one.
  const qsizetype td = stretch.indexOf(u"<td");
  if (td < 0) return cut;
  QStringView piece = stretch.mid(td + 3);
  const qsizetype next_td = piece.indexOf(u"<td");
  if (next_td >= 0) piece = piece.left(next_td);

  // The cell runs from after the first ">" (or the piece's start) to the
  // first "</td>".
  const qsizetype open_end = piece.indexOf(u'>');  // -1 when there is none
  const qsizetype close = piece.indexOf(u"</td>");
  if (close < 0 || close - open_end - 1 < 0) return cut;
  QString cell = piece.mid(open_end + 1, close - open_end - 1).toString();
  cell.replace(u'\'', u'‘');
  if (cell.isEmpty()) return cut;
  cut.verdict = PageVerdict::kCell;
  cut.cell = std::move(cell);
  return cut;
}

bool HasSupplierMarker(const QString& cell) {
  return cell.contains(u"公司") || cell.contains(u"合作社") || cell.contains(u"经营部") ||
         cell.contains(u'厂');
}

}  // namespace talvec
