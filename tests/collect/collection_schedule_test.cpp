#include "collect/collection_schedule.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <map>

#include "collect/channels.h"
#include "collect/list_page.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "core/database.h"
#include "core/settings.h"
#include "tests/collect/fake_site.h"
#include "tests/raw_http_server.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using testing::FakeItem;
using testing::FakeTender;
using testing::RawHttpServer;

TEST(CollectionWindow, CollectionDateReadings) {
  const QDate today(2016, 4, 1);
  EXPECT_EQ(ReadCollectionDate(QStringLiteral(" 2016-03-20 "), today),
            QStringLiteral("2016-03-20"));
  EXPECT_EQ(ReadCollectionDate(QStringLiteral("2016/3/2"), today), QStringLiteral("2016-03-02"));
  for (const QVariant& bad :
       {QVariant(), QVariant(QString()), QVariant(QStringLiteral("2016-13-01")),
        QVariant(QStringLiteral("昨天"))}) {
    EXPECT_EQ(ReadCollectionDate(bad, today), QStringLiteral("2016-03-25"));
  }
}

// A procurement site and construction list served from memory: every
// channel holds its items newest first, 25 to a page.
struct Site {
  Site() {
    for (const ChannelInfo& c : Channels()) {
      for (int i = 0; i < 30; ++i) channels[c.type].append(Item(c.type, i, i / 3));
    }
    for (int i = 0; i < 5; ++i) {
      tenders.append({QStringLiteral("工程%1").arg(i), QStringLiteral("成都市"), DateText(today),
                      QString::number(i)});
    }
  }
  FakeItem Item(int type, int n, int days_old) const {
    return {
        QStringLiteral("频道%1公告%2").arg(type).arg(n), DateText(today.addDays(-days_old)), {}};
  }
  RawHttpServer::Answer Serve(const QByteArray& path) {
    requests << QString::fromLatin1(path);
    if (path == fail_path && !failed) {
      failed = true;
      down = true;
      QTimer::singleShot(300, [this] { down = false; });
    }
    if (down) {
      ++requests_while_down;
      return RawHttpServer::Html("<html>无法找到该页</html>", 404);
    }
    if (path == "/") return RawHttpServer::Html("<html>ok</html>");
    if (stall) return RawHttpServer::Answer{{}, true};
    if (!broken_code.isEmpty() && path.contains("channelCode=" + broken_code + "&")) {
      return RawHttpServer::Html("<html>无法找到该页</html>", 404);
    }
    if (!drip_code.isEmpty() && path.contains("channelCode=" + drip_code + "&")) {
      RawHttpServer::Answer answer = RawHttpServer::Html(QByteArray(4000, 'x'));
      answer.drip_ms = 100;
      return answer;
    }
    if (path.startsWith("/InvestmentInfo/"))
      return RawHttpServer::Html(testing::ConstructionPageHtml(tenders).toUtf8());
    const QUrlQuery query(QUrl(QStringLiteral("http://x") + QString::fromLatin1(path)).query());
    for (const ChannelInfo& c : Channels()) {
      if (query.queryItemValue(QStringLiteral("channelCode")) != QLatin1String(c.code)) continue;
      const int page = query.queryItemValue(QStringLiteral("page")).toInt();
      return RawHttpServer::Html(
          testing::ListPageHtml(c.Heading(), channels[c.type].mid((page - 1) * 25, 25)).toUtf8());
    }
    return RawHttpServer::Html("<html>页面没有找到</html>", 404);
  }

  QDate today{2026, 3, 10};
  std::map<int, QList<FakeItem>> channels;
  QList<FakeTender> tenders;
  QByteArray fail_path;
  bool failed = false;
  bool down = false;
  bool stall = false;      // list requests get no answer
  QByteArray broken_code;  // this channel answers with an error page
  QByteArray drip_code;    // this channel drips its answer
  int requests_while_down = 0;
  QStringList requests;
  RawHttpServer server{[this](const QByteArray& path) { return Serve(path); }};
};

