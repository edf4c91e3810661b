// database_check: the program's background quick_check of a store of
// 1,000,000 announcements, on its own thread and read-only connection: how
// long it takes, and the longest gap between ticks of a 10 ms timer of the
// UI thread meanwhile. Baseline: the same check run on the UI thread, which
// holds the event loop for its whole length.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>
#include <optional>

#include "bench/gap_meter.h"
#include "bench/search/bench_titles.h"
#include "core/database.h"
#include "core/database_check.h"

namespace {

constexpr int kRows = 1000000;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString path = talvec::bench::EnsureBenchList(
      "database_check", kRows, 1000, QDate(2026, 11, 30), talvec::bench::BenchTitle);
  if (path.isEmpty()) return 1;
  const qint64 bytes = QFileInfo(path).size();

  // The program's way: the check on its thread while the event loop runs.
  GapMeter meter;
  std::optional<talvec::Result<void>> result;
  qint64 background_ms = 0;
  talvec::BackgroundCheck check(path, talvec::DatabasePassword());
  meter.Start();
  check.Start([&](const talvec::Result<void>& r, qint64 ms) {
    result = r;
    background_ms = ms;
    QCoreApplication::quit();
  });
  app.exec();
  const qint64 gap = meter.Stop();

  // The baseline: the same check on the UI thread.
  QElapsedTimer clock;
  clock.start();
  const talvec::Result<void> blocking =
      talvec::QuickCheckFile(path, talvec::DatabasePassword(), false);
  const qint64 blocking_ms = clock.elapsed();

  std::fprintf(stderr, "database_check: %d rows, %.1f MB, the check found %s\n", kRows,
               bytes / 1048576.0, result && *result && blocking ? "the file whole" : "damage");
  std::printf("database_check: %lld ms; baseline quick_check_on_ui_thread: %lld ms; ratio %.2f\n",
              static_cast<long long>(background_ms), static_cast<long long>(blocking_ms),
              blocking_ms ? static_cast<double>(background_ms) / blocking_ms : 0.0);
  std::printf("database_check_tick_gap: %lld ms; baseline tick_interval: 10 ms; ratio %.2f\n",
              static_cast<long long>(gap), gap / 10.0);
  return result && *result && blocking ? 0 : 1;
}
