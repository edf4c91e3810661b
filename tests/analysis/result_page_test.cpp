#include "analysis/result_page.h"

#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QHash>
#include <QSignalSpy>
#include <QTest>

#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "core/settings.h"
#include "tests/raw_http_server.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using test_support::RawHttpServer;

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

QByteArray ResultPage(const char* cell) {
  return QByteArray(
             "<html><body><table><tr><td class=\"h\">各包中标/成交供应商名称、地址及报价</td>"
             "<td colspan=\"3\">") +
         cell + "</td><td>备注</td></tr></table><div>版权所有 某省政府采购网</div></body></html>";
}

// A site whose pages are set per path; "/" is the probe.
class ResultPageTest : public ::testing::Test {
 protected:
  ResultPageTest()
      : server_([this](const QByteArray& path) {
          if (stall_ && path != "/") return RawHttpServer::Answer{{}, true};
          return RawHttpServer::Html(pages_.value(path, "<html>页面没有找到</html>"));
        }),
        network_(fetcher_, server_.base()),
        reader_(tmp_.db(), settings_, fetcher_, network_) {
    settings_.AutoAnalysis = 1;
    settings_.SiteBaseAddress = server_.base();
    pages_["/"] = "<html>首页</html>";
    network_.SetNetworkOk(true);
  }

  // A result announcement in List; returns its ID.
  int AddAnnouncement(const QString& title, const QString& address) {
    EXPECT_TRUE(tmp_.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,4)", title,
                                  address, "2026-12-01"));
    return tmp_.db().Scalar("SELECT ID FROM List WHERE MC = ?", title).toInt();
  }

  AnalysisOutcome Analyse(const QString& path, int id, const QString& title = S("某项目结果公告")) {
    return QCoro::waitFor(reader_.AnalyseResultAnnouncement(server_.base() + path, id, title));
  }

  QVariant Summary(int id) { return tmp_.db().Scalar("SELECT ZBXX FROM List WHERE ID=?", id); }
  qint64 AwardRows() { return tmp_.db().Scalar("SELECT count(*) FROM GYS").toLongLong(); }

  test_support::TempDatabase tmp_;
  QHash<QByteArray, QByteArray> pages_;
  bool stall_ = false;
  RawHttpServer server_;
  PageFetcher fetcher_;
  NetworkStatus network_;
  SystemSettings settings_;
  ResultPageReader reader_;
};

TEST_F(ResultPageTest, NotFoundPageLeavesQueuedAndReactsAsNetworkLossWhenTheSiteIsDown) {
  const int id = AddAnnouncement(S("甲"), "/a.html");
  pages_.remove("/");  // the probe fails too
  EXPECT_EQ(Analyse("/a.html", id), AnalysisOutcome::kUnreachable);
  EXPECT_TRUE(Summary(id).isNull());
  EXPECT_FALSE(network_.NetworkOk());
  EXPECT_TRUE(network_.timerCheckNet().isActive());
  EXPECT_TRUE(network_.Unreachable());
}

TEST_F(ResultPageTest, PagesThatNeverComeBackBecomePageFaultsWithoutANetworkLoss) {
  // Empty, oversized and broken pages fail like missing ones; the site
  // answers its probe all the while.
  pages_["/empty.html"] = "";
  pages_["/huge.html"] = QByteArray(PageFetcher::kResultPageBytes + 10, 'x');
  for (const char* path : {"/empty.html", "/huge.html"}) {
    const int id = AddAnnouncement(S(path), QString::fromLatin1(path));
    for (int i = 1; i < ResultPageReader::kFailureLimit; ++i) {
      EXPECT_EQ(Analyse(path, id), AnalysisOutcome::kUnreachable) << path;
      EXPECT_TRUE(Summary(id).isNull());
    }
    EXPECT_EQ(Analyse(path, id), AnalysisOutcome::kPageFault) << path;
    EXPECT_EQ(Summary(id).toString(), S("网页故障"));
    EXPECT_TRUE(network_.NetworkOk());
  }
}

TEST_F(ResultPageTest, PageMissingWhileSiteAnswersBecomesPageFaultOnThirdAnswer) {
  const int id = AddAnnouncement(S("甲"), "/gone.html");
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  EXPECT_TRUE(Summary(id).isNull());
  network_.SetNetworkOk(true);
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kPageFault);
  EXPECT_EQ(Summary(id).toString(), S("网页故障"));
  EXPECT_TRUE(network_.NetworkOk());  // the third answer is no network loss
}

TEST_F(ResultPageTest, NotFoundCountsOnlyWhileTheProbeSucceeds) {
  const int id = AddAnnouncement(S("甲"), "/gone.html");
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  // The site itself answers "not found": the count starts over.
  pages_.remove("/");
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  pages_["/"] = "<html>首页</html>";
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kUnreachable);
  EXPECT_TRUE(Summary(id).isNull());
  EXPECT_EQ(Analyse("/gone.html", id), AnalysisOutcome::kPageFault);
}

