// The analysis queue query on a List of 1,000,000 rows with 100,000 result
// announcements waiting, next to the same reading without any index.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/auto_analysis.h"
#include "core/database.h"
#include "core/schema.h"

namespace {

using talvec::Database;

constexpr int kRows = 1'000'000;

bool Fill(Database& db) {
  Database::Transaction tx(db);
  talvec::Statement insert = db.Prepare("INSERT INTO List(MC, DZ, SJ, LX, ZBXX) VALUES(?,?,?,?,?)");
  const QDate first(2024, 1, 1);
  for (int i = 0; i < kRows; ++i) {
    const int type = i % 10 + 1;
    // Half of the result announcements are analysed; the rest wait.
    const bool result = type == 4 || type == 9;
    const bool pending = result && (i / 10) % 2 == 0;
    QVariant zbxx;
    if (result && !pending)
      zbxx = QStringLiteral("无信息");
    else if (pending && i % 7 == 0)
      zbxx = QString(QLatin1String(""));
    insert.Reset();
    insert.BindAll(QStringLiteral("公告%1").arg(i), QStringLiteral("/a/%1.html").arg(i),
                   first.addDays(i / 1000).toString(Qt::ISODate), type, zbxx);
    if (!insert.Run()) return false;
  }
  return tx.Commit().has_value();
}

// The same two readings as ReadAnalysisQueue, with every index bypassed.
int FullScanQueue(Database& db) {
  QVariant tenth = db.Scalar(
      "SELECT SJ FROM List NOT INDEXED WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='') "
      "ORDER BY SJ DESC LIMIT 1 OFFSET 9");
  talvec::Statement st = db.Query(
      "SELECT ID, MC, DZ, SJ FROM List NOT INDEXED WHERE (LX=4 OR LX=9) AND "
      "(ZBXX IS NULL OR ZBXX='') AND SJ >= ? ORDER BY SJ DESC, ID DESC",
      tenth);
  int n = 0;
  while (st.Next()) ++n;
  return n;
}

template <typename F>
double MedianMs(int runs, F&& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    work();
    times.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  Database db;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("bench.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db) || !Fill(db)) {
    std::fprintf(stderr, "analysis_queue: cannot build the database\n");
    return 1;
  }
  const qint64 pending =
      db.Scalar("SELECT count(*) FROM List WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='')")
          .toLongLong();
  qsizetype batch = 0;
  const double indexed = MedianMs(201, [&] { batch = talvec::ReadAnalysisQueue(db)->size(); });
  int scanned = 0;
  const double full = MedianMs(5, [&] { scanned = FullScanQueue(db); });
  std::printf("analysis_queue: %.3f ms; baseline full_scan_queue: %.3f ms; ratio %.4f\n", indexed,
              full, indexed / full);
  std::fprintf(stderr, "(%d rows, %lld pending, batch %lld, full scan batch %d)\n", kRows,
               static_cast<long long>(pending), static_cast<long long>(batch), scanned);
  return batch == scanned ? 0 : 1;
}
