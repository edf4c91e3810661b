// Runs in a real X window (xvfb, under a window manager) against the site
// simulator: a new announcement matches the watched words, a matcher run
// (its tick count set by the test) adds it, asks for the notice sound and
// shows FrmGZ with the entry unread at the top; a later run while the
// window is open refills it; a double click opens the entry and marks it
// read once the viewer closes. Screenshots go to TALVEC_SCREENSHOTS.
#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "collect/channels.h"
#include "core/settings.h"
#include "core/text.h"
#include "services/services.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"
#include "ui/frmgz.h"
#include "ui/frmweath.h"
#include "ui/viewer.h"
#include "ui/watch_list_model.h"
#include "ui/watch_notifier.h"
#include "ui/watch_rules_page.h"
#include "watch/watch_rules.h"

namespace talvec {
namespace {

QString ScreenshotPath(const char* name) {
  const QString dir = qEnvironmentVariable("TALVEC_SCREENSHOTS", "/tmp");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + QLatin1String(name);
}

TEST(WatchWindow, ANewMatchingAnnouncementReachesTheOpenWatchList) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    GTEST_SKIP() << "needs a real display (xvfb-run)";
  }
  sitesim::Options sim_options;
  sim_options.seed = 5;
  sim_options.new_every_seconds = 0;
  sitesim::SiteSimulator sim(sim_options);
  ASSERT_TRUE(sim.Listen());

  Viewer::SetModuleFolder(QStringLiteral(TALVEC_BIN_DIR));
  test_support::TempDatabase temp;
  Database& db = temp.db();
  AppContext context;
  context.db = &db;
  context.program_folder = QStringLiteral(TALVEC_BIN_DIR);
  LoadSystemSettings(db, &context.settings);
  context.settings.SiteBaseAddress = sim.BaseUrl();
  context.settings.research = 2;  // no collection but the test's
  context.settings.PopupNotice = true;
  context.settings.SoundNotice = true;
  // Read before, and an older one left unread.
  const QString today = QDate::currentDate().toString("yyyy-MM-dd");
  ASSERT_TRUE(db.Execute(
      "INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES('成都市电脑采购（已阅）', '/r', ?, '2'), "
      "('成都市空调采购（未阅）', '/u', ?, '1')",
      today, QDate::currentDate().addDays(-2).toString("yyyy-MM-dd")));

  // The matcher's counter starts one tick before a run.
  Services services(db, context.settings, {}, WatchOptions{WatchMatcher::kTicksBetweenRuns, {}, 4});
  FrmWeath window(context, services);
  window.Load();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(services.watch.timerGZ().isActive());

  auto collect = [&](int type) {
    const sitesim::Announcement a = sim.AddAnnouncement(type);
    const PageOutcome outcome = QCoro::waitFor(services.schedule.CollectListPage(
        ListRequestAddress(sim.BaseUrl(), *ChannelOfType(type), 1), type));
    (void)outcome;
    return TrimBlanks(a.title).left(127);
  };
  const QString first = collect(1);
  ASSERT_EQ(db.Scalar("SELECT count(*) FROM List WHERE MC = ?", first).toInt(), 1);
  ASSERT_TRUE(db.Execute("UPDATE SysSet SET AttentionProduct = ?, AttentionPlace = ''", first));

  WatchNotifier& notices = window.watchNotices();
  QSignalSpy runs(&services.watch, &WatchMatcher::runFinished);
  services.watch.Tick();  // the 481st
  ASSERT_TRUE(runs.count() == 1 || runs.wait(10000));
  EXPECT_EQ(notices.soundRequests(), 1);
  FrmGZ* gz = notices.watchList();
  ASSERT_NE(gz, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(gz));
  EXPECT_EQ(gz->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(gz->model()->TextAt(0, WatchListModel::kColTitle), first);
  EXPECT_EQ(gz->model()->TextAt(0, WatchListModel::kColState), QStringLiteral("未阅"));
  EXPECT_EQ(gz->model()->TextAt(1, WatchListModel::kColState), QStringLiteral("未阅"));
  EXPECT_EQ(gz->model()->TextAt(2, WatchListModel::kColState), QStringLiteral("已阅"));
  EXPECT_EQ(gz->Text1->text(), first);
  // Background work goes on while the window is open.
  EXPECT_TRUE(services.watch.timerGZ().isActive());
  QTest::qWait(600);
  EXPECT_TRUE(gz->screen()->availableGeometry().contains(gz->frameGeometry()));
  gz->screen()->grabWindow(0).save(ScreenshotPath("watch_popup.png"));

  // A later run while the window is open: the same window, refilled.
  const QString second = collect(1);
  ASSERT_TRUE(db.Execute("UPDATE SysSet SET AttentionProduct = ?", first + u' ' + second));
  for (int i = 0; i < WatchMatcher::kTicksBetweenRuns + 1; ++i) services.watch.Tick();
  ASSERT_TRUE(runs.count() == 2 || runs.wait(10000));
  EXPECT_EQ(notices.watchList(), gz);
  EXPECT_EQ(notices.soundRequests(), 2);
  EXPECT_EQ(gz->model()->rowCount(), 4);
  EXPECT_EQ(window.findChildren<FrmGZ*>().size(), 1);

  // A double click opens the entry; it is read once the viewer closes.
  const int row = gz->model()->TextAt(0, WatchListModel::kColTitle) == first ? 0 : 1;
  ASSERT_EQ(gz->model()->TextAt(row, WatchListModel::kColTitle), first);
  const QRect cell = gz->ListView1->visualRect(gz->model()->index(row, WatchListModel::kColTitle));
  QTest::mouseClick(gz->ListView1->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(gz->ListView1->viewport(), Qt::LeftButton, {}, cell.center());
  QWidget* viewer = window.viewer().window();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->windowTitle(), first);
  EXPECT_EQ(db.Scalar("SELECT ZT FROM Attention WHERE MC = ?", first).toString(), "1");
  QTest::qWait(1500);
  viewer->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.viewer().window() == nullptr; }, 5000));
  EXPECT_EQ(db.Scalar("SELECT ZT FROM Attention WHERE MC = ?", first).toString(), "2");
  EXPECT_EQ(gz->model()->TextAt(2, WatchListModel::kColTitle), first);  // among the read ones
  QTest::qWait(300);
  gz->screen()->grabWindow(0).save(ScreenshotPath("watch_after_read.png"));

  // Closing the window ends the notice sound with it; the menu opens it again.
  gz->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return notices.watchList() == nullptr; }, 5000));
  window.MenuGZ->trigger();
  ASSERT_NE(notices.watchList(), nullptr);
  EXPECT_EQ(notices.watchList()->model()->rowCount(), 4);
  notices.watchList()->close();
}