struct Cycle {
  explicit Cycle(Site& site)
      : network(fetcher, site.server.base()),
        schedule(temp.db(), settings, fetcher, network,
                 {.construction_base = site.server.base(), .write_pause_ms = 50}) {
    LoadSystemSettings(temp.db(), &settings);
    settings.SiteBaseAddress = site.server.base();
    temp.db().Execute("UPDATE SysSet SET CollectionDate = ?", QStringLiteral("2026-03-03"));
    schedule.SetClock([this] { return now; });
    network.timerCheckNet().setInterval(50);
    network.SetNetworkOk(true);
  }
  void Run() { QCoro::waitFor(schedule.RunCollectionCycle()); }
  int Rows() {
    return static_cast<int>(temp.db().Scalar("SELECT count(*) FROM List").toLongLong());
  }

  testing::TempDatabase temp;
  SystemSettings settings;
  PageFetcher fetcher;
  NetworkStatus network;
  CollectionSchedule schedule;
  QDateTime now{QDate(2026, 3, 10), QTime(12, 0, 0)};
};

TEST(CollectionCycle, FirstCycleFillsTheTableSecondStopsAtTheCatchUp) {
  Site site;
  Cycle c(site);
  QSignalSpy started(&c.schedule, &CollectionSchedule::cycleStarted);
  c.Run();
  EXPECT_EQ(started.count(), 1);
  EXPECT_EQ(c.Rows(), 10 * 30 + 5);  // every channel ran out of pages
  for (const ChannelInfo& ch : Channels()) {
    EXPECT_EQ(c.temp.db().Scalar("SELECT count(*) FROM List WHERE LX = ?", ch.type).toInt(),
              ch.type == kConstructionType ? 35 : 30);
  }
  EXPECT_FALSE(c.schedule.state().StopCollection);
  EXPECT_EQ(c.temp.db().Scalar("SELECT CollectionDate FROM SysSet").toString(),
            QStringLiteral("2026-03-03"));
  EXPECT_TRUE(c.schedule.timerUpdate().isActive());
  const qsizetype first_requests = site.requests.size();

  for (auto& [type, items] : site.channels) {
    items.prepend(site.Item(type, 100, 0));
    items.prepend(site.Item(type, 101, 0));
  }
  site.requests.clear();
  c.Run();
  EXPECT_EQ(c.Rows(), 10 * 32 + 5);
  EXPECT_TRUE(c.schedule.state().StopCollection);
  EXPECT_EQ(c.temp.db().Scalar("SELECT CollectionDate FROM SysSet").toString(),
            QStringLiteral("2026-03-10"));
  EXPECT_LT(site.requests.size(), first_requests);
  EXPECT_EQ(c.schedule.progress().last_complete_new, 20);
  EXPECT_EQ(
      c.temp.db()
          .Scalar("SELECT count(*) FROM (SELECT MC FROM List GROUP BY MC HAVING count(*) > 1)")
          .toInt(),
      0);
}

TEST(CollectionCycle, SiteGoingDownIsWaitedForAndTheSamePageAskedAgain) {
  Site site;
  site.fail_path =
      "/CmsNewsController.do?method=recommendBulletinList&moreType=provincebuyBulletinMore"
      "&channelCode=cggg&rp=25&page=2";
  Cycle c(site);
  QSignalSpy texts(&c.schedule, &CollectionSchedule::progressChanged);
  c.Run();
  EXPECT_TRUE(site.failed);
  EXPECT_EQ(site.requests.count(QString::fromLatin1(site.fail_path)), 2);
  EXPECT_EQ(c.Rows(), 10 * 30 + 5);
  EXPECT_TRUE(c.network.NetworkOk());
  EXPECT_FALSE(c.network.timerCheckNet().isActive());
  // Waiting costs a probe per re-check, not a request per loop pass.
  EXPECT_LT(site.requests_while_down, 15);
  bool waited = false;
  for (const QList<QVariant>& t : texts) {
    waited |=
        t.at(0).value<CollectionProgress>().phase == CollectionProgress::Phase::kWaitingNetwork;
  }
  EXPECT_TRUE(waited);
  const CollectionProgress last = texts.last().at(0).value<CollectionProgress>();
  EXPECT_EQ(last.phase, CollectionProgress::Phase::kIdle);
  EXPECT_EQ(last.last_complete_end, c.now);
  EXPECT_EQ(last.last_complete_new, 305);
  // The file remembers the cycle for the next start.
  CollectionSchedule again(c.temp.db(), c.settings, c.fetcher, c.network);
  EXPECT_EQ(again.progress().last_complete_new, 305);
  EXPECT_EQ(again.progress().last_complete_end, c.now);
}

