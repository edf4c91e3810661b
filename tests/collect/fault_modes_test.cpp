// Collection cycles against the site simulator while one of its fault modes
// is switched on for a moment: no crash, no wait past the timeout, nothing
// stored from a bad page, the network-loss reaction during the fault, the
// recovery after it and the same page asked for again.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <memory>

#include "collect/collection_schedule.h"
#include "collect/page_store.h"
#include "core/database.h"
#include "core/dates.h"
#include "core/settings.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using sitesim::Fault;
using sitesim::FaultMode;
using sitesim::SiteSimulator;

constexpr int kTimeoutMs = 400;
constexpr int kRecheckMs = 300;
constexpr int kFaultMs = 1000;

struct FaultCase {
  const char* name;
  const char* fault_text;  // "mode[:arg]"
  bool loses_network;      // an unusable answer: the network-loss reaction runs
  bool skipped = false;    // the page is passed over, and read by the next cycle
};

class FaultModes : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultModes, CycleRidesOutTheFault) {
  const FaultCase& c = GetParam();
  sitesim::Options options;
  options.seed = 5;
  options.today = QDate::currentDate();
  options.days_back = 4;
  options.new_every_seconds = 0;
  SiteSimulator sim(options);
  ASSERT_TRUE(sim.Listen());

  test_support::TempDatabase temp;
  SystemSettings settings;
  LoadSystemSettings(temp.db(), &settings);
  settings.SiteBaseAddress = sim.BaseUrl();
  PageFetcher fetcher;
  fetcher.SetTransferTimeout(kTimeoutMs);
  fetcher.SetDeadline(kTimeoutMs);
  NetworkStatus network(fetcher, sim.BaseUrl());
  network.timerCheckNet().setInterval(kRecheckMs);
  network.SetNetworkOk(true);
  // The fault is ridden out, however many passes it takes.
  CollectionSchedule schedule(temp.db(), settings, fetcher, network,
                              {.construction_base = sim.BaseUrl(), .unusable_limit = 1000});

  // The fault starts when the city/county announcements' first page is
  // asked for: on that page itself, or, refusing, on everything after it.
  std::optional<Fault> fault = sitesim::ParseFault(QLatin1String(c.fault_text));
  ASSERT_TRUE(fault);
  const bool refuse = fault->mode == FaultMode::kRefuse;
  const QString trigger = SiteSimulator::ListPath(2, 1);
  const QString bad_page = refuse ? SiteSimulator::ListPath(3, 1) : trigger;
  if (!refuse) {
    fault->scope = trigger;
    sim.SetFault(*fault);
  }
  QElapsedTimer clock;
  clock.start();
  qint64 fault_start = -1, fault_end = -1, lost_at = -1, back_at = -1;
  bool red_during_fault = false, off_during_fault = false;
  int bad_requests_after = 0, bad_requests_during = 0;
  auto end_fault = [&] {
    sim.SetFault(FaultMode::kNone);
    fault_end = clock.elapsed();
    if (network.NetworkOk()) back_at = fault_end;
  };
  QObject::connect(&sim, &SiteSimulator::RequestReceived, &sim, [&](const QString& target) {
    if (target == trigger && fault_start < 0) {
      fault_start = clock.elapsed();
      if (refuse) sim.SetFault(*fault);
      QTimer::singleShot(kFaultMs, &sim, end_fault);
    }
    if (target == bad_page) ++(fault_end < 0 ? bad_requests_during : bad_requests_after);
  });
  QObject::connect(&network, &NetworkStatus::networkOkChanged, &network, [&](bool ok) {
    if (!ok && lost_at < 0) lost_at = clock.elapsed();
    if (!ok && fault_end < 0) {
      off_during_fault = true;
      QTimer::singleShot(0, &network, [&] { red_during_fault |= network.Unreachable(); });
    }
    if (ok && fault_end >= 0 && back_at < 0) back_at = clock.elapsed();
  });

  QCoro::waitFor(schedule.RunCollectionCycle());

  ASSERT_GE(fault_start, 0) << "the fault never started";
  if (c.skipped) {
    // Said in the status, not taken for a network loss; the next cycle
    // reads the page once it is whole again.
    EXPECT_EQ(schedule.progress().too_large_pages, 1);
    EXPECT_EQ(bad_requests_after, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fault_end >= 0; }, 5000));
    QCoro::waitFor(schedule.RunCollectionCycle());
  }
  // A normal body under an error status is read at once; every other
  // fault makes the page be asked for again after the fault.
  const bool status_only = fault->mode == FaultMode::kStatus;
  if (!status_only) {
    ASSERT_GE(fault_end, 0);
    EXPECT_GE(bad_requests_after, 1) << "the bad page was not asked for again";
  }
  if (c.loses_network) {
    EXPECT_TRUE(off_during_fault);
    EXPECT_TRUE(red_during_fault);
    ASSERT_GE(lost_at, fault_start);
    EXPECT_LE(lost_at - fault_start, kTimeoutMs + 1000);  // no wait past the timeout
    ASSERT_GE(back_at, fault_end);
    EXPECT_LE(back_at - fault_end, kRecheckMs + 1000);
  } else {
    EXPECT_EQ(lost_at, -1);
    EXPECT_GE(bad_requests_during, 1);
  }
  EXPECT_TRUE(network.NetworkOk());

  // Exactly the site's announcements are stored: each once, none made up
  // from a broken page.
  int expected = 0;
  for (int type = 1; type <= 10; ++type) {
    for (const sitesim::Announcement& a : sim.Announcements(type)) {
      ++expected;
      const StoredAnnouncement s = StoredForm({a.address, a.title, {}});
      EXPECT_EQ(temp.db().Scalar("SELECT LX FROM List WHERE MC = ?", s.title).toInt(), type)
          << a.title.toStdString();
    }
  }
  const int stored =
      temp.db()
          .Scalar("SELECT count(*) FROM List WHERE MC NOT LIKE ?", QStringLiteral("%--四川建设网"))
          .toInt();
  EXPECT_EQ(stored, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, FaultModes,
    ::testing::Values(
        FaultCase{"Refuse", "refuse", true}, FaultCase{"ErrorWords1", "errorwords:1", true},
        FaultCase{"ErrorWords2", "errorwords:2", true}, FaultCase{"Status404", "404", false},
        FaultCase{"Status500", "500", false}, FaultCase{"Stall", "stall:30", true},
        FaultCase{"Truncate", "truncate", true}, FaultCase{"Oversize", "oversize:3", false, true},
        FaultCase{"Garbage", "garbage", true}, FaultCase{"GarbageBody", "garbage:body", false},
        FaultCase{"NoHeading", "noheading", false}, FaultCase{"NoPageInfo", "nopageinfo", false},
        FaultCase{"Drip", "drip:50", true}, FaultCase{"GzipCut", "gzipcut", true},
        FaultCase{"GzipJunk", "gzipjunk", true}, FaultCase{"GzipBomb", "gzipbomb:16", true}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talvec
