// The key-facts card in a real X window (xvfb, under a window manager): a
// simulated project of a tender and its corrections, the tender opened in
// the viewer while its page is unread; the card fills once the facts reader
// has read it, shows the corrected deadline and the project's stages, opens
// a stage in the same viewer, folds away and stays folded. Screenshots go
// to TALVEC_SCREENSHOTS (default /tmp), named with TALVEC_SCREENSHOT_TAG.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "core/settings.h"
#include "core/text.h"
#include "core/ui_state.h"
#include "services/services.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"
#include "ui/facts_panel.h"
#include "ui/frmweath.h"
#include "ui/skin.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {
namespace {

void Shoot(const char* name) {
  QTest::qWait(500);
  const QString dir = qEnvironmentVariable("TALVEC_SCREENSHOTS", "/tmp");
  QDir().mkpath(dir);
  QGuiApplication::primaryScreen()->grabWindow(0).save(
      dir + QLatin1Char('/') + qEnvironmentVariable("TALVEC_SCREENSHOT_TAG", "card") +
      QLatin1Char('_') + QLatin1String(name));
}

QString Title(const sitesim::Announcement& a) { return TrimBlanks(a.title).left(127); }

QString ValueOf(QWidget* card, const QString& label) {
  for (QLabel* value : card->findChildren<QLabel*>("FactValue")) {
    if (value->property("label").toString() == label) return value->property("plain").toString();
  }
  return QStringLiteral("<none>");
}

TEST(FactsCardWindow, ShowsTheFactsAndStagesOfTheOpenedTender) {
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

  // A project with a tender that states a deadline and a correction of it.
  QList<sitesim::Announcement> all;
  for (int type = 1; type <= sitesim::kChannelCount; ++type) all += sim.Announcements(type);
  std::optional<sitesim::Announcement> correction;
  for (const sitesim::Announcement& a : all) {
    if (a.project == 0) continue;
    for (const sitesim::NoticeChange& c : a.facts.changes) {
      if (c.item == QLatin1String("Deadline") && !c.new_value.isEmpty()) correction = a;
    }
    if (correction) break;
  }
  ASSERT_TRUE(correction) << "the simulated site has no corrected deadline";
  QList<sitesim::Announcement> project;
  std::optional<sitesim::Announcement> tender;
  for (const sitesim::Announcement& a : all) {
    if (a.project != correction->project) continue;
    project.append(a);
    if (a.facts.changes.isEmpty() && !a.facts.deadline.isEmpty() && !tender) tender = a;
  }
  ASSERT_TRUE(tender) << "the corrected project has no tender with a deadline";
  // The deadline that stands: the latest correction's (a page without its
  // own correction date is dated by the list).
  QString latest_deadline;
  QDate latest;
  for (const sitesim::Announcement& a : project) {
    for (const sitesim::NoticeChange& c : a.facts.changes) {
      if (c.item == QLatin1String("Deadline") && !c.new_value.isEmpty() && a.date >= latest) {
        latest = a.date;
        latest_deadline = c.new_value;
      }
    }
  }

  test_support::TempDatabase temp;
  for (const sitesim::Announcement& a : project) {
    ASSERT_TRUE(temp.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)", Title(a),
                                  a.address, a.date.toString(Qt::ISODate), a.type));
  }
  AppContext context;
  context.db = &temp.db();
  LoadSystemSettings(temp.db(), &context.settings);
  context.settings.SiteBaseAddress = sim.BaseUrl();
  Services services(temp.db(), context.settings);
  services.network.SetNetworkOk(true);
  // Every stage but the tender has been read already.
  for (const sitesim::Announcement& a : project) {
    if (a.id != tender->id) {
      services.factsReader().TakePage(Title(a), QString::fromUtf8(sim.Page(a.address)));
    }
  }
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return temp.db().Scalar("SELECT count(*) FROM Facts").toInt() == project.size() - 1;
      },
      20000));

  FrmWeath window(context, services);
  window.Load();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  const QString tender_title = Title(*tender);
  window.viewer().Open(AnnouncementAddress(tender->address, sim.BaseUrl()), tender_title,
                       ViewerMode::kModeless);
  QWidget* viewer = window.viewer().window();
  ASSERT_NE(viewer, nullptr);
  auto* card = viewer->findChild<FactsCardPanel*>("FactsCard");
  ASSERT_NE(card, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
  EXPECT_TRUE(card->isVisible());
  // Read at once, through the reader, and the card fills on arrival.
  ASSERT_TRUE(QTest::qWaitFor([&] { return card->card().state == CardState::kRead; }, 30000))
      << card->LabelFactsState->text().toStdString();
  EXPECT_EQ(ValueOf(card, QStringLiteral("项目编号")), tender->facts.project_no);
  EXPECT_EQ(ValueOf(card, QStringLiteral("采购人")), tender->facts.buyer);
  const CardFact* deadline = nullptr;
  for (const CardFact& f : card->card().facts)
    if (f.label == QStringLiteral("截止时间")) deadline = &f;
  ASSERT_NE(deadline, nullptr);
  EXPECT_TRUE(deadline->superseded.contains(tender->facts.deadline));
  EXPECT_FALSE(deadline->corrected_on.isEmpty());
  EXPECT_EQ(deadline->value, latest_deadline);
  EXPECT_EQ(deadline->corrected_on, latest.toString(Qt::ISODate));
  ASSERT_EQ(card->ListTimeline->count(), project.size());
  // The page gives the card its room; nothing overlaps.
  auto* browser = viewer->findChild<QWidget*>("WebBrowser1");
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->width() + card->width(), viewer->width());
  EXPECT_GE(card->width(), 200);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !browser->property("title").toString().isEmpty(); }, 15000));
  Shoot("open.png");

  // A stage opens in the same viewer, and the card follows it.
  const QString other = Title(*correction);
  QListWidgetItem* stage = nullptr;
  for (int i = 0; i < card->ListTimeline->count(); ++i) {
    if (card->ListTimeline->item(i)->data(Qt::UserRole + 1).toString() == other)
      stage = card->ListTimeline->item(i);
  }
  ASSERT_NE(stage, nullptr);
  QListWidget* list = card->ListTimeline;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(stage).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->windowTitle() == other; }, 5000));
  EXPECT_EQ(window.viewer().window(), viewer);
  EXPECT_EQ(card->card().title, other);
  EXPECT_EQ(card->ListTimeline->count(), project.size());

  // Folded, the page takes the window; the choice outlives the window.
  QTest::mouseClick(card->CmdHideFacts, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return card->width() < 60; }, 3000));
  EXPECT_EQ(browser->width() + card->width(), viewer->width());
  EXPECT_EQ(UiState(temp.db()).Flag("ViewerFactsCard").value(), std::optional<bool>(false));
  Shoot("folded.png");
  QPointer<QWidget> guard(viewer);
  viewer->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 5000));
  window.viewer().Open(AnnouncementAddress(tender->address, sim.BaseUrl()), tender_title,
                       ViewerMode::kModeless);
  card = window.viewer().window()->findChild<FactsCardPanel*>("FactsCard");
  ASSERT_NE(card, nullptr);
  EXPECT_FALSE(card->expanded());
  QTest::mouseClick(card->CmdShowFacts, Qt::LeftButton);
  EXPECT_TRUE(card->expanded());
  // In the black style too.
  ApplySkin(*qApp, QStringLiteral(TALVEC_BIN_DIR), 6);
  Shoot("black_style.png");

  // A page that is not an announcement of the store has no card.
  window.viewer().Open(sim.BaseUrl() + QStringLiteral("/"), QStringLiteral("帮助信息"),
                       ViewerMode::kModeless);
  EXPECT_FALSE(card->isVisible());
  window.viewer().window()->close();
  QTest::qWait(100);
}

}  // namespace
}  // namespace talvec
