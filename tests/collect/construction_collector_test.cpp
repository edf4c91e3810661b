#include "collect/construction_collector.h"

#include <gtest/gtest.h>

#include "collect/page_store.h"
#include "core/database.h"
#include "core/dates.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "tests/collect/fake_site.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using test_support::ConstructionPageHtml;
using test_support::FakeTender;

const QString kBase = QStringLiteral("http://jst.example");

TEST(ConstructionList, TitlesAreComposedFromPlaceAndProvince) {
  EXPECT_EQ(
      ComposeConstructionTitle(QStringLiteral("四川省成都市道路工程"), QStringLiteral("成都市")),
      QStringLiteral("四川省成都市道路工程--四川建设网"));
  EXPECT_EQ(ComposeConstructionTitle(QStringLiteral("道路工程"), QStringLiteral("成都市")),
            QStringLiteral("四川省成都市道路工程--四川建设网"));
  EXPECT_EQ(ComposeConstructionTitle(QStringLiteral("成都市道路工程"), QStringLiteral("成都市")),
            QStringLiteral("四川省成都市道路工程--四川建设网"));
  EXPECT_EQ(ComposeConstructionTitle(QStringLiteral("道路工程"), QString()),
            QStringLiteral("四川省道路工程--四川建设网"));
  EXPECT_EQ(
      ConstructionListAddress(kBase),
      kBase + QStringLiteral("/InvestmentInfo/ZhaoBiao/InvitNotice.aspx?typeid=0&&type=ZBGG"));
}

TEST(ConstructionList, MarkersInAnyCaseRowsAfterTheHeader) {
  const QList<FakeTender> rows = {{QStringLiteral("道路工程"), QStringLiteral("成都市"),
                                   QStringLiteral("2016/3/5"), QStringLiteral("Notice.aspx?id=7")}};
  for (const auto& [list, pager] :
       {std::pair{"contentplaceholder1_gvlist", "CONTENTPLACEHOLDER1_MYPAGER"},
        std::pair{"ContentPlaceHolder1_GvList", "contentPlaceHolder1_myPager"}}) {
    const auto parsed = ParseConstructionList(
        ConstructionPageHtml(rows, QLatin1String(list), QLatin1String(pager)), kBase);
    ASSERT_TRUE(parsed.has_value()) << list;
    ASSERT_EQ(parsed->size(), 1);
    EXPECT_EQ(parsed->at(0).address,
              kBase + QStringLiteral("/InvestmentInfo/ZhaoBiao/Notice.aspx?id=7"));
    EXPECT_EQ(parsed->at(0).place, QStringLiteral("成都市"));
    EXPECT_EQ(parsed->at(0).date, QStringLiteral("2016-03-05"));
  }
  EXPECT_FALSE(ParseConstructionList(ConstructionPageHtml(rows, QStringLiteral("Other")), kBase));
  EXPECT_FALSE(ParseConstructionList(
      QStringLiteral("ContentPlaceHolder1_myPager ContentPlaceHolder1_GVList <tr>"), kBase));
  // Header row only: no tender.
  const auto header_only = ParseConstructionList(ConstructionPageHtml({}), kBase);
  ASSERT_TRUE(header_only);
  EXPECT_TRUE(header_only->isEmpty());
  // A row without its second span has no place and no date.
  const auto bare =
      ParseConstructionList(QStringLiteral("ContentPlaceHolder1_GVList<tr>h<tr><a href=\"x\" "
                                           "title=\"T\"></a>ContentPlaceHolder1_myPager"),
                            kBase);
  ASSERT_TRUE(bare);
  ASSERT_EQ(bare->size(), 1);
  EXPECT_TRUE(bare->at(0).place.isEmpty());
  EXPECT_TRUE(bare->at(0).date.isEmpty());
}

TEST(ConstructionList, StoresTypeTwoAndStopsAtAnOldKnownTender) {
  test_support::TempDatabase temp;
  PageFetcher fetcher;
  NetworkStatus network(fetcher, QStringLiteral("http://127.0.0.1:1"));
  network.SetNetworkOk(true);
  CollectionState state;
  state.LastCollectionDate = QStringLiteral("2016-03-20");
  CollectorEnv env{temp.db(), network, state, [] { return QDate(2016, 4, 1); }, {}};
  auto stored = [&](const QString& title) {
    return temp.db().Scalar("SELECT DZ FROM List WHERE MC = ? AND LX = 2", title).toString();
  };
  const FakeTender old_one{QStringLiteral("旧工程"), QStringLiteral("乐山市"),
                           QStringLiteral("2016-03-19"), QStringLiteral("a")};
  const FakeTender recent{QStringLiteral("近工程"), QStringLiteral("乐山市"),
                          QStringLiteral("2016-03-25"), QStringLiteral("b")};
  EXPECT_EQ(ApplyConstructionList(
                env,
                ConstructionPageHtml(
                    {recent, old_one, {QStringLiteral("无日期"), {}, {}, QStringLiteral("c")}}),
                kBase, 2),
            PageOutcome::kRead);
  EXPECT_EQ(stored(QStringLiteral("四川省乐山市旧工程--四川建设网")),
            kBase + QStringLiteral("/InvestmentInfo/ZhaoBiao/a"));
  EXPECT_EQ(
      temp.db()
          .Scalar("SELECT SJ FROM List WHERE MC = ?", QStringLiteral("四川省无日期--四川建设网"))
          .toString(),
      QStringLiteral("2016-04-01"));
  // Known and recent: passed over; known and older than the last collection: reading stops.
  const FakeTender after{QStringLiteral("后工程"), QStringLiteral("乐山市"),
                         QStringLiteral("2016-04-01"), QStringLiteral("d")};
  EXPECT_EQ(ApplyConstructionList(env, ConstructionPageHtml({recent, old_one, after}), kBase, 2),
            PageOutcome::kKnown);
  EXPECT_TRUE(stored(QStringLiteral("四川省乐山市后工程--四川建设网")).isEmpty());
  EXPECT_FALSE(state.StopCollection);
  EXPECT_EQ(temp.db().Scalar("SELECT CollectionDate FROM SysSet").toString(),
            DateText(QDate::currentDate().addDays(-7)));

  EXPECT_EQ(ApplyConstructionList(env, QStringLiteral("页面没有找到"), kBase, 2),
            PageOutcome::kUnusable);
  EXPECT_FALSE(network.NetworkOk());
}

}  // namespace
}  // namespace talvec
