// Announcement titles for the search benchmarks: varied places, bodies,
// goods and kinds, each title distinct.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace talvec::bench {

QString BenchTitle(int number);

// Median of the runs, in milliseconds.
double MedianMs(int runs, const std::function<double()>& run_once);

}  // namespace talvec::bench
