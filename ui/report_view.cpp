#include "ui/report_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>

#include "ui/twips.h"

namespace talvec {

void MakeReportView(QTreeView* view) {
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setItemsExpandable(false);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

ReportListView::ReportListView(QWidget* parent) : QTreeView(parent) {
  MakeReportView(this);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(false);
}

int ReportListView::Px(double twips) const {
  return TwipsToPixels(twips, screen() ? screen()->logicalDotsPerInch() : 96.0);
}

void ReportListView::SetColumnTwips(int column, int twips) {
  setColumnHidden(column, twips <= 0);
  if (twips > 0) setColumnWidth(column, Px(twips));
}

void ReportListView::SetFillColumn(int column, int minimum_twips) {
  fill_column_ = column;
  fill_minimum_twips_ = minimum_twips;
  FitFillColumn();
}

void ReportListView::FitFillColumn() {
  const int count = header()->count();
  if (fill_column_ < 0 || fill_column_ >= count) return;
  int others = 0;
  for (int column = 0; column < count; ++column) {
    if (column != fill_column_ && !isColumnHidden(column)) others += columnWidth(column);
  }
  setColumnWidth(fill_column_, std::max(Px(fill_minimum_twips_), viewport()->width() - others));
}

bool ReportListView::viewportEvent(QEvent* event) {
  const bool handled = QTreeView::viewportEvent(event);
  // The viewport narrows when the vertical scroll bar comes, too.
  if (event->type() == QEvent::Resize) FitFillColumn();
  return handled;
}

void ReportListView::EnableHeaderSorting(Qt::SortOrder first_order) {
  sort_order_ = first_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  connect(header(), &QHeaderView::sectionClicked, this, &ReportListView::SortByHeader,
          Qt::UniqueConnection);
}

void ReportListView::SortByHeader(int section) {
  ApplySort(section, sort_order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
  if (sort_column_ == section) emit sortChosen(section, sort_order_);
}

void ReportListView::ApplySort(int column, Qt::SortOrder order) {
  if (!model() || column < 0 || column >= model()->columnCount()) return;
  sort_column_ = column;
  sort_order_ = order;
  model()->sort(column, order);
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, order);
  if (currentIndex().isValid()) scrollTo(currentIndex());
}

void ReportListView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  emit listClicked();
}

void ReportListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  // A double click is a click first, on the row under the mouse.
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) setCurrentIndex(index);
  emit listClicked();
  emit listDoubleClicked(index.isValid() ? index.row() : -1);
}

void ReportListView::contextMenuEvent(QContextMenuEvent* event) {
  if (!context_menu_) {
    QTreeView::contextMenuEvent(event);
    return;
  }
  QPoint global = event->globalPos();
  if (event->reason() == QContextMenuEvent::Mouse) {
    // The menu acts on the row it was opened over.
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid() && index != currentIndex()) {
      setCurrentIndex(index);
      emit listClicked();
    }
  } else {
    const QRect current = visualRect(currentIndex());
    global =
        viewport()->mapToGlobal(current.isValid() ? current.center() : viewport()->rect().center());
  }
  context_menu_->popup(global);
  event->accept();
}

}  // namespace talvec
