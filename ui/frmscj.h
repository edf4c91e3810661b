// The favorites window: lists the kept announcements newest first, opens
// them in the viewer and deletes them.
#pragma once

#include <QDialog>
#include <vector>

#include "favorites/favorites.h"

class QAction;
class QMenu;
class QPushButton;
class QStandardItemModel;
class QTreeView;

namespace talvec {

class Database;
class Viewer;

class FrmSCJ : public QDialog {
  Q_OBJECT

 public:
  FrmSCJ(Database& db, Viewer* viewer, QString site_base_address, QWidget* parent = nullptr);

  // Re-reads the favorites into the list.
  void Refill();
  // Opens the favorite in a row of the list in the viewer, modally.
  void OpenRow(int row);
  // Asks, then deletes every favorite with the title of the current row.
  void DeleteCurrent();

  QTreeView* ListView1 = nullptr;
  QPushButton* CancelButton = nullptr;
  QMenu* MenuKJJ = nullptr;
  QAction* MenuDelete = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Px(int twips) const;

  Database& db_;
  Viewer* viewer_;
  QString site_base_address_;
  QStandardItemModel* model_ = nullptr;
  std::vector<FavoriteEntry> entries_;
};

}  // namespace talvec
