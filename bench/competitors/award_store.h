// The competitor benchmarks' store: `rows` awards of 5,000 companies in
// GYS, every third title also a result announcement in List.
#pragma once

#include <QString>
#include <functional>

namespace talvec {
class Database;
}

namespace talvec::bench {

// Fills a new database; `each_title` sees every award's title in order.
bool FillAwards(Database& db, int rows, const std::function<void(const QString&)>& each_title = {});

}  // namespace talvec::bench
