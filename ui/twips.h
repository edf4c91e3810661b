// Design lengths are in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
#pragma once

#include <QRect>
#include <cmath>

namespace talvec {

inline int TwipsToPixels(double twips, double logical_dpi = 96.0) {
  return static_cast<int>(std::lround(twips * logical_dpi / 1440.0));
}

inline QRect TwipsRect(int left, int top, int width, int height, double logical_dpi = 96.0) {
  return QRect(TwipsToPixels(left, logical_dpi), TwipsToPixels(top, logical_dpi),
               TwipsToPixels(width, logical_dpi), TwipsToPixels(height, logical_dpi));
}

}  // namespace talvec
