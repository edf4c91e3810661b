#include "collect/list_collector.h"

#include <gtest/gtest.h>

#include "collect/channels.h"
#include "collect/page_store.h"
#include "core/database.h"
#include "core/dates.h"
#include "core/text.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "tests/collect/fake_site.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using test_support::FakeItem;
using test_support::ListPageHtml;

// A collector environment on a temporary database, with a fixed today.
struct Bench {
  Bench() : network(fetcher, QStringLiteral("http://127.0.0.1:1")) {
    network.SetNetworkOk(true);
    state.LastCollectionDate = QStringLiteral("2016-03-20");
  }
  PageOutcome Apply(int type, const QList<FakeItem>& items) {
    return ApplyListPage(env, ListPageHtml(ChannelOfType(type)->Heading(), items), type);
  }
  int Rows() {
    return static_cast<int>(temp.db().Scalar("SELECT count(*) FROM List").toLongLong());
  }
  QString DateOf(const QString& title) {
    return temp.db().Scalar("SELECT SJ FROM List WHERE MC = ?", title).toString();
  }
  QString Day(int days_before_today) const { return DateText(today.addDays(-days_before_today)); }

  test_support::TempDatabase temp;
  PageFetcher fetcher;
  NetworkStatus network;
  CollectionState state;
  QDate today{2016, 4, 1};
  QString list_date;
  CollectorEnv env{temp.db(), network, state, [this] { return today; },
                   [this] { return list_date; }};
};

TEST(ListPage, RegionRunsFromHeadingToPageMarker) {
  const QString heading = QStringLiteral("市县采购公告列表");
  const QString page = QStringLiteral("<li><a href=\"/before\" title=\"不算\"></a>") + heading +
                       QStringLiteral(
                           "<ul><li><a href=\"/a?x=1&amp;y=2\" title=\"甲&quot;\"></a><span "
                           "class=\"date\">2016-3-5</span>"
                           "<li>no marks at all<li><a href=\"/c\" title=\"丙\">") +
                       QStringLiteral("</ul>页次 1/2 <li><a href=\"/after\" title=\"也不算\"></a>");
  const ParsedListPage parsed = ParseListPage(page, heading);
  ASSERT_EQ(parsed.shape, ListPageShape::kItems);
  ASSERT_EQ(parsed.items.size(), 3);
  EXPECT_EQ(parsed.items[0].address, QStringLiteral("/a?x=1&amp;y=2"));  // kept undecoded
  EXPECT_EQ(parsed.items[0].title, QStringLiteral("甲&quot;"));
  EXPECT_EQ(parsed.items[0].date, QStringLiteral("2016-3-5"));
  EXPECT_TRUE(parsed.items[1].title.isEmpty());
  EXPECT_TRUE(parsed.items[1].address.isEmpty());
  EXPECT_EQ(parsed.items[2].address, QStringLiteral("/c"));
  EXPECT_TRUE(parsed.items[2].date.isEmpty());

  EXPECT_EQ(ParseListPage(QStringLiteral("<li>页次"), heading).shape, ListPageShape::kNoHeading);
  EXPECT_EQ(
      ParseListPage(QStringLiteral("页次") + heading + QStringLiteral("<li>x"), heading).shape,
      ListPageShape::kNoRegion);
  EXPECT_EQ(ParseListPage(heading + QStringLiteral("<li>x"), heading).shape,
            ListPageShape::kNoRegion);
  EXPECT_EQ(ParseListPage(heading + QStringLiteral("<ul></ul>页次"), heading).shape,
            ListPageShape::kNoItems);
}

TEST(ListPage, DatesAndCuts) {
  EXPECT_EQ(ReformatDate(QStringLiteral("2016/3/5")), QStringLiteral("2016-03-05"));
  EXPECT_EQ(ReformatDate(QStringLiteral(" 2016-03-05 10:22:01")), QStringLiteral("2016-03-05"));
  EXPECT_EQ(ReformatDate(QStringLiteral("2016年3月5日")), QStringLiteral("2016-03-05"));
  EXPECT_EQ(ReformatDate(QStringLiteral("2016-02-30")),
            QStringLiteral("2016-02-30"));  // not a date
  EXPECT_EQ(ReformatDate(QStringLiteral("昨天")), QStringLiteral("昨天"));
  const QString pair = QString::fromUcs4(U"\U0001F600");
  EXPECT_EQ(CutChars(QString(126, u'x') + pair, 127), QString(126, u'x'));  // no half pair
  const StoredAnnouncement s =
      StoredForm({QString(300, u'a'), QString(300, u'b'), QStringLiteral("  2016-03-05  ")});
  EXPECT_EQ(s.title.size(), 127);
  EXPECT_EQ(s.address.size(), 255);
  EXPECT_EQ(s.date, QStringLiteral("2016-03-05"));
}

