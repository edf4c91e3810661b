// The facts reader against the simulated site: what it reads and when, its
// politeness (one request at a time, a second between requests, none while
// the lists are read or the network is down), retries and failure marking,
// a stop in the middle of a page, and the pages it reads for others.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"
#include "facts/facts_reader.h"
#include "facts/facts_store.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

sitesim::Options SimOptions() {
  sitesim::Options options;
  options.seed = 21;
  options.today = QDate::currentDate();
  options.days_back = 12;
  options.new_every_seconds = 0;
  return options;
}

class FactsReaderTest : public ::testing::Test {
 protected:
  FactsReaderTest()
      : sim_(SimOptions()), listening_(sim_.Listen()), network_(fetcher_, sim_.BaseUrl()) {}

  void SetUp() override {
    ASSERT_TRUE(listening_);
    settings_.SiteBaseAddress = sim_.BaseUrl();
    network_.SetNetworkOk(true);
    QObject::connect(&sim_, &sitesim::SiteSimulator::RequestReceived,
                     [this](const QString& target) {
                       requests_.append({clock_.isValid() ? clock_.elapsed() : 0, target, busy_});
                     });
    clock_.start();
  }

  FactsReaderOptions Options() {
    FactsReaderOptions options;
    options.lists_busy = [this] { return busy_; };
    options.tick_ms = 100;
    options.busy_poll_ms = 50;
    options.retry_ms[0] = 1200;
    options.retry_ms[1] = 2400;
    options.retry_ms[2] = 3600;
    return options;
  }

  // The site's newest announcements of the type, stored as the collectors do.
  QList<sitesim::Announcement> Collect(int type, int count, int skip = 0) {
    QList<sitesim::Announcement> stored;
    const QList<sitesim::Announcement> all = sim_.Announcements(type);
    for (qsizetype i = skip; i < all.size() && stored.size() < count; ++i) {
      const sitesim::Announcement& a = all[i];
      if (!db().Execute("INSERT OR IGNORE INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)",
                        TrimBlanks(a.title).left(127), a.address, a.date.toString(Qt::ISODate),
                        type))
        continue;
      stored.append(a);
    }
    return stored;
  }
  static QString Title(const sitesim::Announcement& a) { return TrimBlanks(a.title).left(127); }
  int FactsRows() { return db().Scalar("SELECT count(*) FROM Facts").toInt(); }
  Database& db() { return tmp_.db(); }

  struct Request {
    qint64 at_ms;
    QString target;
    bool during_lists;
  };
  // Requests for announcement pages (the probe "/" aside).
  QList<Request> PageRequests() const {
    QList<Request> pages;
    for (const Request& r : requests_) {
      if (r.target.contains(QLatin1String("newsView"))) pages.append(r);
    }
    return pages;
  }

  sitesim::SiteSimulator sim_;
  bool listening_;
  test_support::TempDatabase tmp_;
  SystemSettings settings_;
  PageFetcher fetcher_;
  NetworkStatus network_;
  bool busy_ = false;
  QElapsedTimer clock_;
  QList<Request> requests_;
};

