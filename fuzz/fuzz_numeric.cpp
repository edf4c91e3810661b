// NumericValue, DecimalText and RoundToInt16 on arbitrary text.
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/numeric.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  // The first byte picks how the bytes become text: UTF-8, or raw UTF-16
  // units, which reaches lone surrogates too.
  QString text;
  if (size > 0 && data[0] == 0xFF) {
    text =
        QString(reinterpret_cast<const QChar*>(data + 1), static_cast<qsizetype>((size - 1) / 2));
  } else {
    text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  }

  const double value = talvec::NumericValue(text);
  const QString decimal = talvec::DecimalText(value);
  Check(!decimal.isEmpty() && decimal.size() <= 24);
  if (std::isfinite(value)) {
    // The decimal text reads back as a number with the same decimal text.
    Check(talvec::DecimalText(talvec::NumericValue(decimal)) == decimal);
    if (const auto rounded = talvec::RoundToInt16(value)) Check(std::fabs(*rounded - value) <= 0.5);
  }
  return 0;
}