TEST_F(ResultPageTest, PageCasesAndTheirSummaries) {
  struct Case {
    QByteArray page;
    AnalysisOutcome outcome;
    const char* summary;
  } cases[] = {
      {"<table><tr><td>某某科技有限公司</td></tr></table>版权所有", AnalysisOutcome::kPageFault,
       "网页故障"},
      {"版权所有<p>各包中标/成交供应商名称、地址及报价<td>某某公司</td>", AnalysisOutcome::kNoInfo,
       "无信息"},
      {"各包中标/成交供应商名称、地址及报价<td>某某公司</td>", AnalysisOutcome::kNoInfo, "无信息"},
      {"各包中标/成交供应商名称、地址及报价<p>某某公司</p>版权所有", AnalysisOutcome::kNoInfo,
       "无信息"},
      {ResultPage("废标"), AnalysisOutcome::kSummaryOnly, "废标"},
      {ResultPage("  流标 "), AnalysisOutcome::kSummaryOnly, "流标"},
      // A blank cell would leave an empty summary and keep the row queued.
      {ResultPage("    "), AnalysisOutcome::kSummaryOnly, "无信息"},
      {ResultPage("A's 公司"), AnalysisOutcome::kExtracted, "A‘s 公司"},
  };
  int n = 0;
  for (const Case& c : cases) {
    pages_["/p.html"] = c.page;
    const int id = AddAnnouncement(QStringLiteral("case %1").arg(++n), "/p.html");
    EXPECT_EQ(Analyse("/p.html", id), c.outcome) << c.page.constData();
    EXPECT_EQ(Summary(id).toString(), S(c.summary)) << c.page.constData();
  }
  EXPECT_EQ(AwardRows(), 0);
}

TEST_F(ResultPageTest, LongCellIsCutAfterTrimming) {
  const QByteArray cell = "   " + QString(200, QChar(u'标')).toUtf8() + "   ";
  pages_["/long.html"] = ResultPage(cell.constData());
  const int id = AddAnnouncement(S("长"), "/long.html");
  EXPECT_EQ(Analyse("/long.html", id), AnalysisOutcome::kSummaryOnly);
  EXPECT_EQ(Summary(id).toString(), QString(127, QChar(u'标')));
}

TEST_F(ResultPageTest, AwardsAreStoredWithThePreparedCell) {
  pages_["/r.html"] =
      ResultPage("成交供应商：某某科技有限公司，地址：某市某路1号，成交金额：12.5万元");
  const QString title = S("某县某项目成交结果公告 ") + QString(130, QChar(u'x'));
  const int id = AddAnnouncement(title, "/r.html");
  EXPECT_EQ(Analyse("/r.html", id, title), AnalysisOutcome::kExtracted);
  EXPECT_EQ(Summary(id).toString(),
            S("成交供应商:某某科技有限公司，地址:某市某路1号，成交金额:12.5万元"));
  Statement st = tmp_.db().Prepare("SELECT MC, GYS, JE FROM GYS");
  ASSERT_TRUE(st.Next());
  EXPECT_EQ(st.Text(0), title.left(127));
  EXPECT_EQ(st.Text(1), S("某某科技有限公司"));
  EXPECT_EQ(st.Text(2), S("125000"));
  EXPECT_FALSE(st.Next());
}

TEST_F(ResultPageTest, FailedSummaryWritesNoAwardsSoARetryStoresThemOnce) {
  pages_["/r.html"] =
      ResultPage("第1包，某某信息技术有限公司，120000元，第2包，某某县农业专业合作社，3.2万元");
  const int id = AddAnnouncement(S("两包"), "/r.html");
  ASSERT_TRUE(
      tmp_.db().Execute("CREATE TRIGGER NoSummary BEFORE UPDATE OF ZBXX ON List BEGIN SELECT "
                        "RAISE(ABORT, 'x'); END"));
  EXPECT_EQ(Analyse("/r.html", id), AnalysisOutcome::kStoreFailed);
  EXPECT_EQ(AwardRows(), 0);
  EXPECT_TRUE(Summary(id).isNull());
  ASSERT_TRUE(tmp_.db().Execute("DROP TRIGGER NoSummary"));
  EXPECT_EQ(Analyse("/r.html", id), AnalysisOutcome::kExtracted);
  EXPECT_EQ(AwardRows(), 2);
}

TEST_F(ResultPageTest, WorkingEndsOnlyWhenAnalysisWasSwitchedOff) {
  pages_["/r.html"] = ResultPage("废标");
  QSignalSpy ended(&reader_, &ResultPageReader::workingEnded);
  Analyse("/r.html", AddAnnouncement(S("一"), "/r.html"));
  EXPECT_TRUE(ended.isEmpty());
  settings_.AutoAnalysis = 2;
  Analyse("/r.html", AddAnnouncement(S("二"), "/r.html"));
  EXPECT_EQ(ended.size(), 1);
}

TEST_F(ResultPageTest, StoppingDuringTheFetchWritesNothing) {
  const int id = AddAnnouncement(S("甲"), "/slow.html");
  stall_ = true;
  auto task = reader_.AnalyseResultAnnouncement(server_.base() + "/slow.html", id, S("甲"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return fetcher_.pending() == 1; }, 5000));
  reader_.Stop();
  ASSERT_TRUE(task.isReady());
  EXPECT_EQ(QCoro::waitFor(std::move(task)), AnalysisOutcome::kUnreachable);
  EXPECT_TRUE(Summary(id).isNull());
  EXPECT_TRUE(network_.NetworkOk());
}

}  // namespace
}  // namespace talvec
