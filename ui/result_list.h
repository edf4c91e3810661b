// The visible result list ListView2: a table view over the rows of the last
// search or filter pass, sorted by a header click.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <optional>

#include "search/result_set.h"
#include "ui/report_view.h"

namespace talvec {

// The first image of the list's image list: the icon of every row.
QIcon ResultRowIcon();

class ResultListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultListModel(QObject* parent = nullptr);

  // Replaces every row; the current sort, if any, applies to the new rows.
  void SetRows(SharedResultSet full, std::vector<ListedRow> rows);
  void Clear();
  // Sorts the rows by one column's text; later SetRows keep this sort.
  void sort(int column, Qt::SortOrder order) override;
  bool sorted() const { return sort_column_.has_value(); }

  const ResultRow* RowAt(int row) const;
  qint64 NumberAt(int row) const;
  // The row carrying this number, whatever the sort; nullptr when none does.
  const ResultRow* RowByNumber(qint64 number) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  SharedResultSet full_;
  std::vector<ListedRow> rows_;
  std::optional<int> sort_column_;
  Qt::SortOrder sort_order_ = Qt::AscendingOrder;
  QIcon icon_;
};

// ListView2 with its model. A click records the clicked row's number; a
// header click flips the one sort direction and sorts by that column (the
// first click sorts ascending).
class ResultListView : public ReportListView {
  Q_OBJECT

 public:
  explicit ResultListView(QWidget* parent = nullptr);

  ResultListModel* resultModel() const { return model_; }

  // Shows the given rows and forgets the last click.
  void ShowRows(SharedResultSet full, std::vector<ListedRow> rows);
  void ClearRows();

  // Column widths in twips: number 800, title = list width - 2500, address
  // and type hidden, date 1500.
  void ApplyColumnWidths();

  // The number of the row last clicked; 0 when none.
  qint64 SelectedRowNumber() const { return selected_row_number_; }

 signals:
  // The row number last clicked changed; 0 when no row is.
  void selectedRowChanged(qint64 number);
  // A double click on a row.
  void openRequested(const talvec::ResultRow& row);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetSelectedRow(qint64 number);

  ResultListModel* model_ = nullptr;
  qint64 selected_row_number_ = 0;
};

}  // namespace talvec
