// collect_page: parse, de-duplicate and store one 25-item list page, as CPU
// time per page over 1,000 pages, against a List already holding 1,000,000
// rows. Baseline: BeautifulSoup + sqlite3 in Python on an equal plain file.
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

#include "bench/collect/bench_pages.h"
#include "collect/channels.h"
#include "collect/list_collector.h"
#include "collect/list_page.h"
#include "collect/network_status.h"
#include "collect/page_fetcher.h"
#include "core/database.h"
#include "core/schema.h"

namespace {

// `collect_page [ROWS [PAGES]] [--no-baseline]` changes the sizes for a
// quick look; bench/run uses the defaults.
int kRows = 1000000;
int kPages = 1000;

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

bool Fill(talvec::Database& db) {
  talvec::Database::Transaction tx(db);
  talvec::Statement insert = db.Prepare("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)");
  for (int n = 0; n < kRows; ++n) {
    insert.BindAll(talvec::bench::BenchTitle(n), QStringLiteral("/view?id=%1").arg(n),
                   QStringLiteral("2026-%1-%2").arg(1 + n % 12, 2, 10, QLatin1Char('0')).arg(1 + n % 28, 2, 10, QLatin1Char('0')),
                   1 + n % 10);
    if (!insert.Run()) return false;
    insert.Reset();
  }
  return tx.Commit();
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  const bool with_baseline = args.removeAll(QStringLiteral("--no-baseline")) == 0;
  if (args.size() > 0) kRows = args.at(0).toInt();
  if (args.size() > 1) kPages = args.at(1).toInt();
  QTemporaryDir dir;
  talvec::Database db;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("bench.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db) || !talvec::InsertDeliveredSettings(db, QDate::currentDate()) || !Fill(db)) {
    std::fprintf(stderr, "collect_page: cannot prepare the database: %s\n", qPrintable(db.LastError()));
    return 1;
  }
  const talvec::ChannelInfo& channel = *talvec::ChannelOfType(2);
  const QStringList pages = talvec::bench::MakeListPages(channel.Heading(), kPages, 2 * kRows);

  talvec::PageFetcher fetcher;
  talvec::NetworkStatus network(fetcher, QStringLiteral("http://127.0.0.1:1"));
  network.SetNetworkOk(true);
  talvec::CollectionState state;
  state.LastCollectionDate = QStringLiteral("2026-12-01");
  talvec::CollectorEnv env{db, network, state, {}, {}};

  // Reading alone: the grammar and the stored form, without the database.
  double parse_start = CpuSeconds();
  qsizetype items = 0;
  for (const QString& page : pages) {
    for (const talvec::ListItem& item : talvec::ParseListPage(page, channel.Heading()).items) {
      items += talvec::StoredForm(item).title.size() > 0;
    }
  }
  const double parse_ms = (CpuSeconds() - parse_start) * 1000.0 / kPages;
  if (items != 25 * kPages) return 1;

  const double start = CpuSeconds();
  for (const QString& page : pages) talvec::ApplyListPage(env, page, channel.type);
  const double ours_ms = (CpuSeconds() - start) * 1000.0 / kPages;
  if (state.new_announcements != 25 * kPages) {
    std::fprintf(stderr, "collect_page: stored %d rows, expected %d\n", state.new_announcements, 25 * kPages);
    return 1;
  }

  QString baseline = QStringLiteral("n/a"), parse_baseline = baseline;
  double baseline_ms = 0, parse_baseline_ms = 0;
  QFile file(dir.filePath(QStringLiteral("pages.txt")));
  if (with_baseline && file.open(QIODevice::WriteOnly) && file.write(pages.join(QLatin1Char('\f')).toUtf8()) > 0) {
    file.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TALVEC_BENCH_SOURCE_DIR "/collect_page_baseline.py"), file.fileName(),
                  dir.filePath(QStringLiteral("baseline.sqlite")), QString::number(kRows), channel.Heading()});
    if (python.waitForFinished(30 * 60 * 1000) && python.exitCode() == 0) {
      const QStringList figures = QString::fromUtf8(python.readAllStandardOutput()).simplified().split(QLatin1Char(' '));
      bool ok = false, parse_ok = false;
      baseline_ms = figures.value(0).toDouble(&ok);
      parse_baseline_ms = figures.value(1).toDouble(&parse_ok);
      if (ok) baseline = QString::number(baseline_ms, 'f', 3);
      if (parse_ok) parse_baseline = QString::number(parse_baseline_ms, 'f', 3);
    } else {
      std::fprintf(stderr, "collect_page: baseline failed: %s\n", python.readAllStandardError().constData());
    }
  }
  const QString ratio = baseline_ms > 0 ? QString::number(baseline_ms / ours_ms, 'f', 1) : QStringLiteral("n/a");
  std::printf("collect_page: %.3f ms/page; baseline python_bs4_sqlite3: %s ms/page; ratio %s\n", ours_ms,
              qPrintable(baseline), qPrintable(ratio));
  // The same split into its reading part, which the grammar decides; the
  // rest is the encrypted, durable commit of the page's rows.
  const QString parse_ratio = parse_baseline_ms > 0 ? QString::number(parse_baseline_ms / parse_ms, 'f', 1)
                                                    : QStringLiteral("n/a");
  std::printf("collect_page_read: %.3f ms/page; baseline python_bs4_read: %s ms/page; ratio %s\n", parse_ms,
              qPrintable(parse_baseline), qPrintable(parse_ratio));
  return 0;
}
