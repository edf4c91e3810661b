#include "ui/main_layout.h"

#include <algorithm>
#include <cmath>

namespace talvec {

namespace {

// The left column and the text filter under it, as designed.
constexpr int kColumnTop = 2940;
constexpr int kColumnHeight = 6945;
constexpr int kText4Top = 9900;
constexpr int kCommand2Top = 9885;
constexpr int kFilterHeight = 405;
// A short window keeps this much under the text filter, and a column at
// least this tall.
constexpr int kFilterBottomMargin = 100;
constexpr int kShortestColumn = 3000;

int Right(const QRect& r) { return r.left() + r.width(); }
int Bottom(const QRect& r) { return r.top() + r.height(); }
int Half(int twips) { return static_cast<int>(std::lround(twips / 2.0)); }

// Centres `inner` on `outer`, by the two halves of the differences.
void CentreOn(QRect& inner, const QRect& outer) {
  inner.moveTo(outer.left() + Half(outer.width() - inner.width()),
               outer.top() + Half(outer.height() - inner.height()));
}

}  // namespace

MainLayout DesignLayout() {
  MainLayout l;
  l.Frame1 = QRect(45, 0, 19920, 11670);
  l.Frame6 = QRect(90, 165, 19845, 1560);
  l.Frame2 = QRect(90, 165, 8625, 1260);
  l.Frame5 = QRect(8730, 165, 3960, 1260);
  l.PicJD = QRect(12870, 150, 4455, 1365);
  l.CMDCX = QRect(12735, 375, 1965, 1050);
  l.Frame4 = QRect(90, 1725, 15135, 1185);
  l.FrameGJZ = QRect(16920, 1725, 3000, 1185);
  l.Frame8 = QRect(90, kColumnTop, 3000, kColumnHeight);
  l.ListView2 = QRect(3060, 3015, 8610, 6555);
  l.PicZT = QRect(3675, 5025, 6540, 525);
  l.Frame3 = QRect(11910, 2940, 3000, 7185);
  l.Picture1 = QRect(11940, 9195, 3495, 1335);
  l.Text4 = QRect(75, kText4Top, 1950, kFilterHeight);
  l.Command2 = QRect(2040, kCommand2Top, 960, kFilterHeight);
  l.Label5 = QRect(105, 10560, 3000, 870);
  l.title_column = 8610 - kResultOtherColumnsTwips;
  return l;
}

void LayoutPass(MainLayout& l, int width, int height) {
  // 1. The outer panel follows the window.
  if (width - 300 >= 0 && height - 300 >= 0) {
    l.Frame1.setSize({width - 300, height - 300});
  }
  const int inner_width = l.Frame1.width();
  const int inner_height = l.Frame1.height();
  // 2.-4. The result list takes the width and height that change.
  if (const int w = (inner_width - 100) - l.ListView2.left() - l.Frame3.width(); w >= 0) {
    l.ListView2.setWidth(w);
  }
  if (const int h = inner_height - l.ListView2.top() - 600; h >= 0) l.ListView2.setHeight(h);
  if (const int w = l.ListView2.width() - kResultOtherColumnsTwips; w >= 0) l.title_column = w;
  // 5. The top bar.
  if (const int w = inner_width - 100; w >= 0) l.Frame6.setWidth(w);
  // 6. The status light takes the rest of the bar.
  {
    const int left = Right(l.Frame5) + 100;
    if (const int w = inner_width - left - 100; w >= 0) {
      l.PicJD.moveLeft(left);
      l.PicJD.setWidth(w);
    }
  }
  // 7. and 8. The search button on the light, the search notice on the list.
  CentreOn(l.CMDCX, l.PicJD);
  CentreOn(l.PicZT, l.ListView2);
  // A window shorter than the design raises the text filter into it and
  // shortens the left column by as much.
  {
    const int overflow = kText4Top + kFilterHeight + kFilterBottomMargin - inner_height;
    const int shift = std::clamp(overflow, 0, kColumnHeight - kShortestColumn);
    l.Frame8.setTop(kColumnTop);
    l.Frame8.setHeight(kColumnHeight - shift);
    l.Text4.moveTop(kText4Top - shift);
    l.Command2.moveTop(kCommand2Top - shift);
  }
  // 9. and 10. The title label in the middle of the space under the text
  // filter, raised a little; hidden when that space is too short.
  {
    const int filter_bottom = Bottom(l.Text4);
    l.Label5.moveTop(filter_bottom + Half(inner_height - filter_bottom - l.Label5.height()) - 200);
    l.label5_visible = filter_bottom + 300 <= l.Label5.top();
  }
  // 11. The right column beside the list, level with the left one.
  l.Frame3.moveLeft(Right(l.ListView2) + 100);
  l.Frame3.setTop(l.Frame8.top());
  l.Frame3.setHeight(l.Frame8.height());
  // The keyword box heads the right column, at the end of the region row,
  // so that it is inside the window whatever its width; the regions take
  // the row up to it.
  l.FrameGJZ = QRect(l.Frame3.left(), l.Frame4.top(), l.Frame3.width(), l.Frame4.height());
  if (const int w = l.FrameGJZ.left() - 100 - l.Frame4.left(); w >= 0) l.Frame4.setWidth(w);
  // 12. The clock.
  PlaceClock(l);
}

void PlaceClock(MainLayout& l) {
  l.Picture1.setWidth(l.Frame3.width());
  l.Picture1.moveLeft(l.Frame3.left());
  l.Picture1.moveTop(Bottom(l.Frame3) + 100);
  const int room = l.ListView2.height() - l.Frame3.height();
  if (room >= 0) l.Picture1.setHeight(room);
  l.clock_visible = room >= 1000;
}

}  // namespace talvec
