#include "ui/frmscj.h"

#include "core/database.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTreeView>

#include "dialogs/messages.h"
#include "ui/report_view.h"
#include "ui/twips.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {

namespace {

constexpr int kListLeftTwips = 120;
constexpr int kListTopTwips = 120;

// The list pops the window's context menu on a right press.
class FavoritesList : public QTreeView {
 public:
  using QTreeView::QTreeView;
  QMenu* menu = nullptr;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override {
    if (menu) menu->popup(event->globalPos());
    event->accept();
  }
};

}  // namespace

FrmSCJ::FrmSCJ(Database& db, Viewer* viewer, QString site_base_address, QWidget* parent)
    : QDialog(parent), db_(db), viewer_(viewer), site_base_address_(std::move(site_base_address)) {
  setObjectName(QStringLiteral("FrmSCJ"));
  setWindowTitle(QStringLiteral("收藏夹管理"));
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(true);

  auto* list = new FavoritesList(this);
  ListView1 = list;
  ListView1->setObjectName(QStringLiteral("ListView1"));
  MakeReportView(ListView1);
  ListView1->header()->setStretchLastSection(false);
  ListView1->header()->setSectionsClickable(false);
  model_ = new QStandardItemModel(0, 4, this);
  model_->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("中标项目"),
                                     QStringLiteral("发布日期"), QStringLiteral("网址")});
  ListView1->setModel(model_);
  ListView1->setColumnWidth(0, Px(1000));
  ListView1->setColumnWidth(2, Px(1500));
  ListView1->setColumnHidden(3, true);

  // Out of sight beyond the right edge; Enter and Esc close the window.
  CancelButton = new QPushButton(QStringLiteral("取消"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setDefault(true);
  CancelButton->setAutoDefault(true);
  CancelButton->setFocusPolicy(Qt::NoFocus);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  MenuKJJ = new QMenu(QStringLiteral("快捷键"), this);
  MenuKJJ->setObjectName(QStringLiteral("MenuKJJ"));
  MenuDelete = MenuKJJ->addAction(QStringLiteral("删除收藏(&D)"));
  MenuDelete->setObjectName(QStringLiteral("MenuDelete"));
  MenuDelete->setEnabled(false);
  list->menu = MenuKJJ;
  connect(MenuDelete, &QAction::triggered, this, &FrmSCJ::DeleteCurrent);

  connect(ListView1, &QTreeView::pressed, this,
          [this] { MenuDelete->setEnabled(model_->rowCount() > 0); });
  connect(ListView1, &QTreeView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenRow(index.row()); });

  const QScreen* screen = this->screen();
  const QSize available = screen ? screen->availableGeometry().size() : QSize(1280, 800);
  resize(std::min(available.width() - 40, Px(15000)), std::min(available.height() - 60, Px(9000)));
  Refill();
}

int FrmSCJ::Px(int twips) const {
  return TwipsToPixels(twips, screen() ? screen()->logicalDotsPerInch() : 96.0);
}

void FrmSCJ::Refill() {
  model_->removeRows(0, model_->rowCount());
  if (!LoadFavorites(db_, &entries_)) {
    entries_.clear();
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取收藏夹。"), db_.LastError());
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
  if (!DeleteFavorite(db_, title)) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("删除失败。"), db_.LastError());
  }
  Refill();
  MenuDelete->setEnabled(false);
}

void FrmSCJ::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int left = Px(kListLeftTwips);
  const int top = Px(kListTopTwips);
  ListView1->setGeometry(left, top, std::max(0, width() - 2 * left),
                         std::max(0, height() - top - Px(500)));
  // Measured inside the list's frame, so that the columns just fit.
  const int inner = ListView1->width() - 2 * ListView1->frameWidth();
  ListView1->setColumnWidth(1, std::max(Px(8000), inner - Px(2500)));
  CancelButton->move(width() + CancelButton->width() + Px(200), 0);
}

}  // namespace talvec
