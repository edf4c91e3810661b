#include <gtest/gtest.h>

#include "search/filters.h"

namespace talvec {
namespace {

ResultSet Titles(std::initializer_list<const char*> titles) {
  ResultSet rows;
  for (const char* t : titles) rows.push_back({QString::fromUtf8(t), "/x", "2026-03-10", "2"});
  return rows;
}

std::vector<qsizetype> Free(const ResultSet& full, const char* text) {
  return FilterPass(full, QString(), QString::fromUtf8(text));
}

using Rows = std::vector<qsizetype>;

TEST(FilterPass, FreeTextNeedsEveryWord) {
  const ResultSet full = Titles({"电脑采购", "采购电脑配件", "电脑维修", "All 采购", "打印机采购"});
  EXPECT_EQ(Free(full, "电脑 采购"), Rows({0, 1}));
  EXPECT_EQ(Free(full, " 电脑  采购 "), Rows({0, 1}));  // inner double blank: empty word
  EXPECT_EQ(Free(full, "全部"), Rows({0, 1, 2, 3, 4}));
  EXPECT_EQ(Free(full, "all"), Rows({0, 1, 2, 3, 4}));
  // "All" is an ordinary word, matched with its case.
  EXPECT_EQ(Free(full, "All"), Rows({3}));
  EXPECT_TRUE(Free(full, "ALL").empty());
  EXPECT_TRUE(Free(full, "").empty());
  EXPECT_TRUE(Free(full, "   ").empty());
}

TEST(FilterPass, ChoiceWordsNeedOneWord) {
  const ResultSet full = Titles({"成都市电脑", "绵阳市空调", "广播电视台设备", "网络改造", "路灯"});
  EXPECT_EQ(FilterPass(full, CategoryChoiceWords(8), "ignored"), Rows({0, 1}));
  EXPECT_EQ(FilterPass(full, RegionChoiceWords(0), ""), Rows({0, 1, 2, 3, 4}));
  EXPECT_EQ(FilterPass(full, RegionChoiceWords(1), ""), Rows({0}));
  // Choice 29's list ends in a blank, which must not match every title.
  EXPECT_EQ(FilterPass(full, PublicBodyChoiceWords(29), ""), Rows({2, 3}));
  EXPECT_TRUE(FilterPass(ResultSet(), RegionChoiceWords(0), "").empty());
}

TEST(ChoiceWords, PublicBodiesUseFixedListsOrTheirCaption) {
  EXPECT_EQ(PublicBodyChoiceWords(0), "县委 市委 省委");
  EXPECT_EQ(PublicBodyChoiceWords(11), "建设");
  EXPECT_EQ(PublicBodyChoiceWords(30), "计划生育 卫生 医院 计生 卫计 计卫");
  EXPECT_EQ(PublicBodyChoiceWords(2), "人大");
  EXPECT_EQ(PublicBodyChoiceWords(46), "电力");
  EXPECT_EQ(RegionChoiceWords(0), "全部");
  EXPECT_EQ(RegionChoiceWords(21), "凉山彝族自治州");
  EXPECT_EQ(CategoryChoiceWords(5), "公路 高速 铁路 道路 桥梁 隧道 交通 地铁 机场 码头");
  EXPECT_TRUE(RegionChoiceWords(22).isEmpty());
  EXPECT_TRUE(PublicBodyChoiceWords(-1).isEmpty());
  // No derived list may be empty or keep a removed word.
  for (int i = 0; i < kPublicBodyCount; ++i) {
    const QString words = PublicBodyChoiceWords(i);
    EXPECT_FALSE(words.trimmed().isEmpty()) << i;
    EXPECT_FALSE(words.contains("局")) << i;
  }
}

TEST(ResultRows, SortByTextFlipsAndKeepsNumbers) {
  const ResultSet full = Titles({"b", "a", "c", "a", "d", "e", "f", "g", "h", "i", "j"});
  std::vector<ListedRow> rows = AllRows(full);
  SortListedRows(rows, full, kColNumber, Qt::AscendingOrder);
  // Numbers order as text.
  EXPECT_EQ(rows[0].number, 1);
  EXPECT_EQ(rows[1].number, 10);
  EXPECT_EQ(rows[2].number, 11);
  EXPECT_EQ(rows[3].number, 2);
  SortListedRows(rows, full, kColTitle, Qt::DescendingOrder);
  EXPECT_EQ(CellText(full, rows.front(), kColTitle), "j");
  EXPECT_EQ(CellText(full, rows.back(), kColTitle), "a");
  SortListedRows(rows, full, kColTitle, Qt::AscendingOrder);
  // Equal titles keep their relative order; numbers stay with their rows.
  EXPECT_EQ(rows[0].number, 2);
  EXPECT_EQ(rows[1].number, 4);
  EXPECT_EQ(CellText(full, rows[1], kColNumber), "4");
}

}  // namespace
}  // namespace talvec
