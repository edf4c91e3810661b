// The look every list of the program shares: flat rows of one height,
// whole rows selected one at a time, nothing edited in place.
#pragma once

#include <QTreeView>

namespace talvec {

inline void MakeReportView(QTreeView* view) {
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setItemsExpandable(false);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

}  // namespace talvec
