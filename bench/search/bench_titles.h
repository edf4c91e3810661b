// Announcement titles for the search benchmarks: varied places, bodies,
// goods and kinds, each title distinct.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace talvec::bench {

QString BenchTitle(int number);

// Makes `path` a database whose List holds `rows` announcements,
// `rows_per_day` a day up to `last_day`, titled by `title`; a file that
// already holds that many rows is kept, since building it takes most of a run.
bool EnsureBenchList(const QString& path, int rows, int rows_per_day, QDate last_day,
                     const std::function<QString(int)>& title, const char* bench_name);

// Median of the runs, in milliseconds.
double MedianMs(int runs, const std::function<double()>& run_once);

}  // namespace talvec::bench
