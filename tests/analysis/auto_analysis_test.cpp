#include "analysis/auto_analysis.h"

#include <gtest/gtest.h>
#include <QSignalSpy>

#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/raw_http_server.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using test_support::RawHttpServer;

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

class AutoAnalysisTest : public ::testing::Test {
 protected:
  AutoAnalysisTest()
      : server_([this](const QByteArray& path) {
          if (path != "/") fetched_.append(QString::fromLatin1(path));
          return RawHttpServer::Html(
              "<table><tr><td>各包中标/成交供应商名称、地址及报价</td><td>废标</td></tr></"
              "table>版权所有");
        }),
        network_(fetcher_, server_.base()),
        auto_(tmp_.db(), settings_, fetcher_, network_) {
    settings_.AutoAnalysis = 1;
    settings_.SiteBaseAddress = server_.base();
  }

  Database& db() { return tmp_.db(); }

  void Add(int n, int type, const QVariant& date, const QVariant& zbxx = QVariant()) {
    // Stored addresses and titles may carry blanks; the driver trims them.
    ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX, ZBXX) VALUES(?,?,?,?,?)",
                             QStringLiteral(" 公告%1 ").arg(n),
                             QStringLiteral(" /r/%1.html ").arg(n), date, type, zbxx));
  }

  QStringList QueueTitles() {
    auto queue = ReadAnalysisQueue(db());
    EXPECT_TRUE(queue.has_value());
    QStringList titles;
    for (const QueuedAnnouncement& row : queue.value_or(QList<QueuedAnnouncement>{})) {
      titles.append(TrimBlanks(row.title));
    }
    return titles;
  }

  // Runs one tick and waits for its batch to end.
  void TickAndWait() {
    QSignalSpy done(&auto_, &AutoAnalysis::batchFinished);
    auto_.OnTimerAuto();
    ASSERT_TRUE(done.wait(10000));
  }

  test_support::TempDatabase tmp_;
  QStringList fetched_;
  RawHttpServer server_;
  PageFetcher fetcher_;
  NetworkStatus network_;
  SystemSettings settings_;
  AutoAnalysis auto_;
};

QString Day(int d) { return QStringLiteral("2026-11-%1").arg(d, 2, 10, QLatin1Char('0')); }

TEST_F(AutoAnalysisTest, QueueIsTenNewestPlusTiesOfTheTenth) {
  for (int n = 1; n <= 12; ++n) Add(n, n % 2 ? 4 : 9, Day(n));
  // Never queued: other types, analysed rows.
  Add(20, 1, Day(30));
  Add(21, 2, Day(30), "");
  Add(22, 4, Day(30), S("网页故障"));
  Add(23, 9, Day(30), S("无信息"));
  EXPECT_EQ(QueueTitles(), (QStringList{"公告12", "公告11", "公告10", "公告9", "公告8", "公告7",
                                        "公告6", "公告5", "公告4", "公告3"}));
  // Rows sharing the tenth's date all come along; an empty summary is pending.
  Add(13, 4, Day(3), "");
  Add(14, 4, Day(3));
  EXPECT_EQ(QueueTitles().size(), 12);
  EXPECT_EQ(QueueTitles().mid(9), (QStringList{"公告14", "公告13", "公告3"}));
}

TEST_F(AutoAnalysisTest, QueueOfOneDateAndOfFewRows) {
  EXPECT_TRUE(QueueTitles().isEmpty());
  for (int n = 1; n <= 3; ++n) Add(n, 4, Day(1));
  EXPECT_EQ(QueueTitles().size(), 3);
  for (int n = 4; n <= 12; ++n) Add(n, 9, Day(1));
  EXPECT_EQ(QueueTitles().size(), 12);
  EXPECT_EQ(QueueTitles().first(), S("公告12"));  // newest row first within a date
  // A dateless tenth ties with every dateless row.
  ASSERT_TRUE(db().Execute("UPDATE List SET SJ=NULL WHERE ID>8"));
  for (int n = 13; n <= 15; ++n) Add(n, 4, QVariant());
  EXPECT_EQ(QueueTitles().size(), 15);
}

