// A list of award rows as the competitor window shows it: columns "ID",
// "公司名称", "中标项目", sortable by any column as text. Rows keep the
// number they were added with; sorting only changes where they stand.
#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <vector>

#include "competitors/awards.h"

namespace talvec {

class AwardListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kColNumber = 0, kColCompany = 1, kColTitle = 2, kColumnCount = 3 };

  explicit AwardListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Stable sort of the cells of `column` as text.
  void sort(int column, Qt::SortOrder order) override;

  // Replaces the rows; they stand in the order given, unsorted.
  void SetRows(std::vector<AwardRow> rows);
  void Clear() { SetRows({}); }
  // Rows in the order they were added (numbers 1, 2, ...).
  const std::vector<AwardRow>& rows() const { return rows_; }
  // The row standing at `view_row`, or nullptr.
  const AwardRow* RowAt(int view_row) const;
  // The row with this number, wherever it stands, or nullptr.
  const AwardRow* RowByNumber(qint64 number) const;

 private:
  QString Cell(const AwardRow& row, int column) const;

  std::vector<AwardRow> rows_;
  std::vector<int> order_;  // view row -> index into rows_
  QCollator collator_;
};

}  // namespace talvec
