#include "ui/frmscj.h"

#include <QBrush>
#include <QDateTime>
#include <QMenu>
#include <QPointer>
#include <QStandardItemModel>

#include "core/database.h"
#include "dialogs/messages.h"
#include "ui/report_view.h"
#include "ui/result_list.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {

namespace {
constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kEntryRole = Qt::UserRole + 2;
}  // namespace

FrmSCJ::FrmSCJ(Database& db, Viewer* viewer, QString site_base_address, QWidget* parent)
    : ReportWindow(QStringLiteral("FrmSCJ"), QStringLiteral("收藏夹管理"), parent),
      db_(db),
      viewer_(viewer),
      site_base_address_(std::move(site_base_address)) {
  // Enter in the list closes the window, as Esc does.
  SetEnterCloses(true);

  ListView1 = new ReportListView(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  model_ = new QStandardItemModel(0, 6, this);
  model_->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("中标项目"),
                                     QStringLiteral("发布日期"), QStringLiteral("预算(万元)"),
                                     QStringLiteral("截止时间"), QStringLiteral("网址")});
  model_->setSortRole(kSortRole);
  ListView1->setModel(model_);
  ListView1->SetColumnTwips(0, 1000);
  ListView1->SetColumnTwips(2, 1500);
  ListView1->SetColumnTwips(3, 1100);
  ListView1->SetColumnTwips(4, 1300);
  ListView1->SetColumnTwips(5, 0);
  ListView1->SetFillColumn(1, 6000);
  ListView1->EnableHeaderSorting(Qt::AscendingOrder);

  MenuKJJ = new QMenu(QStringLiteral("快捷键"), this);
  MenuKJJ->setObjectName(QStringLiteral("MenuKJJ"));
  MenuDelete = MenuKJJ->addAction(QStringLiteral("删除收藏(&D)"));
  MenuDelete->setObjectName(QStringLiteral("MenuDelete"));
  MenuDelete->setEnabled(false);
  MenuExport = MenuKJJ->addAction(QStringLiteral("导出(&E)…"));
  MenuExport->setObjectName(QStringLiteral("MenuExport"));
  ListView1->SetContextMenu(MenuKJJ);
  connect(MenuDelete, &QAction::triggered, this, &FrmSCJ::DeleteCurrent);
  connect(MenuExport, &QAction::triggered, this, &FrmSCJ::Export);

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
  QStringList titles;
  for (const FavoriteEntry& entry : entries_) titles.append(entry.title);
  const Result<QHash<QString, ListFacts>> facts = ReadListFacts(db_, titles);
  const QDateTime now = QDateTime::currentDateTime();
  int number = 0;
  for (const FavoriteEntry& entry : entries_) {
    const ListFacts f = facts ? facts->value(entry.title) : ListFacts{};
    QList<QStandardItem*> items = {
        new QStandardItem(QString::number(number + 1)), new QStandardItem(entry.title),
        new QStandardItem(entry.date), new QStandardItem(ListFactsCache::BudgetText(f)),
        new QStandardItem(ListFactsCache::DeadlineText(f)), new QStandardItem(entry.address)};
    for (QStandardItem* item : items) item->setData(item->text(), kSortRole);
    items[0]->setData(number, kSortRole);
    items[0]->setData(number, kEntryRole);
    items[1]->setToolTip(entry.title);
    // The budget sorts by value, the deadline by time; unknown ones first.
    items[3]->setData(f.budget ? *f.budget : -1.0, kSortRole);
    items[3]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    items[4]->setToolTip(f.deadline);
    if (ListFactsCache::Passed(f, now)) items[4]->setForeground(QBrush(Qt::gray));
    model_->appendRow(items);
    ++number;
  }
}

const FavoriteEntry* FrmSCJ::EntryAt(int row) const {
  if (row < 0 || row >= model_->rowCount()) return nullptr;
  const int i = model_->item(row, 0)->data(kEntryRole).toInt();
  return i >= 0 && i < static_cast<int>(entries_.size()) ? &entries_[static_cast<std::size_t>(i)]
                                                          : nullptr;
}

QList<ShownRow> FrmSCJ::ShownRows() const {
  QList<ShownRow> rows;
  for (int r = 0; r < model_->rowCount(); ++r) {
    if (const FavoriteEntry* e = EntryAt(r)) {
      rows.append({e->title, AnnouncementTypeOf(db_, e->title), e->date, e->address});
    }
  }
  return rows;
}

void FrmSCJ::Export() {
  QPointer<FrmSCJ> self = this;
  ExportShownRows(
      this, db_, QStringLiteral("收藏夹"),
      [self] { return self ? self->ShownRows() : QList<ShownRow>(); },
      [self](const QString& note) {
        if (self) self->ShowNote(note);
      });
}

void FrmSCJ::OpenRow(int row) {
  const FavoriteEntry* entry = EntryAt(row);
  if (!entry || !viewer_) return;
  viewer_->Open(AnnouncementAddress(entry->address, site_base_address_), entry->title,
                ViewerMode::kModal);
}

void FrmSCJ::DeleteCurrent() {
  const FavoriteEntry* entry = EntryAt(ListView1->currentIndex().row());
  if (!entry) return;
  const QString title = entry->title;
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
