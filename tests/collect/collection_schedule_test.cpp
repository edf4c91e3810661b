#include "collect/collection_schedule.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <functional>
#include <map>
#include <random>

#include "collect/channels.h"
#include "collect/page_store.h"
#include "core/database.h"
#include "core/dates.h"
#include "core/settings.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "tests/collect/fake_site.h"
#include "tests/raw_http_server.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using test_support::FakeItem;
using test_support::FakeTender;
using test_support::RawHttpServer;

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
    if (path.contains("recommendBulletinList") && ++list_requests == cut_at && on_cut) on_cut();
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
    if (instead) {
      if (std::optional<RawHttpServer::Answer> answer = instead(path)) return *answer;
    }
    if (!broken_code.isEmpty() && path.contains("channelCode=" + broken_code + "&")) {
      return RawHttpServer::Html("<html>无法找到该页</html>", 404);
    }
    if (!drip_code.isEmpty() && path.contains("channelCode=" + drip_code + "&")) {
      RawHttpServer::Answer answer = RawHttpServer::Html(QByteArray(4000, 'x'));
      answer.drip_ms = 100;
      return answer;
    }
    if (path.startsWith("/InvestmentInfo/"))
      return RawHttpServer::Html(test_support::ConstructionPageHtml(tenders).toUtf8());
    const QUrlQuery query(QUrl(QStringLiteral("http://x") + QString::fromLatin1(path)).query());
    for (const ChannelInfo& c : Channels()) {
      if (query.queryItemValue(QStringLiteral("channelCode")) != QLatin1String(c.code)) continue;
      const int page = query.queryItemValue(QStringLiteral("page")).toInt();
      return RawHttpServer::Html(
          test_support::ListPageHtml(c.Heading(), channels[c.type].mid((page - 1) * 25, 25))
              .toUtf8());
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
  int list_requests = 0;
  int cut_at = 0;  // on_cut() runs as this list request comes
  std::function<void()> on_cut;
  // An answer of its own for some requests.
  std::function<std::optional<RawHttpServer::Answer>(const QByteArray& path)> instead;
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

  test_support::TempDatabase temp;
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

// The program as one run of it sees the file: its own services, so that a
// stop ends them for good, as closing the window or a kill does.
struct ProgramRun {
  ProgramRun(Database& db, const SystemSettings& settings, Site& site)
      : network(fetcher, site.server.base()),
        schedule(db, settings, fetcher, network,
                 {.construction_base = site.server.base(), .write_pause_ms = 50}) {
    schedule.SetClock([&site] { return QDateTime(site.today, QTime(12, 0, 0)); });
    network.SetNetworkOk(true);
  }
  PageFetcher fetcher;
  NetworkStatus network;
  CollectionSchedule schedule;
};

// Cycles cut short at random list pages, one to three in a row, with new
// announcements arriving in between, then one complete cycle: every
// announcement the site lists is stored, once. On a new file (every
// channel read to its end) and on one a complete cycle has filled (the
// known-title rules end the channels).
TEST(CollectionCycle, CyclesCutShortLoseNothing) {
  std::mt19937 rng(20261210);
  auto pick = [&rng](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
  };
  for (int trial = 0; trial < 16; ++trial) {
    SCOPED_TRACE(trial);
    Site site;
    for (auto& [type, items] : site.channels) {
      for (int i = items.size(), n = pick(0, 60); i < 30 + n; ++i) {
        items.append(site.Item(type, i, i / 3));
      }
    }
    int added = 0;
    // New announcements at the top of the lists; the catch-up channel gets
    // the most, so that no channel is cut by the end of an uncut cycle.
    auto add = [&] {
      const int most = pick(0, 60);
      for (auto& [type, items] : site.channels) {
        for (int n = type == 2 ? most : pick(0, std::min(most, 20)); n > 0; --n) {
          items.prepend(site.Item(type, 1000 + added++, 0));
        }
      }
    };
    test_support::TempDatabase temp;
    SystemSettings settings;
    LoadSystemSettings(temp.db(), &settings);
    settings.SiteBaseAddress = site.server.base();
    temp.db().Execute("UPDATE SysSet SET CollectionDate = ?", QStringLiteral("2026-03-03"));
    if (trial % 2 == 1) {
      ProgramRun first(temp.db(), settings, site);
      QCoro::waitFor(first.schedule.RunCollectionCycle());
      add();
    }
    QStringList cuts;
    for (int n = pick(1, 3); n > 0; --n) {
      ProgramRun run(temp.db(), settings, site);
      site.list_requests = 0;
      site.cut_at = pick(1, 40);
      site.on_cut = [&run] {
        QTimer::singleShot(0, &run.schedule, [&run] { run.schedule.Stop(); });
      };
      QCoro::waitFor(run.schedule.RunCollectionCycle());
      cuts << QString::number(run.schedule.stopping() ? site.cut_at : 0);
      site.on_cut = nullptr;
      if (pick(0, 1) == 1) add();
    }
    SCOPED_TRACE(cuts.join(QLatin1Char(' ')).toStdString());
    ProgramRun last(temp.db(), settings, site);
    QCoro::waitFor(last.schedule.RunCollectionCycle());

    QSet<QString> listed;
    for (const auto& [type, items] : site.channels) {
      for (const FakeItem& item : items) listed.insert(item.title);
    }
    QSet<QString> stored;
    Statement st =
        temp.db().Query("SELECT MC FROM List WHERE LX <> 2 OR MC LIKE ?", QStringLiteral("频道%"));
    while (st.Next()) stored.insert(st.Text(0));
    const QStringList missing = QSet<QString>(listed).subtract(stored).values();
    EXPECT_TRUE(missing.isEmpty()) << missing.size() << " missing, e.g. "
                                   << missing.mid(0, 3).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(stored.size(), listed.size());
    EXPECT_EQ(temp.db()
                  .Scalar("SELECT count(*) FROM (SELECT MC FROM List GROUP BY MC "
                          "HAVING count(*) > 1)")
                  .toInt(),
              0);
    EXPECT_EQ(temp.db().Scalar("SELECT count(*) FROM UnfinishedChannels").toInt(), 0);
  }
}

// The other ways a cycle ends before its channels do: a channel left after
// unusable pages, a page too large to read, a cycle given up because the
// file cannot be written. The next cycle stores what they missed.
TEST(CollectionCycle, WhatACycleLeftUnreadTheNextOneReads) {
  enum class Cut { kLeft, kTooLarge, kGivenUp };
  for (const Cut cut : {Cut::kLeft, Cut::kTooLarge, Cut::kGivenUp}) {
    SCOPED_TRACE(static_cast<int>(cut));
    Site site;
    for (int i = 30; i < 90; ++i) site.channels[7].append(site.Item(7, i, i / 3));
    Cycle c(site);
    const QByteArray page3 = "channelCode=cggg&rp=25&page=3";
    Database other;
    if (cut == Cut::kLeft) {
      site.instead = [&](const QByteArray& path) -> std::optional<RawHttpServer::Answer> {
        if (!path.contains(page3)) return std::nullopt;
        return RawHttpServer::Html("<html>无法找到该页</html>", 404);
      };
    } else if (cut == Cut::kTooLarge) {
      site.instead = [&](const QByteArray& path) -> std::optional<RawHttpServer::Answer> {
        if (!path.contains(page3)) return std::nullopt;
        return RawHttpServer::Html(QByteArray(PageFetcher::kListPageBytes + 1, ' '));
      };
    } else {
      // Another program takes the write lock for good as the page is asked.
      site.instead = [&](const QByteArray& path) -> std::optional<RawHttpServer::Answer> {
        if (path.contains(page3) && !other.IsOpen()) {
          EXPECT_TRUE(other.OpenDatabase(c.temp.path(), DatabasePassword()));
          EXPECT_TRUE(other.Execute("BEGIN EXCLUSIVE"));
        }
        return std::nullopt;
      };
    }
    c.Run();
    EXPECT_LT(c.Rows(), 10 * 30 + 60 + 5);
    if (cut == Cut::kTooLarge) {
      // Said in the status; not a network loss.
      EXPECT_EQ(c.schedule.progress().too_large_pages, 1);
      EXPECT_FALSE(c.network.Unreachable());
    }
    EXPECT_GT(c.temp.db().Scalar("SELECT count(*) FROM UnfinishedChannels").toInt(), 0);

    if (cut == Cut::kGivenUp) {
      EXPECT_EQ(c.schedule.progress().phase, CollectionProgress::Phase::kWriteFailed);
    }
    site.instead = nullptr;
    if (other.IsOpen()) other.CloseDatabase();
    c.Run();
    EXPECT_EQ(c.Rows(), 10 * 30 + 60 + 5);
    EXPECT_EQ(c.temp.db().Scalar("SELECT count(*) FROM UnfinishedChannels").toInt(), 0);
  }
}

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
  test_support::TempDatabase temp;
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
