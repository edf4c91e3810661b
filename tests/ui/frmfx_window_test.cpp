// The competitor window in a real X window (xvfb, under a window manager):
// awards that analysis found on the simulated site, F5, a search, the
// company look-up page of the simulator in the viewer, and the summary
// page with its charts. Screenshots go to TALVEC_SCREENSHOTS (default
// /tmp), named with TALVEC_SCREENSHOT_TAG.
#include <gtest/gtest.h>
#include <QBarSeries>
#include <QChartView>
#include <QDir>
#include <QGuiApplication>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "analysis/auto_analysis.h"
#include "competitors/award_list_model.h"
#include "competitors/summary_model.h"
#include "core/settings.h"
#include "core/text.h"
#include "services/services.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"
#include "ui/competitor_summary_page.h"
#include "ui/frmfx.h"
#include "ui/frmweath.h"
#include "ui/viewer.h"

namespace talvec {
namespace {

QString ScreenshotPath(const char* name) {
  const QString dir = qEnvironmentVariable("TALVEC_SCREENSHOTS", "/tmp");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + qEnvironmentVariable("TALVEC_SCREENSHOT_TAG", "fx") +
         QLatin1Char('_') + QLatin1String(name);
}

void Shoot(const char* name) {
  QTest::qWait(400);
  QGuiApplication::primaryScreen()->grabWindow(0).save(ScreenshotPath(name));
}

TEST(CompetitorWindow, FindsTheWinnersLooksThemUpAndChartsThem) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    GTEST_SKIP() << "needs a real display (xvfb-run)";
  }
  sitesim::Options options;
  options.seed = 7;
  options.today = QDate(2026, 12, 8);
  options.new_every_seconds = 0;
  sitesim::SiteSimulator sim(options);
  ASSERT_TRUE(sim.Listen());
  Viewer::SetModuleFolder(QStringLiteral(TALVEC_BIN_DIR));

  test_support::TempDatabase temp;
  AppContext context;
  context.db = &temp.db();
  LoadSystemSettings(temp.db(), &context.settings);
  context.settings.SiteBaseAddress = sim.BaseUrl();
  context.settings.AutoAnalysis = 1;
  context.settings.research = 2;
  for (int type : {4, 9}) {
    for (const sitesim::Announcement& a : sim.Announcements(type)) {
      temp.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)",
                        TrimBlanks(a.title).left(127), a.address, a.date.toString(Qt::ISODate),
                        type);
    }
  }
  Services services(temp.db(), context.settings);
  services.network.SetNetworkOk(true);
  // Analysis of the newest result announcements, a batch at a time.
  for (int batch = 0; batch < 25; ++batch) {
    QSignalSpy done(&services.analysis, &AutoAnalysis::batchFinished);
    services.analysis.OnTimerAuto();
    if (!done.wait(30000)) break;
  }
  services.analysis.StopTimer();
  const qint64 awards = temp.db().Scalar("SELECT count(*) FROM GYS").toLongLong();
  ASSERT_GT(awards, 50);

  FrmWeath window(context, services);
  window.SetSearchEngineBase(sim.BaseUrl());
  window.Load();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  QTest::keyClick(&window, Qt::Key_F5);
  FrmfX* fx = window.findChild<FrmfX*>("FrmfX");
  ASSERT_NE(fx, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fx));
  ASSERT_TRUE(QTest::qWaitFor([fx] { return !fx->Timer1->isActive(); }, 5000));
  EXPECT_EQ(fx->windowTitle(), QStringLiteral("竞争对手分析--共有记录%1条").arg(awards));
  QTest::qWait(500);
  // The frame, title bar and close box included, lies on the screen.
  const QRect available = fx->screen()->availableGeometry();
  EXPECT_TRUE(available.contains(fx->frameGeometry()))
      << fx->frameGeometry().width() << "x" << fx->frameGeometry().height() << " at "
      << fx->frameGeometry().x() << "," << fx->frameGeometry().y() << " on " << available.width()
      << "x" << available.height();

  fx->Text1->setText(QStringLiteral("计算机 电脑 打印机"));
  fx->Text2->setText(QStringLiteral("成都"));
  QTest::mouseClick(fx->Command1, Qt::LeftButton);
  if (fx->ListView1->model()->rowCount() < 3) {
    fx->Text2->clear();
    QTest::mouseClick(fx->Command1, Qt::LeftButton);
  }
  const int found = fx->ListView1->model()->rowCount();
  ASSERT_GT(found, 0);
  for (int r = 0; r < found; ++r) {
    const QString title = fx->ListView1->model()->index(r, 2).data().toString();
    EXPECT_TRUE(title.contains(QStringLiteral("计算机")) ||
                title.contains(QStringLiteral("电脑")) || title.contains(QStringLiteral("打印机")))
        << title.toStdString();
    EXPECT_TRUE(title.contains(fx->Text2->text()));
  }
  Shoot("list.png");

  // A double click shows the simulator's page about that company, whole.
  const QModelIndex first = fx->ListView1->model()->index(0, 1);
  const QString company = first.data().toString();
  QTest::mouseClick(fx->ListView1->viewport(), Qt::LeftButton, {},
                    fx->ListView1->visualRect(first).center());
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseDClick(fx->ListView1->viewport(), Qt::LeftButton, {},
                     fx->ListView1->visualRect(first).center());
  QWidget* viewer = window.viewer().window();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->windowTitle(), QStringLiteral("查询公司信息:") + company);
  EXPECT_TRUE(viewer->isModal());
  auto* browser = viewer->findChild<QWidget*>("WebBrowser1");
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->y(), 0);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return browser->property("title").toString().endsWith(QStringLiteral("_搜索结果")); },
      20000));
  EXPECT_EQ(browser->property("title").toString(), company + QStringLiteral("_搜索结果"));
  Shoot("lookup.png");
  QPointer<QWidget> guard(viewer);
  viewer->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 5000));

  // The summary page: the table and both charts.
  fx->TabFX->setCurrentWidget(fx->summaryPage());
  CompetitorSummaryPage* page = fx->summaryPage();
  ASSERT_GT(page->model()->rowCount(), 0);
  int wins = 0;
  for (const CompanySummary& s : page->model()->summary()) wins += s.wins;
  EXPECT_EQ(wins, found);
  EXPECT_EQ(page->ChartTop->chart()->series().size(), 1);
  EXPECT_EQ(page->ChartMonth->chart()->series().size(), 1);
  Shoot("summary.png");
  fx->close();
  QTest::qWait(100);
}

}  // namespace
}  // namespace talvec