// Two rules beside the default words: the run names each entry's rule, the
// rules' tab lists both, the editor tries one on the last 30 days.
TEST(WatchWindow, TwoRulesOnTheRulesTab) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    GTEST_SKIP() << "needs a real display (xvfb-run)";
  }
  test_support::TempDatabase temp;
  Database& db = temp.db();
  const QDate today = QDate::currentDate();
  ASSERT_TRUE(
      db.Execute("UPDATE SysSet SET AttentionProduct = '电脑', AttentionPlace = '成都', "
                 "AttentionTime = 7, AttentionSave = 30"));
  const struct {
    const char* title;
    int days_back, type;
  } list[] = {{"成都市教育局电脑采购项目公开招标公告", 0, 2},
              {"绵阳市人民医院电梯采购项目公开招标公告", 1, 2},
              {"绵阳市政务中心电梯维修服务公开招标公告", 1, 2},
              {"绵阳市涪城区电梯采购项目结果公告", 2, 4},
              {"德阳市第一中学空调采购项目竞争性磋商公告", 3, 7},
              {"绵阳市游仙区电梯更新改造项目公开招标公告", 20, 2}};
  for (const auto& a : list) {
    ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, '/a.html', ?, ?)", a.title,
                           today.addDays(-a.days_back).toString("yyyy-MM-dd"), a.type));
  }
  WatchRule lift;
  lift.name = "电梯-绵阳";
  lift.products = "电梯";
  lift.places = "绵阳";
  lift.excludes = "维修";
  lift.types = "1,2,6,7";
  lift.sound = true;
  WatchRule air;
  air.name = "空调";
  air.products = "空调 新风";
  air.min_budget = 100000;
  ASSERT_TRUE(SaveWatchRule(db, lift));
  ASSERT_TRUE(SaveWatchRule(db, air));
  SystemSettings settings;
  WatchMatcher matcher(db, settings, WatchOptions{});
  const WatchRunResult run = QCoro::waitFor(matcher.Run());
  EXPECT_EQ(run.added.size(), 3);
  EXPECT_EQ(run.rules, QStringList({"默认规则", "电梯-绵阳", "空调"}));
  EXPECT_TRUE(run.sound);

  FrmGZ gz(db, settings, {});
  gz.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&gz));
  QStringList named;
  for (int r = 0; r < gz.model()->rowCount(); ++r) {
    named.append(gz.model()->TextAt(r, WatchListModel::kColRule));
  }
  named.sort();
  EXPECT_EQ(named, QStringList({"电梯-绵阳", "空调", "默认规则"}));
  QTest::qWait(400);
  gz.screen()->grabWindow(0).save(ScreenshotPath("watch_rule_column.png"));

  gz.TabGZ->setCurrentIndex(1);
  EXPECT_EQ(gz.RulesPage->ListRules->model()->rowCount(), 2);
  EXPECT_TRUE(gz.RulesPage->ListRules->isVisible());
  EXPECT_TRUE(gz.screen()->availableGeometry().contains(gz.frameGeometry()));
  QTest::qWait(400);
  gz.screen()->grabWindow(0).save(ScreenshotPath("watch_rules_tab.png"));

  gz.RulesPage->ListRules->setCurrentIndex(gz.RulesPage->ListRules->model()->index(0, 0));
  QPointer<WatchRuleEditor> editor = gz.RulesPage->EditRule();
  ASSERT_TRUE(editor);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
  QTest::mouseClick(editor->CommandTry, Qt::LeftButton);
  // Within 30 days, not repaired, an announcement type: two of them.
  EXPECT_EQ(editor->ListTry->model()->rowCount(), 2);
  EXPECT_TRUE(editor->LabelTry->text().contains("2 条")) << editor->LabelTry->text().toStdString();
  QTest::qWait(400);
  gz.screen()->grabWindow(0).save(ScreenshotPath("watch_rule_editor.png"));
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return editor.isNull(); }, 3000));
  matcher.Stop();
}

}  // namespace
}  // namespace talvec
