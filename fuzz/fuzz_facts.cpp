// The reading of key facts out of arbitrary page text, step by step as the
// reader does it, and the value readers on the same bytes.
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "facts/extraction.h"
#include "facts/values.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool TimeForm(const QString& t) {
  return t.isEmpty() || (t.size() == 10 && t[4] == u'-') || (t.size() == 16 && t[10] == u' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  const QString page =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // Small steps, as between the reader's yields.
  talvec::FactsExtraction extraction(page, page.left(64));
  int steps = 0;
  while (!extraction.Step(97)) Check(++steps < 1000000);
  const talvec::PageFacts& f = extraction.facts();
  Check(f.project_key == talvec::ProjectKey(f.project_no));
  for (const QString* t : {&f.docs_from, &f.docs_until, &f.deadline, &f.opening_at})
    Check(TimeForm(*t));
  Check(f.corrected_on.isEmpty() || f.corrected_on.size() == 10);
  if (f.budget) Check(std::isfinite(*f.budget) && *f.budget >= 0);
  Check(f.changes.size() <= 64);
  for (const talvec::FactChange& c : f.changes) {
    if (c.item == QLatin1String("Deadline") || c.item == QLatin1String("OpeningAt"))
      Check(TimeForm(c.new_value));
  }
  // The same facts read at once.
  const talvec::PageFacts whole = talvec::ExtractFacts(page, page.left(64));
  Check(whole.project_no == f.project_no && whole.deadline == f.deadline &&
        whole.budget == f.budget && whole.changes.size() == f.changes.size());
  const std::optional<double> money = talvec::ReadMoney(page.left(200));
  if (money) Check(std::isfinite(*money) && *money >= 0);
  Check(TimeForm(talvec::ReadTime(page.left(200))));
  return 0;
}
