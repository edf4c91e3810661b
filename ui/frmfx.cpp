#include "ui/frmfx.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>

#include "competitors/award_list_model.h"
#include "competitors/export.h"
#include "competitors/lookup.h"
#include "competitors/summary_model.h"
#include "core/database.h"
#include "dialogs/messages.h"
#include "ui/competitor_summary_page.h"
#include "ui/report_view.h"
#include "ui/twips.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {

FrmfX::FrmfX(Database& db, Viewer* viewer, QString site_base_address, QString engine_base_address,
             QWidget* parent)
    : ReportWindow(QStringLiteral("FrmfX"), QStringLiteral("竞争对手分析"), parent),
      db_(db),
      viewer_(viewer),
      site_base_address_(std::move(site_base_address)),
      engine_base_address_(std::move(engine_base_address)) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

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

  TabFX = new QTabWidget(this);
  TabFX->setObjectName(QStringLiteral("TabFX"));
  ListView1 = new ReportListView();
  ListView1->setObjectName(QStringLiteral("ListView1"));
  list_ = new AwardListModel(this);
  list_->setObjectName(QStringLiteral("ListView1Rows"));
  ListView1->setModel(list_);
  ListView1->SetColumnTwips(AwardListModel::kColNumber, 1000);
  ListView1->SetColumnTwips(AwardListModel::kColCompany, 5000);
  ListView1->SetFillColumn(AwardListModel::kColTitle, 8000);
  ListView1->EnableHeaderSorting(Qt::DescendingOrder);
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
  ListView1->SetContextMenu(MenuXS);
  connect(ListView1, &ReportListView::listClicked, this, &FrmfX::ListClicked);
  connect(ListView1, &ReportListView::listDoubleClicked, this, &FrmfX::LookUpCompany);

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

  statusBar();
  PlaceBody(TabFX, 120, 660, 0, 500);
  // The design size, or more of a large screen.
  FitToScreen(QSize(15600, 9600), QSizeF(0.7, 0.75));
}

FrmfX::~FrmfX() = default;

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
  Result<AwardTable> table = LoadAwardTable(db_);
  setWindowTitle(LoadedCaption(table ? table->count : 0));
  ListView2->SetRows(table ? std::move(table->rows) : std::vector<AwardRow>());
  PicZT->hide();
  if (!table) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取中标数据。"), table.error().FullText());
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
  ShowCount(list_->rowCount());
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
  const DetailLookup found = FindAwardAnnouncement(db_, row->title.ToString());
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
  ShowNote(QStringLiteral("已导出到 %1").arg(QDir::toNativeSeparators(path)));
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

void FrmfX::resizeEvent(QResizeEvent* event) {
  // The loading notice stays centred over the list as it stood before.
  const QPoint list_pos = ListView1->mapTo(this, QPoint(0, 0));
  PicZT->move(list_pos.x() + (ListView1->width() - PicZT->width()) / 2,
              list_pos.y() + (ListView1->height() - PicZT->height()) / 2);
  ReportWindow::resizeEvent(event);
}

}  // namespace talvec
