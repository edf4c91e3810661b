#include "ui/frmweath.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include "competitors/lookup.h"
#include "facts/facts_reader.h"
#include "ui/clock_panel.h"
#include "ui/elided_label.h"
#include "ui/facts_menu.h"
#include "ui/facts_panel.h"
#include "ui/frmfx.h"
#include "ui/report_window.h"
#include "ui/result_list.h"
#include "ui/search_ui.h"
#include "ui/status_light.h"
#include "ui/status_texts.h"
#include "ui/twips.h"
#include "ui/update_menu.h"
#include "ui/viewer.h"
#include "ui/watch_notifier.h"
#include "ui/desk_ui.h"

namespace talvec {

QString TwoLineName(const QString& name) {
  // Words stay whole: the break is the blank nearest the middle, and a name
  // of one word keeps one line.
  const qsizetype middle = name.size() / 2;
  qsizetype best = -1;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (name.at(i) == QLatin1Char(' ') && (best < 0 || qAbs(i - middle) < qAbs(best - middle))) {
      best = i;
    }
  }
  if (best < 0) return name;
  return name.left(best) + QLatin1Char('\n') + name.mid(best + 1);
}

FrmWeath::FrmWeath(AppContext& context, MainWindowServices& services, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      services_(services),
      search_engine_base_(SearchEngineBaseAddress()) {
  setObjectName(QStringLiteral("FrmWeath"));
  CreateControls();
  // The light shows what the services report.
  StatusLight* light = status_light_;
  ServiceActivity& activity = services_.activity();
  connect(&activity, &ServiceActivity::reachabilityChanged, light, &StatusLight::SetUnreachable);
  connect(&activity, &ServiceActivity::cycleStarted, light, &StatusLight::StartCycle);
  connect(&activity, &ServiceActivity::working, light, &StatusLight::StartWorking);
  connect(&activity, &ServiceActivity::cycleFinished, light, [light] { light->StopWorking(true); });
  connect(&activity, &ServiceActivity::analysisEnded, light, [light] { light->StopWorking(true); });
}

FrmWeath::~FrmWeath() {
  // The services outlive the window; they must not call into it.
  services_.SetDateFallback(nullptr);
  services_.SetWatchNotices(nullptr);
}

QTimer* FrmWeath::MakeTimer(const char* name, int interval_ms) {
  auto* timer = new QTimer(this);
  timer->setObjectName(QLatin1String(name));
  timer->setInterval(interval_ms);
  return timer;
}

void FrmWeath::CreateControls() {
  const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
  auto rect = [dpi](int l, int t, int w, int h) { return TwipsRect(l, t, w, h, dpi); };

  // The client area holds the outer panel, which the layout places.
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("FrmWeathClient"));
  setCentralWidget(client);
  Frame1 = new QFrame(client);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame1->setGeometry(rect(45, 0, 19920, 11670));
  resize(rect(0, 0, 20100, 12400).size());

  Frame6 = new QFrame(Frame1);
  Frame6->setObjectName(QStringLiteral("Frame6"));
  Frame6->setGeometry(rect(90, 165, 19845, 1560));

  PicJD = new QLabel(Frame6);
  PicJD->setObjectName(QStringLiteral("PicJD"));
  PicJD->setGeometry(rect(12870, 150, 4455, 1365).translated(-rect(90, 165, 0, 0).topLeft()));
  PicJD->setAutoFillBackground(true);

  Label5 = new ElidedLabel(Frame1);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setGeometry(rect(105, 10560, 3000, 870));
  QFont title = Label5->font();
  title.setPointSize(14);
  title.setBold(true);
  Label5->setFont(title);

  status_light_ = new StatusLight(PicJD, this);

  // The viewer window itself is only created when a page is first shown.
  viewer_ = new Viewer(this);
  // The facts of an announcement the user opens are read first.
  FactsReader& facts = services_.factsReader();
  connect(viewer_, &Viewer::pageRequested, this,
          [&facts](const QString&, const QString& caption) { facts.ReadNow(caption); });
  // Beside each page, its key facts and its project's stages.
  viewer_->SetSidePanelFactory([this, &facts]() -> ViewerSidePanel* {
    auto* card = new FactsCardPanel(*context_.db, facts, *viewer_,
                                    context_.settings.SiteBaseAddress);
    connect(card, &FactsCardPanel::copied, this, [this](const QString& what) {
      ShowNote(statusBar(), QStringLiteral("已复制%1").arg(what));
    });
    return card;
  });
  search_ = new SearchUi(context_, *viewer_, status_light_, this, Frame1, Frame6, this);
  // Budgets and deadlines appear in the result list as the reader finds them.
  connect(&facts, &FactsReader::factsRead, this, [this](const QString& title, int) {
    search_->ListView2()->resultModel()->FactsArrived(title);
  });
  MenuGR = search_->MenuGR;
  watch_notices_ = new WatchNotifier(context_, *viewer_, this);
  services_.SetWatchNotices(watch_notices_);
  MenuGR->addSeparator();
  MenuGZ = MenuGR->addAction(QStringLiteral("我的观注(&M)"));
  MenuGZ->setObjectName(QStringLiteral("MenuGZ"));
  MenuGZ->setShortcut(QKeySequence(Qt::Key_F3));
  connect(MenuGZ, &QAction::triggered, watch_notices_, [this] { watch_notices_->OpenWatchList(); });
  desk_ = new DeskUi(context_, *viewer_, services_.reminders(), *watch_notices_, MenuGR, this);
  connect(desk_, &DeskUi::noted, this, [this](const QString& text) { ShowNote(statusBar(), text); });
  // The result list's export, from the menu too.
  MenuGR->addAction(search_->MenuExport);
  auto add_menu = [this](const char* name, const QString& caption) {
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
  };
  MenuData = add_menu("MenuData", QStringLiteral("【大数据】"));
  MenuSystem = add_menu("MenuSystem", QStringLiteral("【系统管理】"));
  MenuZH = add_menu("MenuZH", QStringLiteral("【帮助】"));
  BuildShellMenus();
  MenuFX = MenuData->addAction(QStringLiteral("竞争对手分析(&F)"));
  MenuFX->setObjectName(QStringLiteral("MenuFX"));
  MenuFX->setShortcut(QKeySequence(Qt::Key_F5));
  connect(MenuFX, &QAction::triggered, this, [this] { OpenCompetitorAnalysis(); });
  InstallFactsCommands(this, MenuData, services_.factsReader());

  // The status bar says what the collection is doing, how many rows the
  // result list shows, and confirms what succeeded quietly.
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  LabelCollect = new QLabel(statusBar());
  LabelCollect->setObjectName(QStringLiteral("LabelCollect"));
  LabelCollect->setText(ProgressText(services_.progress()));
  statusBar()->addWidget(LabelCollect, 1);
  connect(&services_.activity(), &ServiceActivity::progressChanged, LabelCollect,
          [this](const CollectionProgress& progress) {
            LabelCollect->setText(ProgressText(progress));
          });
  connect(search_, &SearchUi::rowsShown, this,
          [this](qint64 rows) { ShowCount(statusBar(), rows); });
  connect(search_, &SearchUi::noted, this,
          [this](const QString& text) { ShowNote(statusBar(), text); });
  // An item without a readable date takes the date of the result list's
  // next-to-last row.
  services_.SetDateFallback(search_);

  // Timers as the window's design has them; all stopped until load.
  Timer4 = MakeTimer("Timer4", 1000);
  Picture1 = new ClockPanel(context_.program_folder + QStringLiteral("/help/clock.png"), Frame1);
  Picture1->setGeometry(rect(11940, 9195, 3495, 1335));
  connect(Timer4, &QTimer::timeout, this, &FrmWeath::ClockTick);
  TimerSystemUP = MakeTimer("TimerSystemUP", 10000);
  InstallUpdateCommands(this, MenuZH, TimerSystemUP, services_.updateCheck());
  AddAboutEntry();
}

