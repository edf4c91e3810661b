// The rows a search returns, and the visible list's view of them: which row
// of the full result set each visible row shows, under which number.
#pragma once

#include <QString>
#include <Qt>
#include <memory>
#include <vector>

namespace talvec {

// One announcement as the search read it; every cell as text, trimmed,
// empty where the column was Null.
struct ResultRow {
  QString title;    // MC
  QString address;  // DZ
  QString date;     // SJ
  QString type;     // LX
};

// The full result set of the last search, in the order the search returned
// it. Filter passes read it and never change it.
using ResultSet = std::vector<ResultRow>;
using SharedResultSet = std::shared_ptr<const ResultSet>;

// A row of the visible list: its running number and the index of the row of
// the full result set it shows.
struct ListedRow {
  qint64 number = 0;
  qsizetype source = 0;
};

// Columns of the result lists.
enum ResultColumn { kColNumber = 0, kColTitle, kColAddress, kColDate, kColType, kColumnCount };

// Numbers the given full-result rows 1, 2, 3 ... in the given order.
std::vector<ListedRow> NumberRows(const std::vector<qsizetype>& sources);
// Every row of the full result set, numbered in its order.
std::vector<ListedRow> AllRows(const ResultSet& full);

// The text of a cell as the list shows it.
QString CellText(const ResultSet& full, const ListedRow& row, int column);

// Sorts by the text of one column (so numbers order as text: "10" before
// "2"); rows with equal text keep their relative order.
void SortListedRows(std::vector<ListedRow>& rows, const ResultSet& full, int column,
                    Qt::SortOrder order);

}  // namespace talvec
