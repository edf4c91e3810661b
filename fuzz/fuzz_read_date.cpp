// ReadDate and ReformatDate on arbitrary text.
#include <QDate>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "core/dates.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  const std::optional<QDate> date = talvec::ReadDate(text);
  const QString reformatted = talvec::ReformatDate(text);
  if (!date) {
    Check(reformatted == text);
    return 0;
  }
  Check(date->isValid());
  const QString stored = talvec::DateText(*date);
  Check(reformatted == stored);
  Check(stored.size() == 10);
  // The stored form reads back as the same day.
  Check(talvec::ReadDate(stored) == date);
  return 0;
}
