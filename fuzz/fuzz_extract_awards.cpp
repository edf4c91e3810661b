// ExtractAwards, CleanAndAccept and the number readers on arbitrary text.
// Checks what every award must satisfy, whatever the cell.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "analysis/award_cleaning.h"
#include "analysis/winner_extraction.h"
#include "core/numeric.h"
#include "core/text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckAward(const talvec::Award& award) {
  Check(talvec::AcceptAward(award.supplier));
  Check(award.supplier == talvec::TrimBlanks(award.supplier));
  Check(award.amount == talvec::TrimBlanks(award.amount));
  // A kept amount always starts with a number other than 0.
  Check(award.amount.isEmpty() || talvec::NumericValue(award.amount) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  // The first byte picks how the bytes become text: UTF-8 as pages arrive,
  // or raw UTF-16 units, which reaches lone surrogates too.
  QString text;
  if (size > 0 && data[0] == 0xFF) {
    text = QString(reinterpret_cast<const QChar*>(data + 1), (size - 1) / 2);
  } else {
    text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  }

  const talvec::Extraction extraction = talvec::ExtractAwards(text);
  for (const talvec::Award& award : extraction.awards) CheckAward(award);
  Check(extraction.prepared_cell.size() <= text.size());

  const qsizetype half = text.size() / 2;
  for (talvec::CellLayout layout :
       {talvec::CellLayout::kColon, talvec::CellLayout::kComma, talvec::CellLayout::kSingle}) {
    if (auto award = talvec::CleanAndAccept(layout, text.left(half), text.mid(half))) {
      CheckAward(*award);
    }
  }
  const QString run = talvec::NumberRun(text);
  Check(run.isEmpty() || text.contains(run));

  const double value = talvec::NumericValue(text);
  const QString decimal = talvec::DecimalText(value);
  Check(!decimal.isEmpty() && decimal.size() <= 24);
  return 0;
}