void FrmWeath::Load() {
  // 1. The version text.
  version_string_ = context_.version;
  // Where the user left the window in an earlier run.
  RestorePlacement();
  // 3. The title label.
  Label5->SetFullText(TwoLineName(QLatin1String(kDisplayName)));
  // 4. The status light starts hidden.
  PicJD->hide();
  // 6. Type options by the channel flags.
  search_->ApplyTypeOptions();
  // 2., 7. to 9. The background work: not connected until the probe says
  // so, the schedule timer by its setting, the watch matcher's TimerGZ, the
  // first schedule check a minute after start, the probe of the site.
  services_.StartAtLoad(context_.settings.research);
  // 7. The upgrade timer follows its setting.
  if (context_.settings.Upgrade == 1) TimerSystemUP->start();
  // 10. The search period ends today and starts a week before.
  search_->InitDatePickers();
  // 11. The result list's columns.
  search_->SetupColumns();
  // 12. All types; no working pulse.
  search_->ResetSearchType();
  status_light_->StopWorking(false);
  // 13. The caption.
  setWindowTitle(QLatin1String(kDisplayName));
  // The clock runs from load; the layout follows the window from now on.
  Timer4->start();
  ApplyLayout();
}

FrmfX* FrmWeath::OpenCompetitorAnalysis() {
  if (!context_.db) return nullptr;
  services_.PauseCollection();
  if (!frmfx_) {
    frmfx_ = new FrmfX(*context_.db, viewer_, context_.settings.SiteBaseAddress,
                       search_engine_base_, this);
  }
  frmfx_->show();
  frmfx_->raise();
  frmfx_->activateWindow();
  services_.ResumeCollection();
  return frmfx_;
}

void FrmWeath::closeEvent(QCloseEvent* event) {
  event->accept();
  KeepPlacement();
  // Everything stops at once, also in the middle of a cycle: the window's
  // own timers here, the services and the database in the handler.
  for (QTimer* timer : findChildren<QTimer*>()) timer->stop();
  if (shutdown_) shutdown_();
}

}  // namespace talvec
