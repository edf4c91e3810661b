// List pages and a filled List table for the collection benchmarks.
#pragma once

#include <QString>
#include <QStringList>

namespace talvec::bench {

// `count` list pages of the channel `heading`, 25 new items each, shaped
// like the procurement site's pages (chrome around the list, "页次" after it).
QStringList MakeListPages(const QString& heading, int count, int first_number);

// A title like the site's, unique by `number`.
QString BenchTitle(int number);

}  // namespace talvec::bench
