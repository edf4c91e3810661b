// facts_reader_stall: the longest gap between ticks of a 10 ms timer while
// the facts reader reads 500 announcement pages from the site simulator (a
// separate process, build/bin/sitesim, on a free port): fetch, reading in
// slices, storing. The pause between requests is left out here (it only
// adds idle time). Baseline: the longest gap of the same timer while the
// program idles for as long.
#include <qcorotask.h>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "bench/gap_meter.h"
#include "bench/sim_process.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "facts/facts_reader.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"

namespace {

constexpr int kPages = 500;

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QProcess sim;
  const QString base =
      StartSimulator(sim, "facts_reader_stall", {QStringLiteral("--days"), QStringLiteral("60")});
  if (base.isEmpty()) return 1;

  QTemporaryDir dir;
  talvec::Database db;
  talvec::SystemSettings settings;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("facts.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db) || !talvec::InsertDeliveredSettings(db, QDate::currentDate()) ||
      !talvec::LoadSystemSettings(db, &settings)) {
    std::fprintf(stderr, "facts_reader_stall: cannot prepare the database\n");
    return 1;
  }
  settings.SiteBaseAddress = base;
  talvec::PageFetcher fetcher;
  talvec::NetworkStatus network(fetcher, base);
  network.SetNetworkOk(true);

  // The announcements the site lists, stored as the collectors store them.
  int listed = 0;
  for (int type : talvec::kFactsTypes) {
    const talvec::FetchResult fetched = QCoro::waitFor(
        fetcher.Fetch(base + QStringLiteral("/__sim/items?type=%1").arg(type),
                      QStringLiteral("UTF-8"), talvec::PageFetcher::kListPageBytes, nullptr));
    const QString items = fetched.value_or(QString());
    for (const QString& line : items.split(u'\n', Qt::SkipEmptyParts)) {
      const QStringList f = line.split(u'\t');
      if (f.size() < 3) continue;
      if (db.Execute("INSERT OR IGNORE INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)",
                     f[2].trimmed().left(127), f[1], f[0], type))
        ++listed;
    }
  }
  if (listed < kPages) {
    std::fprintf(stderr, "facts_reader_stall: only %d announcements listed\n", listed);
    return 1;
  }
  // The newest 500 are the reader's.
  db.Execute(
      "DELETE FROM List WHERE ID NOT IN (SELECT ID FROM List ORDER BY SJ DESC, ID DESC LIMIT ?)",
      kPages);
  const int queued = db.Scalar("SELECT count(*) FROM List").toInt();

  talvec::FactsReaderOptions options;
  options.spacing_ms = 0;
  options.recent_days = 1000;
  talvec::FactsReader reader(db, settings, fetcher, network, options);
  GapMeter meter;
  QElapsedTimer elapsed;
  int read = 0;
  qint64 reading_gap = 0, reading_ms = 0, idle_gap = 0;
  QObject::connect(&reader, &talvec::FactsReader::factsRead, [&] {
    if (++read < queued) return;
    reading_gap = meter.Stop();
    reading_ms = elapsed.elapsed();
    reader.Stop();
    meter.Start();
    QTimer::singleShot(std::max<qint64>(reading_ms, 1000), [&] {
      idle_gap = meter.Stop();
      app.quit();
    });
  });
  QTimer::singleShot(0, [&] {
    meter.Start();
    elapsed.start();
    reader.Start();
  });
  app.exec();
  sim.terminate();
  sim.waitForFinished(5000);

  const int with_facts = db.Scalar("SELECT count(*) FROM Facts WHERE State = 1").toInt();
  std::printf("facts_reader_stall: %lld ms; baseline idle_loop: %lld ms; ratio %.2f\n",
              static_cast<long long>(reading_gap), static_cast<long long>(idle_gap),
              idle_gap > 0 ? static_cast<double>(reading_gap) / idle_gap : 0.0);
  std::fprintf(stderr, "facts_reader_stall: %d pages in %lld ms, %d with facts, %d requests\n",
               read, static_cast<long long>(reading_ms), with_facts, reader.requests());
  return with_facts > 0 ? 0 : 1;
}