TEST(CollectionCycle, AFailingAndADrippingChannelDoNotHoldTheOthers) {
  Site site;
  Cycle c(site);
  c.Run();
  for (auto& [type, items] : site.channels) items.prepend(site.Item(type, 100, 0));
  // Now channel 0 answers every request with an error page, channel 5
  // drips a byte every 100 ms; the site's probe and the other channels
  // answer normally, and the cycle ends at the catch-up of channel 1.
  site.broken_code = "shiji_cggg1";
  site.drip_code = "cgygg";
  site.requests.clear();
  c.fetcher.SetDeadline(800);
  c.Run();
  EXPECT_FALSE(c.schedule.CycleRunning());
  EXPECT_TRUE(c.schedule.state().StopCollection);  // caught up
  auto stored = [&](int type) {
    return c.temp.db()
        .Scalar("SELECT count(*) FROM List WHERE MC = ?", site.Item(type, 100, 0).title)
        .toInt();
  };
  EXPECT_EQ(stored(1), 0);
  EXPECT_EQ(stored(6), 0);
  for (int type : {2, 3, 4, 5, 7, 8, 9, 10}) EXPECT_EQ(stored(type), 1) << type;
  // Each left after a few tries, not asked for ever.
  EXPECT_LE(site.requests.filter(QStringLiteral("shiji_cggg1&")).size(),
            CollectionSchedule::kUnusableLimit);
  EXPECT_LE(site.requests.filter(QStringLiteral("cgygg&")).size(),
            CollectionSchedule::kUnusableLimit);
}

// Another program holding the write lock for good, or a full disk (the file
// held at its present size).
class UnwritableFile : public ::testing::TestWithParam<bool> {};

TEST_P(UnwritableFile, EndsTheCycleAfterBoundedTriesAndSaysWhy) {
  const bool full = GetParam();
  Site site;
  Cycle c(site);
  Database other;
  if (full) {
    ASSERT_TRUE(c.temp.db().Execute("PRAGMA max_page_count=1"));
  } else {
    ASSERT_TRUE(other.OpenDatabase(c.temp.path(), DatabasePassword()));
    ASSERT_TRUE(other.Execute("BEGIN EXCLUSIVE"));
  }
  QSignalSpy progress(&c.schedule, &CollectionSchedule::progressChanged);
  QElapsedTimer clock;
  clock.start();
  c.Run();
  EXPECT_LT(clock.elapsed(), 15000);
  const CollectionProgress last = progress.last().at(0).value<CollectionProgress>();
  EXPECT_EQ(last.phase, CollectionProgress::Phase::kWriteFailed);
  EXPECT_FALSE(last.cause.isEmpty());
  EXPECT_FALSE(last.last_complete_end.isValid());
  // One page asked per pass, a bounded number of passes.
  EXPECT_LE(site.requests.size(), 1 + CollectionSchedule::kWriteFailurePasses + 2);
  EXPECT_TRUE(c.schedule.timerUpdate().isActive());
  if (!full) other.Execute("ROLLBACK");
}

INSTANTIATE_TEST_SUITE_P(CollectionCycle, UnwritableFile, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "DiskFull" : "Locked");
                         });

TEST(CollectionCycle, StoppingInTheMiddleOfAFetchEndsTheCycleAtOnce) {
  Site site;
  site.stall = true;
  auto c = std::make_unique<Cycle>(site);
  QCoro::Task<> cycle = c->schedule.RunCollectionCycle();
  // The request has reached the site and waits for its answer.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return c->fetcher.pending() == 1 && !site.requests.isEmpty(); }, 5000));
  const qsizetype requests = site.requests.size();
  c->schedule.Stop();
  EXPECT_TRUE(cycle.isReady());
  EXPECT_EQ(c->fetcher.pending(), 0);
  // Destroying the whole set while nothing runs any more is safe, and no
  // request follows.
  c.reset();
  QTest::qWait(200);
  EXPECT_EQ(site.requests.size(), requests);
}

