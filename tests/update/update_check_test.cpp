// The version rules and the version query against the simulator's
// management server.
#include "update/update_check.h"

#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QDir>
#include <QFile>
#include <QTest>
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
  test_support::TempDatabase temp;
  UpdateCheck check(fetcher, temp.db(), settings,
                    {.program_folder = QStringLiteral("/nowhere"),
                     .own_version = QStringLiteral("1.01.0020"),
                     .start_updater = [&](const QString&) { return ++started, true; },
                     .now = {}});
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
  test_support::TempDatabase temp;
  UpdateCheck check(fetcher, temp.db(), settings,
                    {.program_folder = QStringLiteral("/nowhere"),
                     .own_version = QStringLiteral("1.01.0020"),
                     .start_updater = {},
                     .now = {}});
  EXPECT_EQ(QCoro::waitFor(check.Check(true)), UpdateCheck::Outcome::kNoAnswer);
  EXPECT_FALSE(check.lastFailure().isEmpty());

  sitesim::SiteSimulator sim(SimOptions(QStringLiteral("1.01.0021")));
  ASSERT_TRUE(sim.Listen());
  settings.ManagementBaseAddress = sim.BaseUrl();
  QString failure;
  QObject::connect(&check, &UpdateCheck::updaterFailed, [&](const QString& why) { failure = why; });
  EXPECT_EQ(QCoro::waitFor(check.Check(false)), UpdateCheck::Outcome::kUpdaterFailed);
  EXPECT_TRUE(failure.contains(QStringLiteral("/nowhere/MORVUP"))) << failure.toStdString();
  // Remembered: the timer does not try it again and again.
  Result<std::optional<UpdateFailure>> kept =
      FindUpdateFailure(temp.db(), QStringLiteral("1.01.0021"));
  ASSERT_TRUE(kept && *kept);
  EXPECT_EQ((*kept)->cause, failure);
  EXPECT_EQ(QCoro::waitFor(check.Check(false)), UpdateCheck::Outcome::kFailedBefore);
}

QString CauseOf(Database& db, const char* version) {
  Result<std::optional<UpdateFailure>> found = FindUpdateFailure(db, QString::fromUtf8(version));
  EXPECT_TRUE(found);
  return found && *found ? (*found)->cause : QStringLiteral("(none)");
}

