// cycle_stall: the longest gap between ticks of a 10 ms timer while one full
// ten-channel collection cycle runs against the site simulator (a separate
// process, build/bin/sitesim, on a free port). Baseline: the longest gap of
// the same timer while the program idles for as long.
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "bench/gap_meter.h"
#include "bench/sim_process.h"
#include "collect/collection_schedule.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"

namespace {}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QProcess sim;
  const QString base = StartSimulator(sim, "cycle_stall");
  if (base.isEmpty()) return 1;

  QTemporaryDir dir;
  talvec::Database db;
  talvec::SystemSettings settings;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("cycle.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db) || !talvec::InsertDeliveredSettings(db, QDate::currentDate()) ||
      !talvec::LoadSystemSettings(db, &settings)) {
    std::fprintf(stderr, "cycle_stall: cannot prepare the database\n");
    return 1;
  }
  settings.SiteBaseAddress = base;
  talvec::PageFetcher fetcher;
  talvec::NetworkStatus network(fetcher, base);
  network.SetNetworkOk(true);
  talvec::CollectionSchedule schedule(db, settings, fetcher, network, {.construction_base = base});

  GapMeter meter;
  QElapsedTimer cycle_time;
  qint64 cycle_gap = 0, cycle_ms = 0, idle_gap = 0;
  QObject::connect(&schedule, &talvec::CollectionSchedule::cycleFinished, [&] {
    cycle_gap = meter.Stop();
    cycle_ms = cycle_time.elapsed();
    schedule.timerUpdate().stop();
    meter.Start();
    QTimer::singleShot(std::max<qint64>(cycle_ms, 1000), [&] {
      idle_gap = meter.Stop();
      app.quit();
    });
  });
  QTimer::singleShot(0, [&] {
    meter.Start();
    cycle_time.start();
    schedule.RunCollectionCycle();
  });
  app.exec();
  sim.terminate();
  sim.waitForFinished(5000);

  const int stored = db.Scalar("SELECT count(*) FROM List").toInt();
  std::printf("cycle_stall: %lld ms; baseline idle_loop: %lld ms; ratio %.2f\n",
              static_cast<long long>(cycle_gap), static_cast<long long>(idle_gap),
              idle_gap > 0 ? static_cast<double>(cycle_gap) / idle_gap : 0.0);
  std::fprintf(stderr, "cycle_stall: the cycle took %lld ms and stored %d announcements\n",
               static_cast<long long>(cycle_ms), stored);
  return stored > 0 ? 0 : 1;
}