TEST(CollectionCycle, DestroyingTheScheduleDuringAFetchLeavesNothingBehind) {
  Site site;
  site.stall = true;
  testing::TempDatabase temp;
  SystemSettings settings;
  LoadSystemSettings(temp.db(), &settings);
  settings.SiteBaseAddress = site.server.base();
  PageFetcher fetcher;
  NetworkStatus network(fetcher, site.server.base());
  network.SetNetworkOk(true);
  auto schedule = std::make_unique<CollectionSchedule>(
      temp.db(), settings, fetcher, network,
      ScheduleOptions{.construction_base = site.server.base()});
  schedule->RunCollectionCycle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return fetcher.pending() == 1; }, 5000));
  schedule.reset();
  EXPECT_EQ(fetcher.pending(), 0);
  QTest::qWait(100);
}

TEST(CollectionCycle, EndsAfterTheConstructionListWhenNoChannelIsOn) {
  Site site;
  Cycle c(site);
  c.settings.researchlx = QStringLiteral("f,f,f,f,f,f,f,f,f,f");
  c.Run();
  EXPECT_EQ(c.Rows(), 5);
  EXPECT_EQ(site.requests.size(), 1);
}

TEST(CollectionCycle, ChannelsSwitchedOffOrRunDryEndTheCycle) {
  Site site;
  Cycle c(site);
  c.settings.researchlx = QStringLiteral("t,f,t,f,f,f,f,f,f");  // the tenth item missing: off
  c.Run();
  EXPECT_EQ(c.Rows(), 2 * 30 + 5);
}

TEST(CollectionCycle, OneCycleAtATime) {
  Site site;
  Cycle c(site);
  QSignalSpy started(&c.schedule, &CollectionSchedule::cycleStarted);
  QCoro::Task<> first = c.schedule.RunCollectionCycle();
  EXPECT_TRUE(c.schedule.CycleRunning());
  QCoro::waitFor(c.schedule.RunCollectionCycle());  // ignored
  EXPECT_EQ(started.count(), 1);
  QCoro::waitFor(std::move(first));
  EXPECT_EQ(c.Rows(), 10 * 30 + 5);
}

TEST(CollectionSchedule, FirstCheckAfterSixtyOneTicksThenIntervalPlusOne) {
  Site site;
  Cycle c(site);
  c.settings.IntervalSeconds = 600;
  c.settings.BeginTime = QStringLiteral("19:00:00");  // a window that admits no time
  c.settings.EndTime = QStringLiteral("07:00:00");
  c.schedule.LoadFirstSchedulePass();
  for (int i = 0; i < 60; ++i) c.schedule.ScheduleTick();
  EXPECT_TRUE(c.schedule.FirstSchedulePass());
  c.schedule.ScheduleTick();
  EXPECT_FALSE(c.schedule.FirstSchedulePass());
  EXPECT_EQ(c.schedule.ScheduleTicks(), 0);
  EXPECT_FALSE(c.schedule.CycleRunning());

  c.settings.BeginTime = QStringLiteral("08:00:00");
  c.settings.EndTime = QStringLiteral("18:00:00");
  for (int i = 0; i < 600; ++i) c.schedule.ScheduleTick();
  EXPECT_FALSE(c.schedule.CycleRunning());
  QSignalSpy finished(&c.schedule, &CollectionSchedule::cycleFinished);
  c.schedule.timerUpdate().start();
  c.schedule.ScheduleTick();
  EXPECT_TRUE(c.schedule.CycleRunning());
  EXPECT_FALSE(c.schedule.timerUpdate().isActive());  // stopped while the cycle runs
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_TRUE(c.schedule.timerUpdate().isActive());
  c.schedule.timerUpdate().stop();
  EXPECT_EQ(c.schedule.ScheduleTicks(), 0);
  for (int i = 0; i < 600; ++i) c.schedule.ScheduleTick();
  EXPECT_FALSE(c.schedule.CycleRunning());
  c.now.setTime(QTime(18, 0, 1));
  c.schedule.ScheduleTick();
  EXPECT_FALSE(c.schedule.CycleRunning());  // the check came, outside the window
  EXPECT_EQ(c.schedule.ScheduleTicks(), 0);
}

}  // namespace
}  // namespace talvec
