// Where the main window's regions go for a given window size: plain
// arithmetic on rectangles in twips, so that it can be checked without a
// window. The window applies the result to its controls.
#pragma once

#include <QRect>

namespace talvec {

// The result list's columns besides the title: the number, the date, the
// budget and the deadline, and the scroll bar (twips).
inline constexpr int kResultOtherColumnsTwips = 2500 + 1100 + 1300;

// Rectangles in twips. Frame1 is placed in the window's client area; every
// other region is in Frame1's coordinates (the top bar's controls too, as
// the design has them; the window shifts them into the bar when applying).
struct MainLayout {
  QRect Frame1;
  QRect Frame6;    // top bar
  QRect Frame2;    // announcement types
  QRect Frame5;    // search period
  QRect PicJD;     // status light
  QRect CMDCX;     // search button
  QRect Frame4;    // regions
  QRect FrameGJZ;  // keyword box, at the right end of the region row
  QRect Frame8;    // public bodies, left column
  QRect ListView2;
  QRect PicZT;     // "正在搜索..." over the list
  QRect Frame3;    // product categories, right column
  QRect Picture1;  // clock, under the right column
  QRect Text4;
  QRect Command2;
  QRect Label5;
  int title_column = 0;  // width of the result list's title column
  bool label5_visible = true;
  bool clock_visible = true;
};

// The regions as designed, before any layout pass.
MainLayout DesignLayout();

// Design size of the whole window, frame included.
inline constexpr int kDesignWindowWidth = 20100;
inline constexpr int kDesignWindowHeight = 12400;

// One layout pass for a client area of `width` x `height` twips, starting
// from the current placement. Every step is checked on its own: a step that
// would give a negative size is skipped and the regions it would set keep
// their place; the next steps run. A window shorter than the design raises
// the text filter and shortens both columns so that the filter stays in
// the window. Ends with the clock's placement.
void LayoutPass(MainLayout& layout, int width, int height);

// The clock's part of the pass, also run on every clock tick: the panel
// under the right column, as wide as it, as tall as the list reaches below
// it; shown only when that is 1000 twips or more.
void PlaceClock(MainLayout& layout);

}  // namespace talvec
