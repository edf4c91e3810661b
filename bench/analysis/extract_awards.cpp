// Time per result cell of ExtractAwards, next to a plain scan of the same
// cells for the five supplier markers.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "analysis/winner_extraction.h"
#include "bench/analysis/sample_cells.h"

namespace {

template <typename F>
double MicrosPerCell(const QStringList& cells, F&& work) {
  // Repeat until the run lasts long enough to time well; keep the best of
  // five runs.
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    QElapsedTimer timer;
    timer.start();
    qint64 calls = 0;
    do {
      for (const QString& cell : cells) work(cell);
      calls += cells.size();
    } while (timer.nsecsElapsed() < 200'000'000);
    best = std::min(best, timer.nsecsElapsed() / 1000.0 / calls);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList cells = talvec::bench::SampleCells();
  qint64 sink = 0;
  const double extract = MicrosPerCell(
      cells, [&](const QString& cell) { sink += talvec::ExtractAwards(cell).awards.size(); });
  const double scan = MicrosPerCell(cells, [&](const QString& cell) {
    for (const char16_t* marker : {u"公司", u"合作社", u"经营部", u"厂", u"中心"}) {
      sink += QString(cell).indexOf(QStringView(marker));
    }
  });
  std::printf("extract_awards: %.2f us; baseline marker_scan: %.2f us; ratio %.1f\n", extract, scan,
              extract / scan);
  std::fprintf(stderr, "(%lld cells, checksum %lld)\n", static_cast<long long>(cells.size()),
               static_cast<long long>(sink));
  return 0;
}
