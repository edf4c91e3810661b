// The main window's layout pass as arithmetic on twips rectangles.
#include "ui/main_layout.h"

#include <gtest/gtest.h>

namespace talvec {
namespace {

MainLayout After(int width, int height) {
  MainLayout layout = DesignLayout();
  LayoutPass(layout, width, height);
  return layout;
}

TEST(MainLayout, WideningMovesTheRightColumnAndClockAndWidensTheList) {
  const int kHeight = 15000;
  for (int base : {15300, 19800, 24000}) {
    const MainLayout a = After(base, kHeight);
    for (int w : {15, 600, 4500}) {
      const MainLayout b = After(base + w, kHeight);
      EXPECT_EQ(b.ListView2.width(), a.ListView2.width() + w) << base << "+" << w;
      EXPECT_EQ(b.title_column, a.title_column + w);
      EXPECT_EQ(b.Frame3.left(), a.Frame3.left() + w);
      EXPECT_EQ(b.Picture1.left(), a.Picture1.left() + w);
      EXPECT_EQ(b.FrameGJZ.left(), a.FrameGJZ.left() + w);
      EXPECT_EQ(b.PicJD.width(), a.PicJD.width() + w);
      // The left column stays.
      EXPECT_EQ(b.Frame8, a.Frame8);
      EXPECT_EQ(b.Text4, a.Text4);
      EXPECT_EQ(b.Command2, a.Command2);
      EXPECT_EQ(b.Label5, a.Label5);
      EXPECT_EQ(b.ListView2.left(), a.ListView2.left());
    }
  }
}

TEST(MainLayout, TitleLabelAndClockHideWhenTheirSpaceIsShort) {
  // Frame1 is 300 twips shorter than the window; the list ends 600 above
  // Frame1's bottom; the right column is as tall as the left (6945).
  const MainLayout tall = After(20000, 16000);
  EXPECT_TRUE(tall.label5_visible);
  EXPECT_TRUE(tall.clock_visible);
  EXPECT_EQ(tall.Picture1.top(), tall.Frame3.top() + tall.Frame3.height() + 100);
  EXPECT_EQ(tall.Picture1.height(), tall.ListView2.height() - tall.Frame3.height());
  EXPECT_EQ(tall.Picture1.width(), tall.Frame3.width());
  EXPECT_EQ(tall.Frame3.top(), tall.Frame8.top());
  EXPECT_EQ(tall.Frame3.height(), tall.Frame8.height());

  // The clock shows from exactly 1000 twips of room on.
  const int kClockEdge = 3015 + 600 + 300 + 6945 + 1000;  // window height with room 1000
  EXPECT_TRUE(After(20000, kClockEdge).clock_visible);
  EXPECT_FALSE(After(20000, kClockEdge - 1).clock_visible);

  // The label needs 300 twips between the text filter and itself.
  const int kLabelEdge = 300 + 10305 + 870 + 2 * 500;  // label top = filter bottom + 300
  EXPECT_TRUE(After(20000, kLabelEdge).label5_visible);
  EXPECT_FALSE(After(20000, kLabelEdge - 2).label5_visible);
  EXPECT_FALSE(After(20000, 11400).label5_visible);
}

TEST(MainLayout, EveryRegionStaysInsideTheWindowDownTo1024x768) {
  // Client areas in twips at 96 dpi: 1024x768 and 1280x800 under a frame
  // and a menu and status bar, full HD maximised, the design size.
  const struct {
    int width, height;
  } sizes[] = {{15300, 10350}, {19140, 10830}, {28740, 15150}, {20040, 11400}};
  for (const auto& s : sizes) {
    const MainLayout l = After(s.width, s.height);
    const QRect client(0, 0, s.width, s.height);
    EXPECT_TRUE(client.contains(l.Frame1)) << s.width << "x" << s.height;
    const QRect inner(0, 0, l.Frame1.width(), l.Frame1.height());
    for (const QRect& r : {l.Frame6, l.Frame2, l.Frame5, l.PicJD, l.CMDCX, l.Frame4, l.FrameGJZ,
                           l.Frame8, l.ListView2, l.PicZT, l.Frame3, l.Text4, l.Command2}) {
      EXPECT_TRUE(inner.contains(r)) << s.width << "x" << s.height << " " << r.x() << "," << r.y()
                                     << " " << r.width() << "x" << r.height();
    }
    EXPECT_TRUE(l.PicJD.contains(l.CMDCX));
    EXPECT_FALSE(l.Frame4.intersects(l.FrameGJZ));
    EXPECT_FALSE(l.ListView2.intersects(l.Frame3));
    if (l.label5_visible) {
      EXPECT_TRUE(inner.contains(l.Label5));
    }
    if (l.clock_visible) {
      EXPECT_TRUE(inner.contains(l.Picture1));
    }
  }
}

TEST(MainLayout, AStepThatWouldGiveANegativeSizeIsSkipped) {
  const MainLayout design = DesignLayout();
  MainLayout l = design;
  LayoutPass(l, 200, 200);  // smaller than the outer panel's margins
  EXPECT_EQ(l.Frame1, design.Frame1);
  // Narrower than the list's neighbours: the list and the light keep
  // their width, the outer panel still follows.
  l = design;
  LayoutPass(l, 5000, 12000);
  EXPECT_EQ(l.Frame1.width(), 4700);
  EXPECT_EQ(l.ListView2.width(), design.ListView2.width());
  EXPECT_EQ(l.title_column, design.title_column);
  EXPECT_EQ(l.PicJD, design.PicJD);
  EXPECT_EQ(l.ListView2.height(), 12000 - 300 - 3015 - 600);
}

}  // namespace
}  // namespace talvec
