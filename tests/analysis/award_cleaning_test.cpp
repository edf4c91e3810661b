#include "analysis/award_cleaning.h"

#include <gtest/gtest.h>

namespace talvec {
namespace {

constexpr CellLayout kAllLayouts[] = {CellLayout::kColon, CellLayout::kComma, CellLayout::kSingle};

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(CleanAmount, WorkedExamples) {
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("12.5万元")), S("125000"));
  // "）" goes first, then the wide "（" in front empties the amount.
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("（大写）壹拾万元")), S(""));
  // The full-width comma stays as the last character kept.
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("350000，元")), S("350000，"));
  for (CellLayout layout : kAllLayouts) {
    EXPECT_EQ(CleanAmount(layout, S("0.00元")), S("")) << int(layout);
  }
  // "中标" is removed before "中标价", which leaves "价" for the last word.
  EXPECT_EQ(CleanAmount(CellLayout::kComma, S("中标价500000元")), S("500000"));
}

TEST(CleanAmount, LayoutDifferences) {
  // The wide-first rule is the colon layout's alone.
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("约12万元")), S(""));
  EXPECT_EQ(CleanAmount(CellLayout::kSingle, S("约12万元")), S(""));  // value 0 after all
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("人民币12万元")), S("120000"));
  EXPECT_EQ(CleanAmount(CellLayout::kComma, S("报价：98000.00元")), S(""));  // "：" is no word here
  EXPECT_EQ(CleanAmount(CellLayout::kComma, S("报价98000.00元")), S("98000.00"));
  EXPECT_EQ(CleanAmount(CellLayout::kSingle, S("中标价：56000元")), S(""));
  EXPECT_EQ(CleanAmount(CellLayout::kSingle, S("56000.50元整")), S("56000.50"));
  // The colon layout keeps text up to the first comma or full stop.
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("4500。元整")), S("4500。"));
  // Ten-thousands are converted without trailing zeros or a leading zero.
  EXPECT_EQ(CleanAmount(CellLayout::kSingle, S("0.00005万")), S(".5"));
  EXPECT_EQ(CleanAmount(CellLayout::kComma, S("1,234.5万元")), S("12345000"));
  EXPECT_EQ(CleanAmount(CellLayout::kColon, S("万元")), S(""));
}

TEST(CleanSupplierName, WorkedCuts) {
  EXPECT_EQ(CleanSupplierName(CellLayout::kColon, S("1、某某有限公司")), S("某某有限公司"));
  // "第二" goes, then the cut at the closing bracket (no "(" in the name).
  EXPECT_EQ(CleanSupplierName(CellLayout::kSingle, S("（第二名）某某有限公司")), S("某某有限公司"));
  EXPECT_EQ(CleanSupplierName(CellLayout::kSingle, S("某某厂(北京)有限公司")), S("有限公司"));
  // Each cut sees the previous one's result.
  EXPECT_EQ(CleanSupplierName(CellLayout::kSingle, S("甲、乙.丙 丁")), S("丁"));
}

TEST(CleanSupplierName, WordListsDifferByLayout) {
  // The colon list removes "供应商" three times, the others once.
  EXPECT_EQ(CleanSupplierName(CellLayout::kColon, S("供供应商应商某某科技有限公司")),
            S("某某科技有限公司"));
  EXPECT_EQ(CleanSupplierName(CellLayout::kSingle, S("供供应商应商某某科技有限公司")),
            S("供应商某某科技有限公司"));
  // The comma list removes the line break after "商家", so a "商家" split by
  // a line break survives there only.
  EXPECT_EQ(CleanSupplierName(CellLayout::kSingle, S("某某科技有限公司商\r\n家")),
            S("某某科技有限公司"));
  EXPECT_EQ(CleanSupplierName(CellLayout::kComma, S("某某科技有限公司商\r\n家")),
            S("某某科技有限公司商家"));
  // Longer words first: "拟中标人" does not leave "拟".
  EXPECT_EQ(CleanSupplierName(CellLayout::kComma, S("拟中标人某某科技有限公司")),
            S("某某科技有限公司"));
}

TEST(AcceptAward, LengthWordsAndDigits) {
  EXPECT_FALSE(AcceptAward(S("某某公司")));
  EXPECT_FALSE(AcceptAward(S("某某有限公")));  // exactly 5
  EXPECT_TRUE(AcceptAward(S("某某有限公司")));
  EXPECT_FALSE(AcceptAward(S("某市公共资源交易服务中心")));
  EXPECT_FALSE(AcceptAward(S("某某2号有限公司")));
  EXPECT_FALSE(AcceptAward(S("本项目废标的公司")));
  EXPECT_FALSE(AcceptAward(S("投标人不足三家公司")));
  EXPECT_TRUE(AcceptAward(S("某某２号有限公司")));  // full-width digits are no digits
}

TEST(CleanAndAccept, TrimsAndKeepsEmptyAmount) {
  auto award = CleanAndAccept(CellLayout::kSingle, S("  某某有限公司  "), S("报价"));
  ASSERT_TRUE(award.has_value());
  EXPECT_EQ(award->supplier, S("某某有限公司"));
  EXPECT_EQ(award->amount, S(""));
  EXPECT_FALSE(CleanAndAccept(CellLayout::kSingle, S("某某厂(北京)有限公司"), S("5元")));
  // The amount plays no part in the decision.
  EXPECT_FALSE(CleanAndAccept(CellLayout::kColon, S("某某公司"), S("100000元")));
  award = CleanAndAccept(CellLayout::kColon, S("1、某某有限公司"), S(" 12.5万元"));
  ASSERT_TRUE(award.has_value());
  EXPECT_EQ(award->amount, S("125000"));
}

}  // namespace
}  // namespace talvec