TEST(ListCollector, NewItemsAreStoredVerbatimAndThePageCounterAdvances) {
  Bench b;
  const QList<FakeItem> items = {
      {QStringLiteral("成都市'某局'采购"), QStringLiteral("2016-03-30"), {}},
      {QStringLiteral("乐山市采购 ; DROP TABLE List; --"), QStringLiteral("2016/3/31"), {}},
      {QStringLiteral("绵阳市采购"), QStringLiteral("2016-04-01"), {}}};
  EXPECT_EQ(b.Apply(2, items), PageOutcome::kRead);
  EXPECT_EQ(b.Rows(), 3);
  EXPECT_EQ(b.state.OfType(2).PageCounter, 2);
  EXPECT_FALSE(b.state.OfType(2).ChannelDoneFlag);
  EXPECT_EQ(b.state.new_announcements, 3);
  EXPECT_EQ(b.DateOf(QStringLiteral("成都市'某局'采购")), QStringLiteral("2016-03-30"));
  EXPECT_EQ(b.DateOf(QStringLiteral("乐山市采购 ; DROP TABLE List; --")),
            QStringLiteral("2016-03-31"));
  EXPECT_EQ(
      b.temp.db().Scalar("SELECT LX FROM List WHERE MC = ?", QStringLiteral("绵阳市采购")).toInt(),
      2);
}

TEST(ListCollector, LongAndPaddedTitlesAreRecognisedOnTheNextVisit) {
  Bench b;
  const QString long_title = QString(130, u'标');
  const QList<FakeItem> items = {{long_title, b.Day(0), {}},
                                 {QStringLiteral("  两端有空格  "), b.Day(0), {}}};
  EXPECT_EQ(b.Apply(1, items), PageOutcome::kRead);
  EXPECT_EQ(b.DateOf(long_title.left(127)), b.Day(0));
  EXPECT_EQ(b.DateOf(QStringLiteral("两端有空格")), b.Day(0));
  // Channel-done rule: the known long title ends the channel at once.
  EXPECT_EQ(b.Apply(1, {{long_title, b.Day(0), {}}, {QStringLiteral("新的"), b.Day(0), {}}}),
            PageOutcome::kKnown);
  EXPECT_TRUE(b.state.OfType(1).ChannelDoneFlag);
  EXPECT_EQ(b.state.OfType(1).PageCounter, 2);  // unchanged by the early return
  EXPECT_EQ(b.Rows(), 2);                       // "新的" after it was not read
  b.state.ResetChannels();
  EXPECT_EQ(b.Apply(1, {{QStringLiteral("两端有空格"), b.Day(0), {}}}), PageOutcome::kKnown);
}

TEST(ListCollector, SevenDayTestAroundItsLimit) {
  Bench b;
  b.Apply(4, {{QStringLiteral("三天前"), b.Day(3), {}},
              {QStringLiteral("六天前"), b.Day(6), {}},
              {QStringLiteral("七天前"), b.Day(7), {}}});
  b.state.ResetChannels();
  EXPECT_EQ(b.Apply(4, {{QStringLiteral("三天前"), b.Day(3), {}},
                        {QStringLiteral("六天前"), b.Day(6), {}},
                        {QStringLiteral("新一"), b.Day(6), {}}}),
            PageOutcome::kRead);
  EXPECT_FALSE(b.state.OfType(4).ChannelDoneFlag);
  EXPECT_EQ(b.Apply(4, {{QStringLiteral("七天前"), b.Day(7), {}},
                        {QStringLiteral("新二"), b.Day(7), {}}}),
            PageOutcome::kKnown);
  EXPECT_TRUE(b.state.OfType(4).ChannelDoneFlag);
  EXPECT_EQ(b.DateOf(QStringLiteral("新一")), b.Day(6));
  EXPECT_TRUE(b.DateOf(QStringLiteral("新二")).isEmpty());
}

