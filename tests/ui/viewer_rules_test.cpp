#include <gtest/gtest.h>

#include "ui/viewer_rules.h"

namespace talvec {
namespace {

TEST(ViewerRules, CaptionDecidesCropAndHint) {
  struct Case {
    const char* caption;
    bool crop;
    bool hint;
  };
  const Case cases[] = {
      {"帮助信息", false, false},
      {"查询公司信息:某某科技有限公司", false, false},
      {"成都市电脑采购公告", true, true},
      {"绵阳市道路工程更正公告", true, true},
      {"德阳市监控中标结果公告", true, false},
      {"中标结果信息:某某公司", true, false},
      {"查询公司信息：全角冒号", true, false},  // only the exact prefix is uncropped
  };
  for (const Case& c : cases) {
    const ViewerLayout layout = ViewerLayoutFor(QString::fromUtf8(c.caption));
    EXPECT_EQ(layout.crop, c.crop) << c.caption;
    EXPECT_EQ(layout.hint, c.hint) << c.caption;
  }
  EXPECT_EQ(ViewerCropPixels(96.0), 253);
  EXPECT_EQ(ViewerCropPixels(144.0), 380);
}

TEST(ViewerRules, AddressRule) {
  const QString base = "http://127.0.0.1:8181";
  EXPECT_EQ(AnnouncementAddress("/view/1.html", base), "http://127.0.0.1:8181/view/1.html");
  EXPECT_EQ(AnnouncementAddress("view/1.html", base), "http://127.0.0.1:8181view/1.html");
  EXPECT_EQ(AnnouncementAddress("http://other/x.aspx?id=1", base), "http://other/x.aspx?id=1");
  EXPECT_EQ(AnnouncementAddress("https://other/x", base), "https://other/x");
  EXPECT_EQ(AnnouncementAddress("HTTP://other/x", base), "http://127.0.0.1:8181HTTP://other/x");

  EXPECT_EQ(ViewerUrl("http://a/b?c=1"), QUrl("http://a/b?c=1"));
  EXPECT_TRUE(ViewerUrl("/opt/prog/help/index.html").isLocalFile());
  EXPECT_EQ(ViewerUrl(""), QUrl("about:blank"));
}

}  // namespace
}  // namespace talvec
