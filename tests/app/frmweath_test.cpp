// The main window's load, in process and offscreen.
#include "ui/frmweath.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "core/settings.h"
#include "services/services.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

struct Window {
  explicit Window(qint16 research, qint16 upgrade) {
    LoadSystemSettings(temp.db(), &context.settings);
    context.settings.SiteBaseAddress = QStringLiteral("http://127.0.0.1:1");  // nobody there
    context.settings.research = research;
    context.settings.Upgrade = upgrade;
    context.db = &temp.db();
    context.version = QStringLiteral("1.01.0020");
    services = std::make_unique<Services>(temp.db(), context.settings);
    window = std::make_unique<FrmWeath>(context, *services);
    window->Load();
  }
  // The window's own timers, or those of the services it shows.
  QTimer* timer(const char* name) {
    for (QObject* owner :
         std::initializer_list<QObject*>{window.get(), &services->schedule, &services->analysis,
                                         &services->network, &services->watch}) {
      if (auto* t = owner->findChild<QTimer*>(QLatin1String(name))) return t;
    }
    return nullptr;
  }

  test_support::TempDatabase temp;
  AppContext context;
  std::unique_ptr<Services> services;
  std::unique_ptr<FrmWeath> window;
};

TEST(FrmWeath, LoadSetsCaptionTitleAndTimers) {
  Window w(1, 1);
  EXPECT_EQ(w.window->objectName(), QStringLiteral("FrmWeath"));
  EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Veltrano"));
  auto* label = w.window->findChild<QLabel*>(QStringLiteral("Label5"));
  ASSERT_NE(label, nullptr);
  // One word stays whole; a name of words breaks at a blank.
  EXPECT_EQ(label->text(), QStringLiteral("Veltrano"));
  EXPECT_EQ(TwoLineName(QStringLiteral("Veltrano Bid Desk")), QStringLiteral("Veltrano\nBid Desk"));
  EXPECT_EQ(w.window->VersionString(), QStringLiteral("1.01.0020"));
  ASSERT_NE(w.timer("TimerUpdate"), nullptr);
  EXPECT_TRUE(w.timer("TimerUpdate")->isActive());
  ASSERT_NE(w.timer("TimerSystemUP"), nullptr);
  EXPECT_TRUE(w.timer("TimerSystemUP")->isActive());
  ASSERT_NE(w.timer("TimerGZ"), nullptr);
  EXPECT_TRUE(w.timer("TimerGZ")->isActive());
  EXPECT_EQ(w.timer("TimerGZ")->interval(), 1000);
  EXPECT_FALSE(w.timer("Timer1")->isActive());
  EXPECT_FALSE(w.timer("Timer2")->isActive());
  EXPECT_FALSE(w.services->network.NetworkOk());
  auto* light = w.window->findChild<QWidget*>(QStringLiteral("PicJD"));
  ASSERT_NE(light, nullptr);
  EXPECT_TRUE(light->isHidden());
}

TEST(FrmWeath, TheWatchListIsF3AfterASeparatorBelowTheFavorites) {
  Window w(2, 2);
  const QList<QAction*> items = w.window->MenuGR->actions();
  ASSERT_GE(items.size(), 3);
  EXPECT_EQ(items[0]->text(), QStringLiteral("收藏夹(&F)"));
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2], w.window->MenuGZ);
  EXPECT_EQ(items[2]->text(), QStringLiteral("我的观注(&M)"));
  EXPECT_EQ(items[2]->shortcut(), QKeySequence(Qt::Key_F3));
}

TEST(FrmWeath, ManualCollectionAndUpgradeLeaveTheirTimersStopped) {
  Window w(2, 2);
  EXPECT_FALSE(w.timer("TimerUpdate")->isActive());
  EXPECT_FALSE(w.timer("TimerSystemUP")->isActive());
}

TEST(FrmWeath, ClosingStopsEverythingAndClosesTheDatabase) {
  Window w(1, 2);
  bool ended = false;
  w.window->SetShutdownHandler([&] {
    w.services->Stop();
    w.temp.db().CloseDatabase();
    ended = true;
  });
  w.window->close();
  EXPECT_TRUE(ended);
  EXPECT_FALSE(w.temp.db().IsOpen());
  for (QTimer* t : w.window->findChildren<QTimer*>())
    EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
  for (QObject* service : std::initializer_list<QObject*>{
           &w.services->schedule, &w.services->analysis, &w.services->network}) {
    for (QTimer* t : service->findChildren<QTimer*>())
      EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
  }
}

QStringList& Warnings() {
  static QStringList warnings;
  return warnings;
}

TEST(FrmWeath, ClosedInTheMiddleOfACycleAndABatchNothingRunsAfterwards) {
  sitesim::Options options;
  options.seed = 3;
  options.today = QDate::currentDate();
  options.days_back = 20;
  options.new_every_seconds = 0;
  sitesim::SiteSimulator sim(options);
  ASSERT_TRUE(sim.Listen());
  test_support::TempDatabase temp;
  AppContext context;
  LoadSystemSettings(temp.db(), &context.settings);
  context.settings.SiteBaseAddress = sim.BaseUrl();
  context.db = &temp.db();
  Services services(temp.db(), context.settings, {.construction_base = sim.BaseUrl()});
  FrmWeath window(context, services);
  // The program's shutdown, with the event loop left running afterwards.
  window.SetShutdownHandler([&] {
    services.Stop();
    temp.db().CloseDatabase();
  });
  window.Load();
  services.network.SetNetworkOk(true);
  Warnings().clear();
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg) Warnings() << text;
      });

  services.schedule.RunCollectionCycle();
  auto rows = [&] { return temp.db().Scalar("SELECT count(*) FROM List WHERE LX=4").toInt(); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return rows() > 0; }, 10000));
  services.analysis.OnTimerAuto();  // a batch of result pages starts too
  ASSERT_TRUE(services.analysis.BatchRunning());
  ASSERT_TRUE(services.schedule.CycleRunning());
  // Requests already on their way when the window closes may still reach
  // the site; nothing new may follow.
  const int in_flight = services.fetcher.pending();
  const qint64 requests = sim.RequestCount();
  window.close();
  EXPECT_EQ(services.fetcher.pending(), 0);
  QTest::qWait(300);
  const qint64 settled = sim.RequestCount();
  EXPECT_LE(settled, requests + in_flight);
  QTest::qWait(2000);
  qInstallMessageHandler(previous);
  EXPECT_EQ(sim.RequestCount(), settled);
  EXPECT_TRUE(Warnings().filter(QStringLiteral("closed database")).isEmpty())
      << Warnings().join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace talvec
