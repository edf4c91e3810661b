// The cutting of the result cell out of arbitrary page text.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "analysis/result_cell.h"
#include "analysis/winner_extraction.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  const QString page =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const talvec::ResultCellCut cut = talvec::CutResultCell(page);
  if (cut.verdict == talvec::PageVerdict::kCell) {
    Check(!cut.cell.isEmpty());
    Check(!cut.cell.contains(u'\''));
    Check(!cut.cell.contains(u"<td"));
    Check(!cut.cell.contains(u"</td>"));
    Check(cut.cell.size() <= page.size());
    if (talvec::HasSupplierMarker(cut.cell)) talvec::ExtractAwards(cut.cell);
  } else {
    Check(cut.cell.isEmpty());
  }
  return 0;
}
