// The favorites window: lists the kept announcements newest first, opens
// them in the viewer and deletes them.
#pragma once

#include <vector>

#include "favorites/favorites.h"
#include "ui/report_view.h"
#include "ui/list_export.h"
#include "ui/report_window.h"

class QAction;
class QMenu;
class QStandardItemModel;

namespace talvec {

class Database;
class Viewer;

class FrmSCJ : public ReportWindow {
  Q_OBJECT

 public:
  FrmSCJ(Database& db, Viewer* viewer, QString site_base_address, QWidget* parent = nullptr);

  // Re-reads the favorites into the list.
  void Refill();
  // Opens the favorite in a row of the list in the viewer, modally.
  void OpenRow(int row);
  // Asks, then deletes every favorite with the title of the current row.
  void DeleteCurrent();
  // The rows as shown, for "导出(&E)…".
  QList<ShownRow> ShownRows() const;
  void Export();

  ReportListView* ListView1 = nullptr;
  QMenu* MenuKJJ = nullptr;
  QAction* MenuDelete = nullptr;
  QAction* MenuExport = nullptr;

 private:
  Database& db_;
  Viewer* viewer_;
  QString site_base_address_;
  QStandardItemModel* model_ = nullptr;
  // The entry a row shows, whatever the sort.
  const FavoriteEntry* EntryAt(int row) const;

  std::vector<FavoriteEntry> entries_;
};

}  // namespace talvec
