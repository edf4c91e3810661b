// The version rules and the version query against the simulator's
// management server.
#include "update/update_check.h"

#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QUrlQuery>

#include "core/settings.h"
#include "core/startup.h"
#include "sitesim/management.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"

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

TEST(VersionRules, FormAndNumericComparison) {
  const QString own = QStringLiteral("1.01.0020");
  const struct {
    const char* answer;
    ServerVersion expected;
  } cases[] = {
      {"1.01.0021", ServerVersion::kNewer},
      {"1.01.0020", ServerVersion::kNotNewer},
      {"1.01.0019", ServerVersion::kNotNewer},
      {"1.01.0020\r\n", ServerVersion::kNotNewer},  // trimmed, never "newer" by a line break
      {"  1.01.0021 ", ServerVersion::kNewer},
      {"1.02.0000", ServerVersion::kNewer},
      {"2.00.0000", ServerVersion::kNewer},
      {"0.99.9999", ServerVersion::kNotNewer},
      {"1.01.00200", ServerVersion::kNewer},  // revision 200 against 20
      {"", ServerVersion::kNoAnswer},
      {"   ", ServerVersion::kNoAnswer},
      {"1.1.0021", ServerVersion::kNoAnswer},  // minor needs two digits
      {"1.01.021", ServerVersion::kNoAnswer},  // revision needs four
      {"1.01.0021.1", ServerVersion::kNoAnswer},
      {"v1.01.0021", ServerVersion::kNoAnswer},
      {"1.01.0021 beta", ServerVersion::kNoAnswer},
      {"<html>404</html>", ServerVersion::kNoAnswer},
      {"1.01.0021\n1.01.0022", ServerVersion::kNoAnswer},
      {"99999999999999999999.01.0021", ServerVersion::kNoAnswer},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeServerVersion(QString::fromUtf8(c.answer), own), c.expected) << c.answer;
  }
  // By numbers, not as text: 100 is more than 99.
  EXPECT_EQ(JudgeServerVersion(QStringLiteral("1.100.0000"), QStringLiteral("1.99.0000")),
            ServerVersion::kNewer);
  EXPECT_EQ(JudgeServerVersion(QStringLiteral("1.99.0000"), QStringLiteral("1.100.0000")),
            ServerVersion::kNotNewer);
  // A broken own version never updates.
  EXPECT_EQ(JudgeServerVersion(QStringLiteral("9.99.9999"), QStringLiteral("?")),
            ServerVersion::kNotNewer);
}

// The query against the simulator: how many requests each answer costs and
// what follows.
TEST(UpdateCheck, OneMoreRequestOnlyAfterAnUnusableAnswer) {
  sitesim::SiteSimulator sim(SimOptions());
  ASSERT_TRUE(sim.Listen());
  SystemSettings settings;
  settings.ManagementBaseAddress = sim.BaseUrl();
  PageFetcher fetcher;
  int started = 0;
  testing::TempDatabase temp;
  UpdateCheck check(fetcher, temp.db(), settings,
                    {.program_folder = QStringLiteral("/nowhere"),
                     .own_version = QStringLiteral("1.01.0020"),
                     .start_updater = [&](const QString&) { return ++started, true; }});
  const struct {
    const char* version;
    int requests;
    UpdateCheck::Outcome outcome;
  } cases[] = {
      {"1.01.0021", 1, UpdateCheck::Outcome::kNewer},
      {"1.01.0020", 1, UpdateCheck::Outcome::kNotNewer},
      {"1.01.0019", 1, UpdateCheck::Outcome::kNotNewer},
      {"1.01.0020\n", 1, UpdateCheck::Outcome::kNotNewer},
      {"   ", 2, UpdateCheck::Outcome::kNoAnswer},
      {"garbage", 2, UpdateCheck::Outcome::kNoAnswer},
  };
  for (const auto& c : cases) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("version"), QString::fromUtf8(c.version));
    sim.management().Control(query);
    const qint64 before = sim.RequestCount();
    const int started_before = started;
    const UpdateCheck::Outcome outcome = QCoro::waitFor(check.Check(false));
    EXPECT_EQ(outcome, c.outcome) << c.version;
    EXPECT_EQ(sim.RequestCount() - before, c.requests) << c.version;
    EXPECT_EQ(started - started_before, c.outcome == UpdateCheck::Outcome::kNewer ? 1 : 0)
        << c.version;
  }
  // The simulator's default is the program's own version: nothing offered.
  sitesim::SiteSimulator fresh(SimOptions());
  EXPECT_EQ(fresh.management().version(), ProgramVersionString());
}

TEST(UpdateCheck, NoServerIsNoAnswerAndAnUnstartableUpdaterIsReported) {
  SystemSettings settings;
  settings.ManagementBaseAddress = QStringLiteral("http://127.0.0.1:1");
  PageFetcher fetcher;
  testing::TempDatabase temp;
  UpdateCheck check(fetcher, temp.db(), settings,
                    {.program_folder = QStringLiteral("/nowhere"),
                     .own_version = QStringLiteral("1.01.0020"),
                     .start_updater = {}});
  EXPECT_EQ(QCoro::waitFor(check.Check(true)), UpdateCheck::Outcome::kNoAnswer);
  EXPECT_FALSE(check.lastFailure().isEmpty());

  sitesim::SiteSimulator sim(SimOptions(QStringLiteral("1.01.0021")));
  ASSERT_TRUE(sim.Listen());
  settings.ManagementBaseAddress = sim.BaseUrl();
  QString failure;
  QObject::connect(&check, &UpdateCheck::updaterFailed, [&](const QString& why) { failure = why; });
  EXPECT_EQ(QCoro::waitFor(check.Check(false)), UpdateCheck::Outcome::kUpdaterFailed);
  EXPECT_TRUE(failure.contains(QStringLiteral("/nowhere/MORVUP"))) << failure.toStdString();
}

}  // namespace
}  // namespace talvec