TEST_F(FactsReaderTest, ReadsNewAnnouncementsPolitelyNewestFirst) {
  const QList<sitesim::Announcement> tenders = Collect(2, 3);
  const QList<sitesim::Announcement> corrections = Collect(5, 2);
  Collect(4, 2);  // results: the analysis reads those
  // An announcement older than the reader's days waits for the command.
  ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES('旧公告', ?, '2020-01-01', 2)",
                           tenders.first().address));
  FactsReader reader(db(), settings_, fetcher_, network_, Options());
  busy_ = true;  // a cycle reads its lists
  network_.SetNetworkOk(false);
  reader.Start();
  QTest::qWait(600);
  EXPECT_TRUE(PageRequests().isEmpty());
  network_.SetNetworkOk(true);
  QTest::qWait(600);
  EXPECT_TRUE(PageRequests().isEmpty());  // still reading lists
  busy_ = false;
  ASSERT_TRUE(QTest::qWaitFor([&] { return FactsRows() == 5; }, 20000)) << FactsRows();
  QTest::qWait(500);
  const QList<Request> pages = PageRequests();
  ASSERT_EQ(pages.size(), 5);
  for (qsizetype i = 1; i < pages.size(); ++i) {
    EXPECT_GE(pages[i].at_ms - pages[i - 1].at_ms, 1000) << i;
    EXPECT_FALSE(pages[i].during_lists);
  }
  EXPECT_EQ(FactsRows(), 5);
  // Newest first: the order of the list dates (and, on one day, of the List).
  QStringList dates;
  for (const Request& r : pages) {
    const std::optional<sitesim::Announcement> a = sim_.FindAnnouncement(r.target);
    ASSERT_TRUE(a);
    dates << a->date.toString(Qt::ISODate);
  }
  QStringList sorted = dates;
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  EXPECT_EQ(dates, sorted);
  // What the pages state is stored.
  for (const sitesim::Announcement& a : tenders + corrections) {
    const std::optional<FactsRow> row = ReadFacts(db(), Title(a)).value();
    ASSERT_TRUE(row);
    EXPECT_EQ(row->state, FactsState::kRead);
    EXPECT_EQ(row->project_key, a.facts.project_key);
    EXPECT_EQ(row->deadline, a.facts.deadline);
    EXPECT_EQ(row->buyer, a.facts.buyer);
  }
  EXPECT_FALSE(ReadFacts(db(), QStringLiteral("旧公告")).value());
}

TEST_F(FactsReaderTest, AFailingPageIsTriedFourTimesThenMarkedFailed) {
  const sitesim::Announcement broken = Collect(7, 1).first();
  sim_.SetFault({sitesim::FaultMode::kErrorWords, QStringLiteral("2"), 0,
                 broken.address.mid(broken.address.indexOf(QLatin1String("id=")))});
  FactsReader reader(db(), settings_, fetcher_, network_, Options());
  QSignalSpy read(&reader, &FactsReader::factsRead);
  reader.Start();
  ASSERT_TRUE(read.wait(20000));
  EXPECT_EQ(read.first().at(1).toInt(), static_cast<int>(FactsState::kFailed));
  const QList<Request> pages = PageRequests();
  ASSERT_EQ(pages.size(), FactsReader::kAttempts);
  // Each retry waits for its time, counted from the first request.
  const FactsReaderOptions options = Options();
  for (int i = 1; i < FactsReader::kAttempts; ++i)
    EXPECT_GE(pages[i].at_ms - pages[0].at_ms, options.retry_ms[i - 1]) << i;
  EXPECT_EQ(ReadFacts(db(), Title(broken)).value()->state, FactsState::kFailed);
  // The site answered its probe each time: the network stayed up.
  EXPECT_TRUE(network_.NetworkOk());
  QTest::qWait(800);
  EXPECT_EQ(PageRequests().size(), FactsReader::kAttempts);  // given up for good
  // The real schedule: the last request begins (a tick late at most) and
  // ends within ten minutes of the first.
  const FactsReaderOptions defaults;
  EXPECT_LE(defaults.retry_ms[2] + defaults.tick_ms + PageFetcher::kDeadlineMs, 10 * 60 * 1000);
}

TEST_F(FactsReaderTest, ASiteThatIsDownCountsNoFailure) {
  const sitesim::Announcement page = Collect(2, 1).first();
  sim_.SetFault(sitesim::FaultMode::kErrorWords);  // every request, the probe too
  FactsReader reader(db(), settings_, fetcher_, network_, Options());
  reader.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !network_.NetworkOk(); }, 10000));
  const int tried = static_cast<int>(PageRequests().size());
  EXPECT_EQ(tried, 1);
  QTest::qWait(800);
  EXPECT_EQ(PageRequests().size(), tried);  // it waits for the network
  sim_.SetFault(sitesim::FaultMode::kNone);
  network_.SetNetworkOk(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return FactsRows() == 1; }, 10000));
  EXPECT_EQ(ReadFacts(db(), Title(page)).value()->state, FactsState::kRead);
}

