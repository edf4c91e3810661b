// competitor_load: the competitor window's full list of 200,000 awards read
// from the encrypted store into its model. Two baselines, both the bare
// engine (its C interface, no Qt) stepping the same statements over the
// same file on a connection of its own: one touching every column's bytes
// and keeping nothing, one keeping every text it reads (std::string), as a
// reader that loads the rows does.
#include <sqlcipher/sqlite3.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench/competitors/award_store.h"
#include "bench/search/bench_titles.h"
#include "competitors/award_list_model.h"
#include "competitors/awards.h"
#include "core/database.h"
#include "core/schema.h"

using talvec::bench::MedianMs;

namespace {

// Processor time of this process: the figures hold on a busy machine.
double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Steps `sql` and adds up the columns' bytes so that nothing is skipped.
long long StepAll(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return -1;
  long long bytes = 0;
  const int columns = sqlite3_column_count(st);
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      const unsigned char* text = sqlite3_column_text(st, c);
      if (text) bytes += text[0] + sqlite3_column_bytes(st, c);
    }
  }
  sqlite3_finalize(st);
  return bytes;
}

// Steps `sql` and keeps every row's texts, as a reader that loads the
// rows (rather than only looks at them) does; the rows go to `kept`.
long long StepAndKeep(sqlite3* db, const char* sql, std::vector<std::string>& kept) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return -1;
  long long rows = 0;
  const int columns = sqlite3_column_count(st);
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
      kept.emplace_back(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
    }
    ++rows;
  }
  sqlite3_finalize(st);
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  constexpr int kRows = 200000;

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("talvec.qzv"));
  talvec::Database db;
  if (!db.CreateDatabase(path, talvec::DatabasePassword()) || !talvec::CreateSchema(db)) {
    std::fprintf(stderr, "competitor_load: no database\n");
    return 1;
  }
  if (!talvec::bench::FillAwards(db, kRows)) return 1;
  // The program reads a file it opened at start, not one this connection
  // has just written: the writer's page cache, full of the fill's pages,
  // would make every read here miss. Both sides start from a fresh
  // connection.
  db.CloseDatabase();
  if (!db.OpenDatabase(path, talvec::DatabasePassword())) {
    std::fprintf(stderr, "competitor_load: cannot open the file again\n");
    return 1;
  }

  // As the window does it: a fresh model, the table read, the rows handed
  // over. Freeing the last run's rows is not part of a load.
  auto shown = std::make_unique<talvec::AwardListModel>();
  const double load = MedianMs(5, [&] {
    auto model = std::make_unique<talvec::AwardListModel>();
    const double start = CpuMs();
    talvec::Result<talvec::AwardTable> table = talvec::LoadAwardTable(db);
    if (!table) {
      std::fprintf(stderr, "competitor_load: %s\n", qPrintable(table.error().FullText()));
    } else {
      model->SetRows(std::move(table->rows));
    }
    const double ms = CpuMs() - start;
    std::swap(shown, model);
    return ms;
  });

  sqlite3* bare = nullptr;
  const QByteArray file = path.toUtf8();
  const QByteArray key = talvec::DatabasePassword();
  if (sqlite3_open_v2(file.constData(), &bare, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
      sqlite3_key(bare, key.constData(), static_cast<int>(key.size())) != SQLITE_OK ||
      sqlite3_exec(bare, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "competitor_load: the bare engine cannot open the file\n");
    return 1;
  }
  long long bytes = 0;
  const double engine = MedianMs(5, [&] {
    const double start = CpuMs();
    bytes = StepAll(bare, "SELECT count(*) FROM GYS") +
            StepAll(bare, "SELECT MC, SJ FROM List WHERE LX=4 OR LX=9") +
            StepAll(bare, "SELECT GYS, MC, JE FROM GYS");
    return CpuMs() - start;
  });
  // The same, keeping what it reads. Freeing the last run's texts is not
  // part of a load, as above.
  std::vector<std::string> kept_last;
  long long kept_rows = 0;
  const double engine_kept = MedianMs(5, [&] {
    std::vector<std::string> kept;
    const double start = CpuMs();
    kept.reserve(3 * kRows + kRows / 3 * 2 + 1);
    kept_rows = StepAndKeep(bare, "SELECT count(*) FROM GYS", kept) +
                StepAndKeep(bare, "SELECT MC, SJ FROM List WHERE LX=4 OR LX=9", kept) +
                StepAndKeep(bare, "SELECT GYS, MC, JE FROM GYS", kept);
    const double ms = CpuMs() - start;
    std::swap(kept, kept_last);
    return ms;
  });
  sqlite3_close(bare);
  if (shown->rowCount() != kRows || bytes <= 0) {
    std::fprintf(stderr, "competitor_load: %lld of %d rows loaded\n",
                 static_cast<long long>(shown->rowCount()), kRows);
    return 1;
  }
  std::printf("competitor_load: %.1f ms CPU; baseline bare_engine: %.1f ms; ratio %.2f\n", load,
              engine, load / engine);
  std::printf(
      "competitor_load: %.1f ms CPU; baseline bare_engine_keeping_texts: %.1f ms; ratio %.2f\n",
      load, engine_kept, load / engine_kept);
  if (kept_rows <= kRows) return 1;
  return 0;
}