TEST_F(AutoAnalysisTest, QueueReadsThePartialIndex) {
  Statement plan = db().Prepare(
      "EXPLAIN QUERY PLAN SELECT ID, MC, DZ, SJ FROM List WHERE (LX=4 OR LX=9) AND "
      "(ZBXX IS NULL OR ZBXX='') AND SJ >= ? ORDER BY SJ DESC, ID DESC");
  QString details;
  while (plan.Next()) details += plan.Text(3) + QLatin1Char('\n');
  EXPECT_TRUE(details.contains(QLatin1String("List_Queue"))) << details.toStdString();
  EXPECT_FALSE(details.contains(QLatin1String("TEMP B-TREE"))) << details.toStdString();
}

TEST_F(AutoAnalysisTest, TwelveDatesTakeTwoTicks) {
  for (int n = 1; n <= 12; ++n) Add(n, 4, Day(n));
  auto_.timerAuto()->start();
  TickAndWait();
  EXPECT_EQ(fetched_.size(), 10);
  EXPECT_EQ(fetched_.first(), QLatin1String("/r/12.html"));
  EXPECT_TRUE(auto_.timerAuto()->isActive());
  EXPECT_EQ(auto_.timerAuto()->interval(), 50000);
  EXPECT_EQ(QueueTitles(), (QStringList{"公告2", "公告1"}));
  TickAndWait();
  EXPECT_EQ(fetched_.size(), 12);
  EXPECT_TRUE(QueueTitles().isEmpty());
  EXPECT_EQ(db().Scalar("SELECT count(*) FROM List WHERE ZBXX=?", S("废标")).toInt(), 12);
}

TEST_F(AutoAnalysisTest, OneBatchAtATime) {
  for (int n = 1; n <= 12; ++n) Add(n, 4, Day(1));
  QSignalSpy done(&auto_, &AutoAnalysis::batchFinished);
  auto_.OnTimerAuto();
  EXPECT_TRUE(auto_.BatchRunning());
  EXPECT_FALSE(auto_.timerAuto()->isActive());
  auto_.OnCycleStart();  // switches the timer on in the middle of the batch
  auto_.OnTimerAuto();
  ASSERT_TRUE(done.wait(10000));
  EXPECT_EQ(done.size(), 1);
  EXPECT_EQ(done.first().at(0).toInt(), 12);
  EXPECT_EQ(fetched_.size(), 12);
  EXPECT_EQ(fetched_.removeDuplicates(), 0);
}

TEST_F(AutoAnalysisTest, AStoppedBatchIsNoLongerRunning) {
  for (int n = 1; n <= 3; ++n) Add(n, 4, Day(1));
  auto_.OnTimerAuto();
  ASSERT_TRUE(auto_.BatchRunning());
  auto_.Stop();
  EXPECT_FALSE(auto_.BatchRunning());
  EXPECT_FALSE(auto_.timerAuto()->isActive());
}

TEST_F(AutoAnalysisTest, SwitchedOffTickDoesNothing) {
  Add(1, 4, Day(1));
  settings_.AutoAnalysis = 2;
  auto_.timerAuto()->start();
  auto_.OnTimerAuto();
  EXPECT_FALSE(auto_.BatchRunning());
  EXPECT_TRUE(auto_.timerAuto()->isActive());
  EXPECT_EQ(QueueTitles().size(), 1);
  EXPECT_EQ(server_.requests(), 0);
}

TEST_F(AutoAnalysisTest, FailingQueueKeepsTheTimerRunning) {
  Add(1, 4, Day(1));
  auto_.timerAuto()->start();
  ASSERT_TRUE(db().Execute("ALTER TABLE List RENAME TO Hidden"));
  auto_.OnTimerAuto();
  EXPECT_FALSE(auto_.BatchRunning());
  EXPECT_TRUE(auto_.timerAuto()->isActive());
  ASSERT_TRUE(db().Execute("ALTER TABLE Hidden RENAME TO List"));
  TickAndWait();
  EXPECT_EQ(fetched_, QStringList{"/r/1.html"});
}

TEST_F(AutoAnalysisTest, CycleStartAndSettingsSwitchTheTimer) {
  EXPECT_EQ(auto_.timerAuto()->objectName(), QLatin1String("TimerAuto"));
  EXPECT_FALSE(auto_.timerAuto()->isActive());
  auto_.OnCycleStart();
  EXPECT_TRUE(auto_.timerAuto()->isActive());
  settings_.AutoAnalysis = 2;
  auto_.OnCycleStart();
  EXPECT_FALSE(auto_.timerAuto()->isActive());
  settings_.AutoAnalysis = 1;
  auto_.OnSettingsClosed();
  EXPECT_TRUE(auto_.timerAuto()->isActive());
}

}  // namespace
}  // namespace talvec
