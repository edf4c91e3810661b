// Announcement titles for the search benchmarks: varied places, bodies,
// goods and kinds, each title distinct.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace talvec::bench {

QString BenchTitle(int number);

// The path of the benchmark's database in the temporary folder
// ("talvec-bench/BENCH_NAME.qzv"), whose List holds `rows` announcements,
// `rows_per_day` a day up to `last_day`, titled by `title`; a file that
// already holds that many rows is kept, since building it takes most of a
// run. Empty, with the cause printed, when it cannot be built.
QString EnsureBenchList(const char* bench_name, int rows, int rows_per_day, QDate last_day,
                        const std::function<QString(int)>& title);

// Median of the runs, in milliseconds.
double MedianMs(int runs, const std::function<double()>& run_once);

}  // namespace talvec::bench
