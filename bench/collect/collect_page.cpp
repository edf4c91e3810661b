// collect_page: parse, de-duplicate and store one 25-item list page, as CPU
// time per page over 1,000 pages, against a List already holding 1,000,000
// rows. Baseline: BeautifulSoup + sqlite3 in Python on an equal plain file.
// collect_page_store: the storing part alone against the same statements
// through the bare SQLCipher C API on an equally filled file.
#include <sqlcipher/sqlite3.h>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <vector>

#include "bench/collect/bench_pages.h"
#include "collect/channels.h"
#include "collect/list_collector.h"
#include "collect/list_page.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
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
                   QStringLiteral("2026-%1-%2")
                       .arg(1 + n % 12, 2, 10, QLatin1Char('0'))
                       .arg(1 + n % 28, 2, 10, QLatin1Char('0')),
                   1 + n % 10);
    if (!insert.Run()) return false;
    insert.Reset();
  }
  return tx.Commit().has_value();
}

// The same statements as the store (one INSERT OR IGNORE per item, its
// change count, one transaction per page) on the bare SQLCipher API, with
// the program's settings of the connection. CPU ms per page, or -1.
double BareStore(const QString& path,
                 const std::vector<std::vector<talvec::StoredAnnouncement>>& pages) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
    return -1;
  const QByteArray key = talvec::DatabasePassword();
  sqlite3_key(db, key.constData(), key.size());
  for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
                             "PRAGMA foreign_keys=ON", "PRAGMA cache_size=-65536"}) {
    if (sqlite3_exec(db, pragma, nullptr, nullptr, nullptr) != SQLITE_OK) return -1;
  }
  sqlite3_stmt* insert = nullptr;
  if (sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)", -1,
                         &insert, nullptr) != SQLITE_OK) {
    return -1;
  }
  const double start = CpuSeconds();
  int stored = 0;
  for (const auto& page : pages) {
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (const talvec::StoredAnnouncement& item : page) {
      const QByteArray title = item.title.toUtf8(), address = item.address.toUtf8(),
                       date = item.date.toUtf8();
      sqlite3_reset(insert);
      sqlite3_bind_text(insert, 1, title.constData(), title.size(), SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 2, address.constData(), address.size(), SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 3, date.constData(), date.size(), SQLITE_TRANSIENT);
      sqlite3_bind_int64(insert, 4, 3);
      if (sqlite3_step(insert) != SQLITE_DONE) return -1;
      stored += sqlite3_changes(db) > 0;
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  const double ms = (CpuSeconds() - start) * 1000.0 / static_cast<double>(pages.size());
  sqlite3_finalize(insert);
  sqlite3_close_v2(db);
  return stored == 25 * static_cast<int>(pages.size()) ? ms : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  const bool with_baseline = args.removeAll(QStringLiteral("--no-baseline")) == 0;
  const bool with_store = args.removeAll(QStringLiteral("--no-store")) == 0;
  if (args.size() > 0) kRows = args.at(0).toInt();
  if (args.size() > 1) kPages = args.at(1).toInt();
  QTemporaryDir dir;
  talvec::Database db;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("bench.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db) || !talvec::InsertDeliveredSettings(db, QDate::currentDate()) ||
      !Fill(db)) {
    std::fprintf(stderr, "collect_page: cannot prepare the database\n");
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

  // The storing part alone, ours and through the bare C API on a second,
  // equally filled file, over the same parsed pages (kept for later).
  std::vector<std::vector<talvec::StoredAnnouncement>> parsed;
  for (const QString& page : pages) {
    std::vector<talvec::StoredAnnouncement> items_of_page;
    for (const talvec::ListItem& item : talvec::ParseListPage(page, channel.Heading()).items) {
      items_of_page.push_back(talvec::StoredForm(item));
    }
    parsed.push_back(std::move(items_of_page));
  }
  double store_ms = 0, bare_ms = 0;
  if (with_store) {
    talvec::Database store_db, bare_fill;
    const QString store_path = dir.filePath(QStringLiteral("store.qzv"));
    const QString bare_path = dir.filePath(QStringLiteral("bare.qzv"));
    for (auto [d, path] : {std::pair{&store_db, store_path}, std::pair{&bare_fill, bare_path}}) {
      if (!d->CreateDatabase(path, talvec::DatabasePassword()) || !talvec::CreateSchema(*d) ||
          !Fill(*d)) {
        std::fprintf(stderr, "collect_page: cannot prepare the store files\n");
        return 1;
      }
    }
    bare_fill.CloseDatabase();
    const double store_start = CpuSeconds();
    int stored = 0;
    for (const auto& page_items : parsed) {
      talvec::Database::Transaction tx(store_db);
      talvec::AnnouncementStore store(store_db);
      for (const auto& item : page_items)
        stored += store.Store(item, 3) == talvec::StoreOutcome::kNew;
      tx.Commit();
    }
    store_ms = (CpuSeconds() - store_start) * 1000.0 / kPages;
    bare_ms = BareStore(bare_path, parsed);
    if (stored != 25 * kPages || bare_ms < 0) {
      std::fprintf(stderr, "collect_page: store comparison failed (%d rows)\n", stored);
      return 1;
    }
  }

  const double start = CpuSeconds();
  for (const QString& page : pages) talvec::ApplyListPage(env, page, channel.type);
  const double ours_ms = (CpuSeconds() - start) * 1000.0 / kPages;
  if (state.new_announcements != 25 * kPages) {
    std::fprintf(stderr, "collect_page: stored %d rows, expected %d\n", state.new_announcements,
                 25 * kPages);
    return 1;
  }

  QString baseline = QStringLiteral("n/a"), parse_baseline = baseline;
  double baseline_ms = 0, parse_baseline_ms = 0;
  QFile file(dir.filePath(QStringLiteral("pages.txt")));
  if (with_baseline && file.open(QIODevice::WriteOnly) &&
      file.write(pages.join(QLatin1Char('\f')).toUtf8()) > 0) {
    file.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TALVEC_BENCH_SOURCE_DIR "/collect_page_baseline.py"),
                  file.fileName(), dir.filePath(QStringLiteral("baseline.sqlite")),
                  QString::number(kRows), channel.Heading()});
    if (python.waitForFinished(30 * 60 * 1000) && python.exitCode() == 0) {
      const QStringList figures =
          QString::fromUtf8(python.readAllStandardOutput()).simplified().split(QLatin1Char(' '));
      bool ok = false, parse_ok = false;
      baseline_ms = figures.value(0).toDouble(&ok);
      parse_baseline_ms = figures.value(1).toDouble(&parse_ok);
      if (ok) baseline = QString::number(baseline_ms, 'f', 3);
      if (parse_ok) parse_baseline = QString::number(parse_baseline_ms, 'f', 3);
    } else {
      std::fprintf(stderr, "collect_page: baseline failed: %s\n",
                   python.readAllStandardError().constData());
    }
  }
  const QString ratio =
      baseline_ms > 0 ? QString::number(baseline_ms / ours_ms, 'f', 1) : QStringLiteral("n/a");
  std::printf("collect_page: %.3f ms/page; baseline python_bs4_sqlite3: %s ms/page; ratio %s\n",
              ours_ms, qPrintable(baseline), qPrintable(ratio));
  // The same split into its reading part, which the grammar decides; the
  // rest is the encrypted, durable commit of the page's rows.
  const QString parse_ratio = parse_baseline_ms > 0
                                  ? QString::number(parse_baseline_ms / parse_ms, 'f', 1)
                                  : QStringLiteral("n/a");
  std::printf("collect_page_read: %.3f ms/page; baseline python_bs4_read: %s ms/page; ratio %s\n",
              parse_ms, qPrintable(parse_baseline), qPrintable(parse_ratio));
  if (with_store) {
    std::printf(
        "collect_page_store: %.3f ms/page; baseline sqlcipher_c_api: %.3f ms/page; ratio %.2f\n",
        store_ms, bare_ms, store_ms / bare_ms);
  }
  return 0;
}
