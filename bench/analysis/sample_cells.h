// Result cells to measure extraction on: the simulator's, when it is built
// in, and a fixed set written the ways public bodies write them.
#pragma once

#include <QStringList>

namespace talvec::bench {

QStringList SampleCells();

}  // namespace talvec::bench