// What the start makes of the updater's report: the row written before the
// updater started (as failed, awaiting the report) against what it left.
TEST(UpdateFailures, SettledFromTheUpdatersReport) {
  const QDateTime started(QDate(2026, 12, 8), QTime(10, 0));
  const QDateTime ended = started.addSecs(40);
  const QString bad = QStringLiteral("升级包校验失败: 签名与程序内置的公钥不符");
  const QString no_report = QString::fromUtf8(kNoReportCause);
  const struct {
    const char* name;
    const char* own;  // the program that starts
    std::optional<UpdateOutcome> outcome;
    QString told;  // the failure told at start; "(none)"
    QString kept;  // the cause kept for 1.01.0021; "(none)"
  } cases[] = {
      {"failed", "1.01.0020", UpdateOutcome{false, bad, ended}, bad, bad},
      {"killed, no report", "1.01.0020", std::nullopt, no_report, no_report},
      {"installed, yet the old program starts", "1.01.0020", UpdateOutcome{true, {}, ended},
       "(none)", "(none)"},
      {"the new program starts", "1.01.0021", UpdateOutcome{true, {}, ended}, "(none)",
       "(none)"},
      {"the new program, its report lost", "1.01.0021", std::nullopt, "(none)", "(none)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::TempDatabase temp;
    Database& db = temp.db();
    ASSERT_TRUE(RecordUpdateFailure(db, QStringLiteral("1.01.0019"), QStringLiteral("old"),
                                    started.addDays(-30)));
    ASSERT_TRUE(RecordUpdateFailure(db, QStringLiteral("1.01.0030"), QStringLiteral("later"),
                                    started.addDays(-1)));
    ASSERT_TRUE(RecordUpdateStart(db, QStringLiteral("1.01.0021"), started));
    // Until the report is read, the attempt counts as failed.
    EXPECT_EQ(CauseOf(db, "1.01.0021"), no_report);
    Result<std::optional<UpdateFailure>> told =
        SettleUpdateFailures(db, QString::fromUtf8(c.own), c.outcome);
    ASSERT_TRUE(told) << told.error().FullText().toStdString();
    EXPECT_EQ(*told ? (*told)->cause : QStringLiteral("(none)"), c.told);
    if (*told) {
      EXPECT_EQ((*told)->version, QStringLiteral("1.01.0021"));
      EXPECT_EQ((*told)->at, c.outcome ? ended : started);
    }
    EXPECT_EQ(CauseOf(db, "1.01.0021"), c.kept);
    EXPECT_EQ(CauseOf(db, "1.01.0019"), QStringLiteral("(none)"));  // reached long ago
    EXPECT_EQ(CauseOf(db, "1.01.0030"), QStringLiteral("later"));
    // Told once: the next start has nothing to say.
    told = SettleUpdateFailures(db, QString::fromUtf8(c.own), std::nullopt);
    ASSERT_TRUE(told);
    EXPECT_FALSE(*told);
  }
  // An updater started by hand: its cause is told, no version is kept.
  test_support::TempDatabase temp;
  Result<std::optional<UpdateFailure>> told = SettleUpdateFailures(
      temp.db(), QStringLiteral("1.01.0020"), UpdateOutcome{false, bad, ended});
  ASSERT_TRUE(told && *told);
  EXPECT_EQ((*told)->cause, bad);
  EXPECT_TRUE((*told)->version.isEmpty());

  const QDateTime at(QDate(2026, 12, 8), QTime(10, 0));
  const struct {
    qint64 seconds_after;
    bool quiet;
  } quiet_cases[] = {{0, true}, {86399, true}, {86400, false}, {200000, false}, {-1, false}};
  for (const auto& q : quiet_cases) {
    EXPECT_EQ(KeepsQuiet({QString(), bad, at}, at.addSecs(q.seconds_after)), q.quiet)
        << q.seconds_after;
  }
  EXPECT_FALSE(KeepsQuiet({QString(), bad, QDateTime()}, at));
}

// A failed version: the timer leaves it alone for a day (asking again now
// and then, for a newer one); the menu offers it after asking.
TEST(UpdateCheck, AFailedVersionIsOfferedAgainOnlyWhenNewerOrADayLater) {
  sitesim::SiteSimulator sim(SimOptions(QStringLiteral("1.01.0021")));
  ASSERT_TRUE(sim.Listen());
  SystemSettings settings;
  settings.ManagementBaseAddress = sim.BaseUrl();
  PageFetcher fetcher;
  test_support::TempDatabase temp;
  QDateTime now(QDate(2026, 12, 8), QTime(10, 0));
  const QDateTime failed_at = now;
  int started = 0;
  UpdateCheck check(fetcher, temp.db(), settings,
                    {.program_folder = temp.folder(),
                     .own_version = QStringLiteral("1.01.0020"),
                     .start_updater = [&](const QString&) { return ++started, true; },
                     .now = [&] { return now; }});
  std::optional<UpdateFailure> offered;
  QObject::connect(&check, &UpdateCheck::retryOffered,
                   [&](const UpdateFailure& failure) { offered = failure; });
  auto serve = [&](const char* version) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("version"), QString::fromUtf8(version));
    sim.management().Control(query);
  };
  ASSERT_TRUE(RecordUpdateFailure(temp.db(), QStringLiteral("1.01.0021"),
                                  QStringLiteral("升级包校验失败"), failed_at));

  EXPECT_EQ(QCoro::waitFor(check.Check(false)), UpdateCheck::Outcome::kFailedBefore);
  EXPECT_EQ(started, 0);
  // The timer's next ticks ask nothing ...
  qint64 requests = sim.RequestCount();
  check.CheckFromTimer();
  QTest::qWait(200);
  EXPECT_EQ(sim.RequestCount(), requests);
  // ... until the recheck, which finds the same version.
  now = now.addSecs(UpdateCheck::kQuietRecheckSeconds);
  check.CheckFromTimer();
  EXPECT_TRUE(QTest::qWaitFor([&] { return sim.RequestCount() > requests; }, 5000));
  QTest::qWait(200);
  EXPECT_EQ(started, 0);
  // A version newer than the failed one is offered at once.
  serve("1.01.0022");
  now = now.addSecs(UpdateCheck::kQuietRecheckSeconds);
  EXPECT_EQ(QCoro::waitFor(check.Check(false)), UpdateCheck::Outcome::kNewer);
  EXPECT_EQ(started, 1);
  EXPECT_EQ(CauseOf(temp.db(), "1.01.0022"), QString::fromUtf8(kNoReportCause));
  // A day after its failure, the failed version is offered again.
  serve("1.01.0021");
  now = failed_at.addSecs(kFailedVersionQuietSeconds);
  EXPECT_EQ(QCoro::waitFor(check.Check(false)), UpdateCheck::Outcome::kNewer);
  EXPECT_EQ(started, 2);
  // The menu asks first; the window starts it when the user says yes.
  ASSERT_TRUE(RecordUpdateFailure(temp.db(), QStringLiteral("1.01.0021"),
                                  QStringLiteral("升级包校验失败"), now));
  EXPECT_EQ(QCoro::waitFor(check.Check(true)), UpdateCheck::Outcome::kFailedBefore);
  EXPECT_EQ(started, 2);
  ASSERT_TRUE(offered);
  EXPECT_EQ(offered->version, QStringLiteral("1.01.0021"));
  EXPECT_EQ(offered->cause, QStringLiteral("升级包校验失败"));
  EXPECT_TRUE(check.StartUpdater(offered->version));
  EXPECT_EQ(started, 3);
}

