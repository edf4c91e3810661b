#include "analysis/winner_extraction.h"

#include <gtest/gtest.h>

namespace talvec {

void PrintTo(const Award& a, std::ostream* os) {
  *os << "{" << a.supplier.toStdString() << ", " << a.amount.toStdString() << "}";
}

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }
Award A(const char* supplier, const char* amount) { return {S(supplier), S(amount)}; }

TEST(NumberRun, FromFirstDigitPastLastDigitOrFirstTenThousand) {
  EXPECT_EQ(NumberRun(S("报价12.5万元整")), S("12.5万元"));
  EXPECT_EQ(NumberRun(S("没有数字")), S(""));
  EXPECT_EQ(NumberRun(S("")), S(""));
  // A digit at the very end: the run reaches the end of the cell.
  EXPECT_EQ(NumberRun(S("共1包，金额100")), S("1包，金额100"));
  // Points and "万" before the first digit do not count.
  EXPECT_EQ(NumberRun(S("万.报价3.万2")), S("3.万2"));
  EXPECT_EQ(NumberRun(S("a1b2c")), S("1b2c"));
  // Full-width digits are not digits.
  EXPECT_EQ(NumberRun(S("１２万元")), S(""));
  // Only the first "万" after the first digit stops the walk.
  EXPECT_EQ(NumberRun(S("1号，成交金额:12.5万元，另3万")), S("1号，成交金额:12.5万元"));
}

TEST(PrepareCell, LayoutChoice) {
  PreparedCell p = PrepareCell(S("成交供应商：某某公司，第一包"));
  EXPECT_EQ(p.layout, CellLayout::kColon);
  EXPECT_EQ(p.text, S("成交供应商:某某公司，第一包"));  // commas and labels untouched
  p = PrepareCell(S("第一包，某某设备有限公司，报价，98000元"));
  EXPECT_EQ(p.layout, CellLayout::kComma);
  EXPECT_EQ(p.text, S(",某某设备有限公司,报价,98000元"));
  p = PrepareCell(S("第1包某某公司第2包某某厂"));
  EXPECT_EQ(p.layout, CellLayout::kSingle);
  EXPECT_EQ(p.text, S("某某公司某某厂"));
}

TEST(ExtractAwards, WorkedExamples) {
  Extraction e =
      ExtractAwards(S("成交供应商：某某科技有限公司，地址：某市某路1号，成交金额：12.5万元"));
  EXPECT_EQ(e.prepared_cell, S("成交供应商:某某科技有限公司，地址:某市某路1号，成交金额:12.5万元"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某科技有限公司", "125000")}));

  e = ExtractAwards(S("第一包，某某设备有限公司，报价，98000元"));
  EXPECT_EQ(e.prepared_cell, S(",某某设备有限公司,报价,98000元"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某设备有限公司", "")}));

  e = ExtractAwards(S("某某县建材厂 报价56000元"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某县建材厂", "56000")}));
}

TEST(ExtractAwards, ColonLayoutRules) {
  // The later marker rule wins: the name ends at "厂", not at "公司".
  Extraction e = ExtractAwards(S("成交单位：某某县机械厂销售有限公司，地址：某路，金额：3万元"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某县机械厂", "30000")}));
  // A comma before the name makes the part give nothing.
  e = ExtractAwards(S("包号：1,某某科技有限公司：成交价：8000元"));
  EXPECT_TRUE(e.awards.isEmpty());
  // No digit at all: every candidate gets the empty number run.
  e = ExtractAwards(S("中标人：某某科技有限公司：某某环境工程有限公司"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某科技有限公司", ""), A("某某环境工程有限公司", "")}));
  // "金额" with a comma in its own part takes the text between the commas.
  e = ExtractAwards(S("中标单位：某某科技有限公司 中标金额，66000，元整"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某科技有限公司", "66000")}));
  // "价": the next part is appended to the number run.
  e = ExtractAwards(S("某某科技有限公司中标价：壹万"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某科技有限公司", "")}));
}

TEST(ExtractAwards, CommaLayoutRules) {
  // The character after the marker stays with the name.
  Extraction e = ExtractAwards(S("成交单位某某电子有限公司（联合体）,98000元"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某电子有限公司（", "98000")}));
  // "价" in the supplier's own part takes the next part.
  e = ExtractAwards(S("某某环保设备有限公司中标价,中标价500000元,其他"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某环保设备有限公司中", "500000")}));
  // Two packages, two awards, in order.
  e = ExtractAwards(
      S("第1包，某某信息技术有限公司，120000元，第2包，某某县农业专业合作社，3.2万元"));
  EXPECT_EQ(e.awards, (QList<Award>{A("某某信息技术有限公司", "120000"),
                                    A("某某县农业专业合作社", "32000")}));
}

TEST(ExtractAwards, SingleLayoutRules) {
  // "公司" sets the position, the length rule of "厂" cuts at its first character.
  EXPECT_EQ(ExtractAwards(S("某某市机械厂有限公司 报价1万元")).awards,
            (QList<Award>{A("某某市机械厂有限公", "10000")}));
  // The ASCII character before the name belongs to it (and is then cut off).
  EXPECT_EQ(ExtractAwards(S("成交人 某某科技有限公司")).awards,
            (QList<Award>{A("某某科技有限公司", "")}));
  EXPECT_TRUE(ExtractAwards(S("NO.3某某科技有限公司")).awards.isEmpty());
  EXPECT_EQ(ExtractAwards(S("某某县农业专业合作社")).awards,
            (QList<Award>{A("某某县农业专业合作社", "")}));
  EXPECT_TRUE(ExtractAwards(S("本项目废标，某某公司")).awards.isEmpty());
  // No marker at all gives no award and no crash.
  EXPECT_TRUE(ExtractAwards(S("x")).awards.isEmpty());
  EXPECT_TRUE(ExtractAwards(S("")).awards.isEmpty());
}

}  // namespace
}  // namespace talvec
