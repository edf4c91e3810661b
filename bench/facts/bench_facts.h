// Facts for the benchmarks' stores: `projects` projects, one every ten
// announcements of a List built by EnsureBenchList (titles BenchTitle(10p+1)
// the tender with budget, deadline and opening time, 10p+4 and 10p+3 two
// more stages), every other project with a correction of its deadline, and
// `favorites` tenders spread over the store kept as favorites. A store that
// holds them already is kept.
#pragma once

#include <QDate>

namespace talvec {
class Database;
}

namespace talvec::bench {

bool EnsureBenchFacts(Database& db, const char* bench_name, int projects, int rows,
                      int rows_per_day, QDate last_day, int favorites = 0);

}  // namespace talvec::bench
