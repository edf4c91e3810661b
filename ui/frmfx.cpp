#include "ui/frmfx.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "competitors/award_list_model.h"
#include "competitors/export.h"
#include "competitors/lookup.h"
#include "competitors/summary_model.h"
#include "core/database.h"
#include "ui/competitor_summary_page.h"
#include "dialogs/messages.h"
#include "ui/report_view.h"
#include "ui/twips.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {

namespace {

constexpr int kListLeftTwips = 120;
constexpr int kListTopTwips = 660;
constexpr int kBottomTwips = 500;
constexpr int kTitleColumnTwips = 8000;
constexpr int kOtherColumnsTwips = 6000;

// The result list: every click on it, on a row or not, and every double
// click reach the window; a right press pops the context menu.
class AwardListView : public QTreeView {
 public:
  using QTreeView::QTreeView;
  std::function<void()> on_click;
  std::function<void()> on_double_click;
  std::function<void()> on_resize;
  QMenu* menu = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QTreeView::resizeEvent(event);
    if (on_resize) on_resize();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && on_click) on_click();
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) return;
    // A double click is a click first, on the row under the mouse.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) setCurrentIndex(index);
    if (on_click) on_click();
    if (on_double_click) on_double_click();
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    // The menu acts on the row it was opened over.
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid()) setCurrentIndex(index);
    if (on_click) on_click();
    if (menu) menu->popup(event->globalPos());
    event->accept();
  }
};

}  // namespace

