// The list of every list window (a report view): flat rows of one height,
// whole rows selected one at a time, nothing edited in place; column
// widths in twips, one column taking the width the others leave; the
// window's context menu; clicks and header clicks reported as the windows'
// design names them.
#pragma once

#include <QTreeView>

class QMenu;

namespace talvec {

// The look alone, for a tree view that is no ReportListView.
void MakeReportView(QTreeView* view);

class ReportListView : public QTreeView {
  Q_OBJECT

 public:
  explicit ReportListView(QWidget* parent = nullptr);

  // Design lengths at the list's screen.
  int Px(double twips) const;
  // A column's width in twips; 0 hides it (a cell carried, never seen).
  void SetColumnTwips(int column, int twips);
  // `column` takes what the viewport leaves beside the other shown columns,
  // never less than `minimum_twips`; kept on every resize.
  void SetFillColumn(int column, int minimum_twips);

  // Popped up by a right press over the list (the row under the mouse
  // made current first), or by the menu key at the current row.
  void SetContextMenu(QMenu* menu) { context_menu_ = menu; }

  // Header clicks sort through the model's sort(): one direction for the
  // whole list, flipped at every click whatever the column; the first click
  // sorts `first_order`.
  void EnableHeaderSorting(Qt::SortOrder first_order);
  // What a header click does.
  void SortByHeader(int section);
  // Sorts without a click (a choice kept from an earlier run); the next
  // click flips `order`.
  void ApplySort(int column, Qt::SortOrder order);
  // The direction of the last sort (before any: the opposite of the first).
  Qt::SortOrder sortDirection() const { return sort_order_; }
  // The column of the last sort; -1 before any.
  int sortColumn() const { return sort_column_; }

 signals:
  // The list's Click: any press on it, on a row or not, once the row under
  // the mouse is current.
  void listClicked();
  // A double click; `row` is the row under the mouse (made current), -1
  // when there is none.
  void listDoubleClicked(int row);
  // A header click sorted the list.
  void sortChosen(int column, Qt::SortOrder order);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void FitFillColumn();

  QMenu* context_menu_ = nullptr;
  int fill_column_ = -1;
  int fill_minimum_twips_ = 0;
  int sort_column_ = -1;
  Qt::SortOrder sort_order_ = Qt::DescendingOrder;
};

}  // namespace talvec