// At start: the leftovers of an interrupted update go and the report is
// read, but not while an updater still holds the folder.
TEST(UpdateCheck, TheStartTidiesTheFolderUnlessAnUpdaterRuns) {
  test_support::TempDatabase temp;
  const QDir folder(temp.folder());
  const QStringList leftovers = {
      QStringLiteral("temp/TALVEC"), QStringLiteral("Update.exe"),
      QStringLiteral("Update.exe.part"), QStringLiteral(".TALVEC.talvec-new"),
      QStringLiteral("help/.index.html.talvec-new")};
  for (const QString& name : leftovers) {
    folder.mkpath(QFileInfo(folder.filePath(name)).path());
    QFile f(folder.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const QDateTime at(QDate(2026, 12, 8), QTime(10, 0));
  ASSERT_TRUE(RecordUpdateStart(temp.db(), QStringLiteral("1.01.0021"), at));
  ASSERT_TRUE(WriteUpdateOutcome(folder.path(), {false, QStringLiteral("安装被中止"), at}));
  SystemSettings settings;
  PageFetcher fetcher;
  UpdateCheck check(fetcher, temp.db(), settings,
                    {.program_folder = folder.path(),
                     .own_version = QStringLiteral("1.01.0020"),
                     .start_updater = {},
                     .now = {}});
  {
    const SingleInstance updater(folder.path(), QLatin1String(kUpdaterLockName));
    ASSERT_TRUE(updater.acquired());
    EXPECT_FALSE(check.SettleLastUpdate());
    for (const QString& name : leftovers) EXPECT_TRUE(folder.exists(name)) << name.toStdString();
  }
  const std::optional<UpdateFailure> told = check.SettleLastUpdate();
  ASSERT_TRUE(told);
  EXPECT_EQ(told->cause, QStringLiteral("安装被中止"));
  EXPECT_EQ(check.lastUpdateFailure()->cause, told->cause);
  for (const QString& name : leftovers) EXPECT_FALSE(folder.exists(name)) << name.toStdString();
  EXPECT_FALSE(folder.exists(QLatin1String(kUpdateOutcomeFileName)));
  EXPECT_TRUE(folder.exists(QStringLiteral("talvec.qzv")));
  EXPECT_TRUE(folder.exists(QStringLiteral("help")));
}

}  // namespace
}  // namespace talvec