TEST(ListCollector, CatchUpTestEndsTheCycleAndWritesTheCollectionDate) {
  Bench b;
  const QList<FakeItem> known = {{QStringLiteral("二十一日"), QStringLiteral("2016-03-21"), {}},
                                 {QStringLiteral("二十日"), QStringLiteral("2016-03-20"), {}},
                                 {QStringLiteral("十九日"), QStringLiteral("2016-03-19"), {}}};
  b.Apply(2, known);
  b.state.ResetChannels();
  EXPECT_EQ(b.Apply(2, {known[0], known[1], {QStringLiteral("同页新的"), b.Day(0), {}}}),
            PageOutcome::kRead);
  EXPECT_FALSE(b.state.StopCollection);
  // The order-dependent rule sees the page's own earlier rows.
  EXPECT_EQ(b.Apply(2, {{QStringLiteral("同页重复"), QStringLiteral("2016-03-01"), {}},
                        {QStringLiteral("同页重复"), QStringLiteral("2016-03-01"), {}},
                        {QStringLiteral("不再读"), b.Day(0), {}}}),
            PageOutcome::kCaughtUp);
  EXPECT_TRUE(b.state.StopCollection);
  EXPECT_TRUE(b.state.OfType(2).ChannelDoneFlag);
  EXPECT_EQ(b.state.LastCollectionDate, QStringLiteral("2016-04-01"));
  EXPECT_EQ(b.temp.db().Scalar("SELECT CollectionDate FROM SysSet").toString(),
            QStringLiteral("2016-04-01"));
  EXPECT_TRUE(b.DateOf(QStringLiteral("不再读")).isEmpty());
  EXPECT_FALSE(b.DateOf(QStringLiteral("同页重复")).isEmpty());  // committed with the page
}

TEST(ListCollector, KnownItemWithAnUnreadableDateDecidesNothing) {
  Bench b;
  b.Apply(2, {{QStringLiteral("无日期"), QStringLiteral("不详"), {}}});
  b.state.ResetChannels();
  EXPECT_EQ(b.Apply(2, {{QStringLiteral("无日期"), QStringLiteral("不详"), {}}}),
            PageOutcome::kRead);
  EXPECT_FALSE(b.state.StopCollection);
}

TEST(ListCollector, MissingOrUnreadableDateFallsBackToTheResultListThenToToday) {
  Bench b;
  b.Apply(7, {{QStringLiteral("甲"), {}, {}}, {QStringLiteral("丙"), QStringLiteral("12-09"), {}}});
  EXPECT_EQ(b.DateOf(QStringLiteral("甲")), QStringLiteral("2016-04-01"));
  EXPECT_EQ(b.DateOf(QStringLiteral("丙")), QStringLiteral("2016-04-01"));
  b.list_date = QStringLiteral("2016-02-02");
  b.Apply(7, {{QStringLiteral("乙"), {}, {}},
              {QStringLiteral("丁"), QStringLiteral("[2016-03-09]"), {}}});
  EXPECT_EQ(b.DateOf(QStringLiteral("乙")), QStringLiteral("2016-02-02"));
  EXPECT_EQ(b.DateOf(QStringLiteral("丁")), QStringLiteral("2016-02-02"));
}

TEST(ListCollector, ErrorWordsInsideTheListAreATitleNotAnErrorPage) {
  Bench b;
  b.network.SetNetworkOk(true);
  EXPECT_EQ(b.Apply(2, {{QStringLiteral("关于页面没有找到问题的采购公告"), b.Day(0), {}}}),
            PageOutcome::kRead);
  EXPECT_TRUE(b.network.NetworkOk());
  EXPECT_EQ(b.Rows(), 1);
}

TEST(ListCollector, AWriteThatFailsLeavesTheStateForARetry) {
  Bench b;
  // Another connection holds the write lock: nothing counts, the same
  // page can be applied again once the lock is gone.
  Database other;
  ASSERT_TRUE(other.OpenDatabase(b.temp.path(), DatabasePassword()));
  ASSERT_TRUE(other.Execute("BEGIN EXCLUSIVE"));
  const QList<FakeItem> items = {{QStringLiteral("甲"), b.Day(0), {}}};
  EXPECT_EQ(b.Apply(2, items), PageOutcome::kNotStored);
  EXPECT_EQ(b.state.OfType(2).PageCounter, 1);
  EXPECT_EQ(b.state.new_announcements, 0);
  ASSERT_TRUE(other.Execute("COMMIT"));
  EXPECT_EQ(b.Apply(2, items), PageOutcome::kRead);
  EXPECT_EQ(b.state.new_announcements, 1);
}

