#include <gtest/gtest.h>

#include "core/settings.h"
#include "search/search_query.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

const QDate kToday(2026, 3, 10);

QStringList Titles(const ResultSet& rows) {
  QStringList titles;
  for (const ResultRow& r : rows) titles << r.title;
  return titles;
}

class SearchQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Add("B 成都市电脑采购公告", "/a/1.html", "2026-03-10", 2);
    Add("A 绵阳市监控结果公告", "/a/2.html", "2026-03-10", 9);
    Add("C 德阳市空调采购公告", "/a/3.html", "2026-03-10", 9);
    Add("D 一周前", "/a/4.html", "2026-03-03", 2);
    Add("E 八天前", "/a/5.html", "2026-03-02", 2);
    Add("F 明天", "/a/6.html", "2026-03-11", 2);
  }
  void Add(const char* title, const char* address, const char* date, int type) {
    ASSERT_TRUE(temp_.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)", title,
                                   address, date, type));
  }
  ResultSet Run(SearchRequest request) {
    request.today_date = kToday;
    ResultSet rows;
    EXPECT_TRUE(RunSearchQuery(temp_.db(), request, &rows));
    return rows;
  }
  static SearchRequest Period(const QDate& from, const QDate& to) {
    SearchRequest r;
    r.today = false;
    r.from = from;
    r.to = to;
    return r;
  }

  test_support::TempDatabase temp_;
};

TEST_F(SearchQueryTest, TodayAndPeriodSelectTheirDaysAndTypes) {
  SearchRequest today;
  EXPECT_EQ(Run(today).size(), 3u);
  today.type_code = 9;
  // Within a day the last stored comes first.
  EXPECT_EQ(Titles(Run(today)), QStringList({"C 德阳市空调采购公告", "A 绵阳市监控结果公告"}));

  // Both ends are included; the days outside are not.
  const ResultSet week = Run(Period(kToday.addDays(-7), kToday));
  EXPECT_EQ(week.size(), 4u);
  EXPECT_FALSE(Titles(week).contains("E 八天前"));
  EXPECT_FALSE(Titles(week).contains("F 明天"));
  SearchRequest typed = Period(kToday.addDays(-7), kToday);
  typed.type_code = 2;
  EXPECT_EQ(Titles(Run(typed)), QStringList({"B 成都市电脑采购公告", "D 一周前"}));

  // A period whose start lies after its end is empty, not an error.
  EXPECT_TRUE(Run(Period(kToday, kToday.addDays(-7))).empty());
}

TEST_F(SearchQueryTest, OrderIsNewestFirstExceptByTitleOnWin7) {
  SearchRequest r = Period(kToday.addDays(-8), kToday.addDays(1));
  r.os_name = "WindosXP";
  EXPECT_EQ(Titles(Run(r)).first(), "F 明天");
  EXPECT_EQ(Titles(Run(r)).last(), "E 八天前");

  r.os_name = "Win7";
  EXPECT_EQ(Titles(Run(r)).first(), "A 绵阳市监控结果公告");

  // One type of today with no region: by title descending; with a region
  // or all types: ascending.
  SearchRequest t;
  t.os_name = "Win7";
  t.type_code = 9;
  EXPECT_EQ(Titles(Run(t)), QStringList({"C 德阳市空调采购公告", "A 绵阳市监控结果公告"}));
  t.region_flag = true;
  EXPECT_EQ(Titles(Run(t)), QStringList({"A 绵阳市监控结果公告", "C 德阳市空调采购公告"}));
  t.region_flag = false;
  t.type_code = 0;
  EXPECT_EQ(Titles(Run(t)).first(), "A 绵阳市监控结果公告");
  t.os_name = "Windows2000";
  t.type_code = 9;
  EXPECT_EQ(OrderFor(t), SearchOrder::kNewestFirst);
}

TEST_F(SearchQueryTest, KeywordKeepsTitlesWithEveryWord) {
  SearchRequest r;
  r.keyword = "  采购  公告 ";
  EXPECT_EQ(Run(r).size(), 2u);
  r.keyword = "采购 成都";
  EXPECT_EQ(Titles(Run(r)), QStringList({"B 成都市电脑采购公告"}));
  r.keyword = "   ";
  EXPECT_EQ(Run(r).size(), 3u);
  // The region flag alone changes nothing.
  r.region_flag = true;
  EXPECT_EQ(Run(r).size(), 3u);
}

TEST_F(SearchQueryTest, CellsAreTrimmedAndNullsEmpty) {
  ASSERT_TRUE(temp_.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, NULL, ?, NULL)",
                                 "  G 带空格  ", "2026-03-10"));
  SearchRequest r;
  r.keyword = "带空格";
  const ResultSet rows = Run(r);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].title, "G 带空格");
  EXPECT_TRUE(rows[0].address.isEmpty());
  EXPECT_TRUE(rows[0].type.isEmpty());
  EXPECT_EQ(rows[0].date, "2026-03-10");
}

TEST(TypeOptions, OnlyAnExactFDisablesAnOption) {
  SystemSettings s;
  s.researchlx = "f,t,T,F, f,f";
  EXPECT_TRUE(TypeOptionEnabled(s, 0));
  EXPECT_FALSE(TypeOptionEnabled(s, 1));
  EXPECT_TRUE(TypeOptionEnabled(s, 2));
  EXPECT_TRUE(TypeOptionEnabled(s, 3));  // "T"
  EXPECT_TRUE(TypeOptionEnabled(s, 4));  // "F"
  EXPECT_TRUE(TypeOptionEnabled(s, 5));  // " f"
  EXPECT_FALSE(TypeOptionEnabled(s, 6));
  EXPECT_TRUE(TypeOptionEnabled(s, 10));  // missing item
  s.researchlx = "f,f,f,f,f,f,f,f,f,f";
  int enabled = 0;
  for (const TypeOption& o : kTypeOptions) enabled += TypeOptionEnabled(s, o.code);
  EXPECT_EQ(enabled, 1);
}

}  // namespace
}  // namespace talvec
