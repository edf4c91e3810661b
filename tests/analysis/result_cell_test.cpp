#include "analysis/result_cell.h"

#include <gtest/gtest.h>

namespace talvec {
namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

QString Page(const char* between_header_and_footer) {
  return S("<html><table><tr><td>各包中标/成交供应商名称、地址及报价</td>") +
         S(between_header_and_footer) + S("</tr></table><p>版权所有 某省</p></html>");
}

// The page cases with their summaries are covered end to end in
// result_page_test; here the corners of the cell cut itself.
TEST(CutResultCell, Verdicts) {
  EXPECT_EQ(CutResultCell(QString()).verdict, PageVerdict::kUnusable);
  EXPECT_EQ(CutResultCell(S("无法找到该页 各包中标/成交供应商名称、地址及报价")).verdict,
            PageVerdict::kNotFound);
  // An empty cell, and a cell without its closing tag before the next one.
  EXPECT_EQ(CutResultCell(Page("<td></td>")).verdict, PageVerdict::kNoInfo);
  EXPECT_EQ(CutResultCell(Page("<td>某某公司<td>x</td>")).verdict, PageVerdict::kNoInfo);
}

TEST(CutResultCell, CellText) {
  ResultCellCut cut = CutResultCell(Page("<td colspan=\"3\">废标</td><td>其他</td>"));
  EXPECT_EQ(cut.verdict, PageVerdict::kCell);
  EXPECT_EQ(cut.cell, S("废标"));
  // Markup inside the cell stays; apostrophes become "‘".
  cut = CutResultCell(Page("<td>A's <b>公司</b></td>"));
  EXPECT_EQ(cut.cell, S("A‘s <b>公司</b>"));
  // "<TD" is not "<td": the search is case-sensitive.
  EXPECT_EQ(CutResultCell(Page("<TD>某某公司</TD>")).verdict, PageVerdict::kNoInfo);
  // The first ">" may be the one of "</td>": no cell.
  EXPECT_EQ(CutResultCell(Page("<td 某某公司</td>")).verdict, PageVerdict::kNoInfo);
  // The cell may reach the footer's stretch end only through "</td>".
  cut = CutResultCell(S("各包中标/成交供应商名称、地址及报价<td>某某公司</td>版权所有"));
  EXPECT_EQ(cut.cell, S("某某公司"));
}

TEST(HasSupplierMarker, FourMarkers) {
  EXPECT_TRUE(HasSupplierMarker(S("某某公司")));
  EXPECT_TRUE(HasSupplierMarker(S("某某合作社")));
  EXPECT_TRUE(HasSupplierMarker(S("某某经营部")));
  EXPECT_TRUE(HasSupplierMarker(S("某某厂")));
  EXPECT_FALSE(HasSupplierMarker(S("某某中心")));
  EXPECT_FALSE(HasSupplierMarker(S("废标")));
}

}  // namespace
}  // namespace talvec
