#include "ui/frmweath.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>

#include "ui/viewer.h"
#include "ui/result_list.h"
#include "ui/search_ui.h"
#include "ui/twips.h"

namespace talvec {

QString TwoLineName(const QString& name) {
  const qsizetype half = (name.size() + 1) / 2;
  return name.left(half) + QLatin1Char('\n') + name.mid(half);
}

FrmWeath::FrmWeath(AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context) {
  setObjectName(QStringLiteral("FrmWeath"));
  network_ = new NetworkStatus(fetcher_, context_.settings.SiteBaseAddress, this);
  schedule_ = new CollectionSchedule(*context_.db, context_.settings, fetcher_, *network_, this);
  auto_analysis_ = new AutoAnalysis(*context_.db, context_.settings, fetcher_, *network_, this);
  // Each collection cycle switches automatic analysis on or off.
  connect(schedule_, &CollectionSchedule::cycleStarted, auto_analysis_,
          &AutoAnalysis::OnCycleStart);
  CreateControls();
  connect(network_, &NetworkStatus::lightChanged, this, &FrmWeath::ShowLight);
}

FrmWeath::~FrmWeath() = default;

QTimer* FrmWeath::MakeTimer(const char* name, int interval_ms) {
  auto* timer = new QTimer(this);
  timer->setObjectName(QLatin1String(name));
  timer->setInterval(interval_ms);
  return timer;
}

void FrmWeath::CreateControls() {
  const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
  auto rect = [dpi](int l, int t, int w, int h) { return TwipsRect(l, t, w, h, dpi); };

  Frame1 = new QFrame(this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  setCentralWidget(Frame1);
  resize(rect(0, 0, 20100, 12400).size());

  Frame6 = new QFrame(Frame1);
  Frame6->setObjectName(QStringLiteral("Frame6"));
  Frame6->setGeometry(rect(90, 165, 19845, 1560));

  PicJD = new QLabel(Frame6);
  PicJD->setObjectName(QStringLiteral("PicJD"));
  PicJD->setGeometry(rect(12870, 150, 4455, 1365).translated(-rect(90, 165, 0, 0).topLeft()));
  PicJD->setAutoFillBackground(true);

  Label5 = new QLabel(Frame1);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setGeometry(rect(105, 10560, 3000, 870));
  QFont title = Label5->font();
  title.setPointSize(14);
  title.setBold(true);
  Label5->setFont(title);

  // The viewer window itself is only created when a page is first shown.
  viewer_ = new Viewer(this);
  search_ = new SearchUi(context_, *viewer_, network_, this, Frame1, Frame6, this);

  // The status bar says what the collection is doing.
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  LabelCollect = new QLabel(statusBar());
  LabelCollect->setObjectName(QStringLiteral("LabelCollect"));
  LabelCollect->setText(ProgressText(schedule_->progress()));
  statusBar()->addWidget(LabelCollect, 1);
  connect(schedule_, &CollectionSchedule::progressChanged, LabelCollect, &QLabel::setText);
  // An item without a date takes the date column of the result list's
  // next-to-last row.
  schedule_->SetDateFallback([this] {
    const QAbstractItemModel* model = search_->ListView2()->model();
    const int rows = model ? model->rowCount() : 0;
    return rows >= 2 ? model->index(rows - 2, kColDate).data().toString() : QString();
  });

  // Timers as the window's design has them; all stopped until load.
  Timer4 = MakeTimer("Timer4", 1000);
  TimerGZ = MakeTimer("TimerGZ", 1000);
  TimerSystemUP = MakeTimer("TimerSystemUP", 10000);
}

void FrmWeath::Load() {
  // 1. The version text.
  version_string_ = context_.version;
  // 2. Not connected until the probe says so.
  network_->SetNetworkOk(false);
  // 3. The title label.
  Label5->setText(TwoLineName(QLatin1String(kDisplayName)));
  // 4. The status light starts hidden.
  PicJD->hide();
  // 6. Type options by the channel flags.
  search_->ApplyTypeOptions();
  // 7. The schedule and upgrade timers follow their settings.
  schedule_->LoadScheduleTimer(context_.settings.research);
  if (context_.settings.Upgrade == 1) TimerSystemUP->start();
  // 8. The first check of the schedule comes a minute after start.
  schedule_->LoadFirstSchedulePass();
  // 9. The probe of the procurement site; the window opens without waiting.
  network_->StartupProbe();
  // 10. The search period ends today and starts a week before.
  search_->InitDatePickers();
  // 11. The result list's columns.
  search_->SetupColumns();
  // 12. All types; no working pulse.
  search_->ResetSearchType();
  network_->StopWorkingPulse(false);
  // 13. The caption.
  setWindowTitle(QLatin1String(kDisplayName));
}

void FrmWeath::ShowLight(bool visible, int red, int green, int blue) {
  if (!visible) {
    PicJD->hide();
    return;
  }
  QPalette palette = PicJD->palette();
  palette.setColor(QPalette::Window, QColor(red, green, blue));
  PicJD->setPalette(palette);
  PicJD->show();
}

void FrmWeath::closeEvent(QCloseEvent* event) {
  event->accept();
  // Everything stops at once, also in the middle of a cycle.
  for (QTimer* timer : findChildren<QTimer*>()) timer->stop();
  if (context_.db) context_.db->CloseDatabase();
  if (shutdown_) shutdown_();
}

}  // namespace talvec