TEST(ListCollector, UnusablePagesStoreNothingAndKeepThePage) {
  Bench b;
  b.state.OfType(2).PageCounter = 5;
  const QString error_page =
      ListPageHtml(ChannelOfType(2)->Heading(), {{QStringLiteral("甲"), {}, {}}}) +
      QStringLiteral("无法找到该页");
  EXPECT_EQ(ApplyListPage(b.env, error_page, 2), PageOutcome::kUnusable);
  EXPECT_EQ(ApplyListPage(b.env, QString(), 2), PageOutcome::kUnusable);
  EXPECT_FALSE(b.network.NetworkOk());
  EXPECT_TRUE(b.network.Unreachable());
  EXPECT_EQ(b.state.OfType(2).PageCounter, 5);
  EXPECT_EQ(b.Rows(), 0);
  // Another channel's heading, or no "页次": the same page next pass.
  EXPECT_EQ(ApplyListPage(b.env, ListPageHtml(ChannelOfType(2)->Heading(), {}), 3),
            PageOutcome::kNoHeading);
  EXPECT_EQ(ApplyListPage(b.env, ChannelOfType(3)->Heading() + QStringLiteral("<li>"), 3),
            PageOutcome::kNoRegion);
  EXPECT_FALSE(b.state.OfType(3).ChannelDoneFlag);
  // A region without items ends the channel.
  EXPECT_EQ(b.Apply(3, {}), PageOutcome::kNoItems);
  EXPECT_TRUE(b.state.OfType(3).ChannelDoneFlag);
}

// A page too large to read whole is no network loss: over the body cap it
// is skipped (the next page follows, and the channel's reading stays
// unfinished for a later cycle); past 500 items the first 500 are kept.
// Both are counted for the status text.
TEST(ListCollector, PagesTooLargeAreCountedNotANetworkLoss) {
  Bench b;
  b.state.OfType(7).PageCounter = 3;
  const FetchResult over_cap =
      tl::unexpected(Error{Error::Kind::kTooLarge, QStringLiteral("页面超过"), QString()});
  EXPECT_EQ(ApplyListPage(b.env, over_cap, 7), PageOutcome::kTooLarge);
  EXPECT_TRUE(b.network.NetworkOk());
  EXPECT_EQ(b.state.OfType(7).PageCounter, 4);
  EXPECT_EQ(b.state.OfType(7).skipped_page, 3);
  EXPECT_EQ(b.state.too_large_pages, 1);
  // The page after it is stored; the reading stays to be resumed at the
  // skipped page.
  EXPECT_EQ(b.Apply(7, {{QStringLiteral("甲"), b.Day(0), {}}}), PageOutcome::kRead);
  EXPECT_EQ(b.temp.db().Scalar("SELECT ResumePage FROM UnfinishedChannels").toInt(), 3);

  QList<FakeItem> many;
  for (int i = 0; i < 520; ++i) many.append({QStringLiteral("多%1").arg(i), b.Day(0), {}});
  EXPECT_EQ(b.Apply(2, many), PageOutcome::kRead);
  EXPECT_EQ(b.Rows(), 1 + 500);
  EXPECT_EQ(b.state.too_large_pages, 2);
  EXPECT_TRUE(b.network.NetworkOk());
}

TEST(ListCollector, PageThatCannotBeWrittenIsAskedAgain) {
  Bench b;
  b.state.OfType(7).PageCounter = 3;
  {
    Database other;  // another program holding the file's write lock
    ASSERT_TRUE(other.OpenDatabase(b.temp.path(), DatabasePassword()));
    Database::Transaction lock(other);
    ASSERT_TRUE(lock.active());
    EXPECT_EQ(b.Apply(7, {{QStringLiteral("甲"), b.Day(0), {}}}), PageOutcome::kNotStored);
  }
  EXPECT_EQ(b.state.OfType(7).PageCounter, 3);
  EXPECT_EQ(b.state.new_announcements, 0);
  EXPECT_EQ(b.Apply(7, {{QStringLiteral("甲"), b.Day(0), {}}}), PageOutcome::kRead);
  EXPECT_EQ(b.Rows(), 1);
}

}  // namespace
}  // namespace talvec