FrmfX::FrmfX(Database& db, Viewer* viewer, QString site_base_address, QString engine_base_address,
             QWidget* parent)
    : QDialog(parent),
      db_(db),
      viewer_(viewer),
      site_base_address_(std::move(site_base_address)),
      engine_base_address_(std::move(engine_base_address)) {
  setObjectName(QStringLiteral("FrmfX"));
  setWindowTitle(QStringLiteral("竞争对手分析"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(true);

  const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
  auto rect = [dpi](int l, int t, int w, int h) { return TwipsRect(l, t, w, h, dpi); };

  Label1 = new QLabel(QStringLiteral("竞争产品"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(rect(120, 150, 960, 360));
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(rect(1080, 150, 3600, 360));
  Text1->setPlaceholderText(QStringLiteral("产品词，空格分隔"));
  Label1->setBuddy(Text1);
  Label2 = new QLabel(QStringLiteral("项目属地"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(rect(4920, 150, 960, 360));
  Text2 = new QLineEdit(this);
  Text2->setObjectName(QStringLiteral("Text2"));
  Text2->setGeometry(rect(5880, 150, 2400, 360));
  Label2->setBuddy(Text2);
  Command1 = new QPushButton(QStringLiteral("分析(&F)"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(rect(8520, 120, 1200, 420));
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, &FrmfX::Search);
  CommandDC = new QPushButton(QStringLiteral("导出(&E)..."), this);
  CommandDC->setObjectName(QStringLiteral("CommandDC"));
  CommandDC->setGeometry(rect(9840, 120, 1400, 420));
  CommandDC->setAutoDefault(false);
  connect(CommandDC, &QPushButton::clicked, this, &FrmfX::ExportDialog);

  // Out of sight beyond the right edge; Esc closes the window.
  Command2 = new QPushButton(QStringLiteral("取消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setAutoDefault(false);
  Command2->setFocusPolicy(Qt::NoFocus);
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);

  TabFX = new QTabWidget(this);
  TabFX->setObjectName(QStringLiteral("TabFX"));
  auto* list = new AwardListView();
  ListView1 = list;
  ListView1->setObjectName(QStringLiteral("ListView1"));
  MakeReportView(ListView1);
  list_ = new AwardListModel(this);
  list_->setObjectName(QStringLiteral("ListView1Rows"));
  ListView1->setModel(list_);
  ListView1->header()->setStretchLastSection(false);
  ListView1->header()->setSectionsClickable(true);
  ListView1->header()->setSortIndicatorShown(false);
  ListView1->setColumnWidth(0, Px(1000));
  ListView1->setColumnWidth(1, Px(5000));
  ListView1->setColumnWidth(2, Px(kTitleColumnTwips));
  connect(ListView1->header(), &QHeaderView::sectionClicked, this, &FrmfX::SortByColumn);
  TabFX->addTab(ListView1, QStringLiteral("中标记录"));
  summary_ = new CompetitorSummaryPage();
  TabFX->addTab(summary_, QStringLiteral("中标统计"));

  // The full list, never shown.
  ListView2 = new AwardListModel(this);
  ListView2->setObjectName(QStringLiteral("ListView2"));

  MenuXS = new QMenu(QStringLiteral("信息显示"), this);
  MenuXS->setObjectName(QStringLiteral("MenuXS"));
  MenuXX = MenuXS->addAction(QStringLiteral("查询中标公司信息"));
  MenuXX->setObjectName(QStringLiteral("MenuXX"));
  MenuXS->addSeparator();
  MenuZB = MenuXS->addAction(QStringLiteral("中标详细信息"));
  MenuZB->setObjectName(QStringLiteral("MenuZB"));
  connect(MenuXX, &QAction::triggered, this, &FrmfX::LookUpCompany);
  connect(MenuZB, &QAction::triggered, this, &FrmfX::ShowAwardDetails);
  list->menu = MenuXS;
  list->on_click = [this] { ListClicked(); };
  list->on_double_click = [this] { LookUpCompany(); };
  list->on_resize = [this] { FitTitleColumn(); };

  PicZT = new QLabel(QStringLiteral("数据加载中..."), this);
  PicZT->setObjectName(QStringLiteral("PicZT"));
  PicZT->setAlignment(Qt::AlignCenter);
  PicZT->setFrameShape(QFrame::Box);
  PicZT->setAutoFillBackground(true);
  PicZT->resize(Px(3000), Px(600));
  PicZT->hide();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &FrmfX::LoadAwards);
  Timer1->start();

  // The frame, title bar included, fits the screen's free area.
  const QScreen* s = parent && parent->screen() ? parent->screen() : screen();
  const QRect available = s ? s->availableGeometry() : QRect(0, 0, 1280, 800);
  // The design size, or more of a large screen.
  const QSize wanted(std::max(Px(15600), available.width() * 7 / 10),
                     std::max(Px(9600), available.height() * 3 / 4));
  const QSize frame_extra(16, 48);  // until the window manager tells
  resize(std::min(wanted.width(), available.width() - frame_extra.width()),
         std::min(wanted.height(), available.height() - frame_extra.height()));
  move(available.center() - QPoint(width() / 2, height() / 2) -
       QPoint(0, frame_extra.height() / 2));
}

FrmfX::~FrmfX() = default;

int FrmfX::Px(int twips) const {
  return TwipsToPixels(twips, screen() ? screen()->logicalDotsPerInch() : 96.0);
}

void FrmfX::LoadAwards() {
  Timer1->stop();
  if (loaded_) return;
  loaded_ = true;
  const QPoint list_pos = ListView1->mapTo(this, QPoint(0, 0));
  PicZT->move(list_pos.x() + (ListView1->width() - PicZT->width()) / 2,
              list_pos.y() + (ListView1->height() - PicZT->height()) / 2);
  PicZT->show();
  PicZT->raise();
  PicZT->repaint();
  AwardTable table;
  QString error;
  const bool ok = LoadAwardTable(db_, &table, &error);
  setWindowTitle(LoadedCaption(table.count));
  ListView2->SetRows(std::move(table.rows));
  PicZT->hide();
  if (!ok) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取中标数据。"), error);
  }
}

void FrmfX::Search() {
  if (ProductTextMissing(Text1->text())) {
    ShowMessage(this, QMessageBox::Information, QStringLiteral("数据安全"),
                QStringLiteral("请输入分析产品名称!"));
    Text1->setFocus();
    return;
  }
  list_->SetRows(SearchAwards(ListView2->rows(), Text1->text(), Text2->text()));
  ListView1->header()->setSortIndicatorShown(false);
  summary_->ShowRows(list_->rows());
}

void FrmfX::ListClicked() {
  if (list_->rowCount() == 0) {
    SelectedAwardRow = 0;
    return;
  }
  const AwardRow* row = list_->RowAt(ListView1->currentIndex().row());
  SelectedAwardRow = row ? row->number : 0;
}

const AwardRow* FrmfX::SelectedRow() const {
  if (SelectedAwardRow == 0) return nullptr;
  return list_->RowByNumber(SelectedAwardRow);
}

void FrmfX::LookUpCompany() {
  const AwardRow* row = SelectedRow();
  if (!row) return;
  OpenPage(CompanyLookupAddress(engine_base_address_, row->company),
           CompanyLookupCaption(row->company));
}

void FrmfX::ShowAwardDetails() {
  const AwardRow* row = SelectedRow();
  if (!row) return;
  const QString company = row->company;
  const DetailLookup found = FindAwardAnnouncement(db_, row->title);
  if (!found.ok) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法查找该中标公告。"), found.error);
    return;
  }
  if (!found.found) return;
  OpenPage(AnnouncementAddress(found.stored_address, site_base_address_),
           AwardDetailCaption(company));
}

void FrmfX::OpenPage(const QString& address, const QString& caption) {
  emit pageRequested(address, caption);
  if (viewer_) viewer_->Open(address, caption, ViewerMode::kModal);
}

void FrmfX::SortByColumn(int column) {
  sort_order_ = sort_order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  list_->sort(column, sort_order_);
  ListView1->header()->setSortIndicatorShown(true);
  ListView1->header()->setSortIndicator(column, sort_order_);
}

bool FrmfX::ExportTo(const QString& path) {
  QByteArray bytes;
  if (TabFX->currentWidget() == summary_) {
    bytes = SummaryCsv(summary_->model()->summary());
  } else {
    std::vector<const AwardRow*> rows;
    rows.reserve(static_cast<std::size_t>(list_->rowCount()));
    for (int k = 0; k < list_->rowCount(); ++k) rows.push_back(list_->RowAt(k));
    bytes = AwardListCsv(rows);
  }
  QString error;
  if (!WriteFileAtomically(path, bytes, &error)) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("文件保存失败。"), error);
    return false;
  }
  return true;
}

void FrmfX::ExportDialog() {
  const bool summary = TabFX->currentWidget() == summary_;
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  auto* dialog =
      new QFileDialog(this, QStringLiteral("导出CSV"), folder, QStringLiteral("CSV 文件 (*.csv)"));
  dialog->setObjectName(QStringLiteral("DialogDC"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix(QStringLiteral("csv"));
  dialog->selectFile(summary ? QStringLiteral("中标统计.csv") : QStringLiteral("中标记录.csv"));
  connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
    if (!path.isEmpty()) ExportTo(path);
  });
  dialog->open();
}

void FrmfX::FitTitleColumn() {
  // Measured inside the list's frame, so that the columns just fit.
  const int title = ListView1->viewport()->width() - Px(kOtherColumnsTwips);
  ListView1->setColumnWidth(2, title > Px(kTitleColumnTwips) ? title : Px(kTitleColumnTwips));
}

void FrmfX::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // The loading notice stays centred over the list as it stood before.
  const QPoint list_pos = ListView1->mapTo(this, QPoint(0, 0));
  PicZT->move(list_pos.x() + (ListView1->width() - PicZT->width()) / 2,
              list_pos.y() + (ListView1->height() - PicZT->height()) / 2);
  const int left = Px(kListLeftTwips);
  const int top = Px(kListTopTwips);
  TabFX->setGeometry(left, top, std::max(0, width() - 2 * left),
                     std::max(0, height() - top - Px(kBottomTwips)));
  FitTitleColumn();
  Command2->move(width() + Command2->width() + Px(200), 0);
}

}  // namespace talvec
