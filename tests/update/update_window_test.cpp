// The main window's two paths to the update check: TimerSystemUP and the
// menu command MenuUpdate, against the simulator's management server.
#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <functional>

#include "core/settings.h"
#include "core/startup.h"
#include "services/services.h"
#include "sitesim/management.h"
#include "sitesim/site_simulator.h"
#include "tests/message_log.h"
#include "tests/test_support.h"
#include "ui/frmweath.h"
#include "ui/update_menu.h"
#include "update/update_failures.h"

namespace talvec {
namespace {

sitesim::Options SimOptions(const QString& version = {}) {
  sitesim::Options options;
  options.seed = 3;
  options.today = QDate(2026, 12, 8);
  options.new_every_seconds = 0;
  options.management_version = version;
  return options;
}

struct Window {
  // `before_window`: what the start does between the services and the window.
  Window(qint16 upgrade, const QString& server_version,
         const std::function<void(Window&)>& before_window = {})
      : sim(SimOptions(server_version)), log(logs.filePath(QStringLiteral("messages.log"))) {
    EXPECT_TRUE(sim.Listen());
    LoadSystemSettings(temp.db(), &context.settings);
    context.settings.SiteBaseAddress = QStringLiteral("http://127.0.0.1:1");
    context.settings.ManagementBaseAddress = sim.BaseUrl();
    context.settings.research = 2;
    context.settings.Upgrade = upgrade;
    context.db = &temp.db();
    context.version = QStringLiteral("1.01.0020");
    SetMessageSink(&log);
    services = std::make_unique<Services>(
        temp.db(), context.settings, ScheduleOptions{}, WatchOptions{},
        UpdateCheckOptions{temp.folder(),
                           context.version,
                           [this](const QString&) { return ++started, true; },
                           {}});
    if (before_window) before_window(*this);
    window = std::make_unique<FrmWeath>(context, *services);
    window->Load();
    window->show();
    timer = window->findChild<QTimer*>(QStringLiteral("TimerSystemUP"));
    // Ten seconds are the design; the test does not wait that long.
    if (timer) timer->setInterval(50);
  }
  ~Window() { SetMessageSink(nullptr); }
  qint64 VersionRequests() const { return sim.RequestCount(); }
  QString Messages() const {
    QFile f(logs.filePath(QStringLiteral("messages.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  QAction* MenuUpdate() {
    return window->MenuZH->findChild<QAction*>(QStringLiteral("MenuUpdate"));
  }

  sitesim::SiteSimulator sim;
  QTemporaryDir logs;
  test_support::MessageLog log;
  test_support::TempDatabase temp;
  AppContext context;
  std::unique_ptr<Services> services;
  std::unique_ptr<FrmWeath> window;
  QTimer* timer = nullptr;
  int started = 0;
};

TEST(UpdateWindow, TimerPath) {
  {  // Upgrade not 1: the timer never runs, nothing is asked.
    Window w(2, QStringLiteral("1.01.0021"));
    ASSERT_NE(w.timer, nullptr);
    EXPECT_FALSE(w.timer->isActive());
    QTest::qWait(300);
    EXPECT_EQ(w.VersionRequests(), 0);
    EXPECT_EQ(w.started, 0);
  }
  {  // Newer: the updater starts and the window closes.
    Window w(1, QStringLiteral("1.01.0021"));
    EXPECT_TRUE(w.timer->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.started == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window->isVisible(); }, 2000));
    EXPECT_EQ(w.started, 1);
  }
  {  // The newest already: the timer switches itself off, no box.
    Window w(1, QStringLiteral("1.01.0020"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.timer->isActive(); }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(w.VersionRequests(), 1);
    EXPECT_EQ(w.started, 0);
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.Messages(), QString());
  }
}

TEST(UpdateWindow, MenuPath) {
  Window w(2, QStringLiteral("1.01.0020"));
  QAction* update = w.MenuUpdate();
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(update->text(), QStringLiteral("系统升级(&Upgrade)"));
  // After a separator.
  const QList<QAction*> actions = w.window->MenuZH->actions();
  const qsizetype at = actions.indexOf(update);
  ASSERT_GT(at, 0);
  EXPECT_TRUE(actions.at(at - 1)->isSeparator());

  update->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Messages().isEmpty(); }, 5000));
  EXPECT_EQ(w.Messages(), QStringLiteral("%1|系统信息|您正在使用的软件为最新版,不需要升级!|\n")
                              .arg(static_cast<int>(QMessageBox::Information)));
  EXPECT_EQ(w.started, 0);

  // No answer (an empty body, twice): no box, the status bar says so.
  QUrlQuery blank;
  blank.addQueryItem(QStringLiteral("version"), QStringLiteral(" "));
  w.sim.management().Control(blank);
  const qint64 before = w.VersionRequests();
  update->trigger();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return w.window->statusBar()->currentMessage() == QStringLiteral("升级服务器没有应答");
      },
      5000));
  EXPECT_EQ(w.VersionRequests() - before, 2);
  EXPECT_EQ(w.Messages().count(u'\n'), 1);

  // Newer from the menu: the same as from the timer.
  QUrlQuery newer;
  newer.addQueryItem(QStringLiteral("version"), QStringLiteral("1.01.0021"));
  w.sim.management().Control(newer);
  update->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.started == 1; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window->isVisible(); }, 2000));
}

// Started again by the updater after a failure: the cause stays in the
// status bar, the timer does not start the updater again, the menu asks
// before it does.
TEST(UpdateWindow, AFailedUpdateIsToldOnceAndNotTriedAgainUnasked) {
  const QString cause = QStringLiteral("升级包校验失败: 签名与程序内置的公钥不符");
  Window w(1, QStringLiteral("1.01.0021"), [&cause](Window& w) {
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(RecordUpdateStart(w.temp.db(), QStringLiteral("1.01.0021"), now.addSecs(-30)));
    ASSERT_TRUE(WriteUpdateOutcome(w.temp.folder(), {false, cause, now}));
    w.services->update.SettleLastUpdate();
  });
  auto* label = w.window->findChild<QLabel*>(QStringLiteral("LabelUpdate"));
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->isVisible());
  EXPECT_EQ(label->text(), QStringLiteral("升级失败：") + cause);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.VersionRequests() == 1; }, 5000));
  QTest::qWait(500);  // ten ticks of the test's timer
  EXPECT_EQ(w.VersionRequests(), 1);
  EXPECT_EQ(w.started, 0);
  EXPECT_TRUE(w.window->isVisible());
  EXPECT_EQ(w.Messages(), QString());

  w.log.AnswerYes(false);
  w.MenuUpdate()->trigger();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return w.Messages().contains(QStringLiteral("是否再试一次？")); }, 5000));
  EXPECT_TRUE(w.Messages().contains(cause));
  QTest::qWait(100);
  EXPECT_EQ(w.started, 0);
  w.log.AnswerYes(true);
  w.MenuUpdate()->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.started == 1; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window->isVisible(); }, 2000));
}

}  // namespace
}  // namespace talvec
