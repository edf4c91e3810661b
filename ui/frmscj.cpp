#include "ui/frmscj.h"

#include <QMenu>
#include <QStandardItemModel>

#include "core/database.h"
#include "dialogs/messages.h"
#include "ui/report_view.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {

FrmSCJ::FrmSCJ(Database& db, Viewer* viewer, QString site_base_address, QWidget* parent)
    : ReportWindow(QStringLiteral("FrmSCJ"), QStringLiteral("收藏夹管理"), parent),
      db_(db),
      viewer_(viewer),
      site_base_address_(std::move(site_base_address)) {
  // Enter in the list closes the window, as Esc does.
  SetEnterCloses(true);

  ListView1 = new ReportListView(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  model_ = new QStandardItemModel(0, 4, this);
  model_->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("中标项目"),
                                     QStringLiteral("发布日期"), QStringLiteral("网址")});
  ListView1->setModel(model_);
  ListView1->SetColumnTwips(0, 1000);
  ListView1->SetColumnTwips(2, 1500);
  ListView1->SetColumnTwips(3, 0);
  ListView1->SetFillColumn(1, 8000);

  MenuKJJ = new QMenu(QStringLiteral("快捷键"), this);
  MenuKJJ->setObjectName(QStringLiteral("MenuKJJ"));
  MenuDelete = MenuKJJ->addAction(QStringLiteral("删除收藏(&D)"));
  MenuDelete->setObjectName(QStringLiteral("MenuDelete"));
  MenuDelete->setEnabled(false);
  ListView1->SetContextMenu(MenuKJJ);
  connect(MenuDelete, &QAction::triggered, this, &FrmSCJ::DeleteCurrent);

  connect(ListView1, &ReportListView::listClicked, this,
          [this] { MenuDelete->setEnabled(model_->rowCount() > 0); });
  connect(ListView1, &ReportListView::listDoubleClicked, this, &FrmSCJ::OpenRow);

  PlaceBody(ListView1, 120, 120, 0, 500);
  FitToScreen(QSize(15000, 9000));
  Refill();
}

void FrmSCJ::Refill() {
  model_->removeRows(0, model_->rowCount());
  if (const Result<void> loaded = LoadFavorites(db_, &entries_); !loaded) {
    entries_.clear();
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取收藏夹。"), loaded.error().FullText());
  }
  int number = 0;
  for (const FavoriteEntry& entry : entries_) {
    QList<QStandardItem*> items = {new QStandardItem(QString::number(++number)),
                                   new QStandardItem(entry.title), new QStandardItem(entry.date),
                                   new QStandardItem(entry.address)};
    items[1]->setToolTip(entry.title);
    model_->appendRow(items);
  }
}

void FrmSCJ::OpenRow(int row) {
  if (row < 0 || row >= static_cast<int>(entries_.size()) || !viewer_) return;
  const FavoriteEntry& entry = entries_[static_cast<std::size_t>(row)];
  viewer_->Open(AnnouncementAddress(entry.address, site_base_address_), entry.title,
                ViewerMode::kModal);
}

void FrmSCJ::DeleteCurrent() {
  const int row = ListView1->currentIndex().row();
  if (row < 0 || row >= static_cast<int>(entries_.size())) return;
  const QString title = entries_[static_cast<std::size_t>(row)].title;
  if (ShowMessage(this, QMessageBox::Question, QStringLiteral("数据安全"),
                  QStringLiteral("是否删除此项目?"), QString(),
                  QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  if (const Result<void> deleted = DeleteFavorite(db_, title); !deleted) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("删除失败。"), deleted.error().FullText());
  }
  Refill();
  MenuDelete->setEnabled(false);
}

}  // namespace talvec
