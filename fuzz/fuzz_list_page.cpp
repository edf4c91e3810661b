// ParseListPage and the stored form of its items on arbitrary page text.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "collect/channels.h"
#include "collect/list_page.h"
#include "collect/page_store.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 256 * 1024) return 0;
  // The first byte picks the channel whose heading is looked for.
  const auto& channels = talvec::Channels();
  const QString heading = channels[data[0] % channels.size()].Heading();
  const QString page =
      QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

  const talvec::ParsedListPage parsed = talvec::ParseListPage(page, heading);
  Check(parsed.shape == talvec::ListPageShape::kItems || parsed.items.isEmpty());
  if (parsed.shape == talvec::ListPageShape::kItems) Check(!parsed.items.isEmpty());
  if (parsed.shape != talvec::ListPageShape::kNoHeading) Check(page.contains(heading));
  for (const talvec::ListItem& item : parsed.items) {
    // The three parts may overlap (a title mark inside the address), so each
    // alone is bounded by the page.
    Check(item.address.size() <= page.size() && item.title.size() <= page.size());
    const talvec::StoredAnnouncement stored = talvec::StoredForm(item);
    Check(stored.title.size() <= 127 && stored.address.size() <= 255 && stored.date.size() <= 20);
    Check(item.title.contains(stored.title));
    Check(stored.title.isEmpty() || !stored.title.back().isHighSurrogate());
  }
  return 0;
}
