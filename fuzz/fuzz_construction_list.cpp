// ParseConstructionList and the composed title on arbitrary page text.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "collect/construction_collector.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  const QString page =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString base = QStringLiteral("http://127.0.0.1:8181");

  const auto rows = talvec::ParseConstructionList(page, base);
  if (!rows) return 0;
  Check(page.contains(u"ContentPlaceHolder1_GVList", Qt::CaseInsensitive));
  for (const talvec::ConstructionRow& row : *rows) {
    Check(row.address.isEmpty() ||
          row.address.startsWith(base + QStringLiteral("/InvestmentInfo/ZhaoBiao/")));
    Check(row.title.size() + row.place.size() <= page.size());
    if (row.title.isEmpty()) continue;
    const QString title = talvec::ComposeConstructionTitle(row.title, row.place);
    Check(title.contains(row.title) && title.contains(row.place));
    Check(title.endsWith(u"--四川建设网"));
  }
  return 0;
}