TEST_F(FactsReaderTest, StopInTheMiddleOfAPage) {
  Collect(2, 2);
  sim_.SetFault(sitesim::FaultMode::kStall, QStringLiteral("30"));
  FactsReader reader(db(), settings_, fetcher_, network_, Options());
  reader.Start();
  // The site holds the page's request unanswered.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return fetcher_.pending() == 1 && PageRequests().size() == 1; }, 5000));
  const qint64 sent = sim_.RequestCount();
  reader.Stop();
  EXPECT_EQ(fetcher_.pending(), 0);
  QTest::qWait(1500);
  EXPECT_EQ(sim_.RequestCount(), sent);
  EXPECT_EQ(FactsRows(), 0);
}

TEST_F(FactsReaderTest, ResultPagesTheUsersPageAndTheCommand) {
  FactsReaderOptions options = Options();
  options.recent_days = 0;  // only today's announcements on its own
  FactsReader reader(db(), settings_, fetcher_, network_, options);
  QSignalSpy read(&reader, &FactsReader::factsRead);
  // A result page the analysis has read: no request of the reader's own.
  const sitesim::Announcement result = Collect(4, 1).first();
  reader.TakePage(Title(result), QString::fromUtf8(sim_.Page(result.address)));
  ASSERT_TRUE(!read.isEmpty() || read.wait(5000));
  EXPECT_TRUE(PageRequests().isEmpty());
  const FactsRow row = ReadFacts(db(), Title(result)).value().value();
  EXPECT_EQ(row.project_key, result.facts.project_key);
  EXPECT_EQ(row.buyer, result.facts.buyer);

  // Older announcements: the command reads them, with progress and a cancel;
  // the user's page goes first.
  const QList<sitesim::Announcement> old = Collect(2, 4, 40);
  ASSERT_EQ(old.size(), 4);
  const int days = static_cast<int>(old.last().date.daysTo(QDate::currentDate())) + 1;
  QSignalSpy progress(&reader, &FactsReader::recentProgress);
  QSignalSpy finished(&reader, &FactsReader::recentFinished);
  reader.ReadNow(Title(old.last()));
  const Result<int> started = reader.ReadRecent(days);
  ASSERT_TRUE(started);
  EXPECT_EQ(*started, 4);
  EXPECT_FALSE(reader.ReadRecent(days));  // one at a time
  ASSERT_TRUE(QTest::qWaitFor([&] { return progress.size() >= 2; }, 10000));
  EXPECT_EQ(sim_.FindAnnouncement(PageRequests().first().target)->id, old.last().id);
  reader.CancelRecent();
  ASSERT_EQ(finished.size(), 1);
  EXPECT_TRUE(finished.first().at(2).toBool());
  const int after_cancel = FactsRows();
  QTest::qWait(1500);
  EXPECT_LE(FactsRows(), after_cancel + 1);  // at most the page under way
  ASSERT_TRUE(reader.ReadRecent(days));
  ASSERT_TRUE(finished.wait(15000));
  EXPECT_FALSE(finished.last().at(2).toBool());
  EXPECT_EQ(FactsRows(), 5);
  // Facts stored already: the user's page needs no request.
  const qsizetype before = PageRequests().size();
  read.clear();
  reader.ReadNow(Title(old.first()));
  ASSERT_EQ(read.size(), 1);
  EXPECT_EQ(read.first().at(1).toInt(), static_cast<int>(FactsState::kRead));
  EXPECT_EQ(PageRequests().size(), before);
}

}  // namespace
}  // namespace talvec
