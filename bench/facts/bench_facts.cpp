#include "bench/facts/bench_facts.h"

#include <QVariant>
#include <cstdio>

#include "bench/search/bench_titles.h"
#include "core/database.h"

namespace talvec::bench {

bool EnsureBenchFacts(Database& db, const char* bench_name, int projects, int rows,
                      int rows_per_day, QDate last_day, int favorites) {
  if (db.Scalar("SELECT count(*) FROM Facts").toInt() == 3 * projects &&
      db.Scalar("SELECT count(*) FROM Favorites").toInt() == favorites) {
    return true;
  }
  std::fprintf(stderr, "%s: building %d Facts rows ...\n", bench_name, 3 * projects);
  auto day_of = [&](int row) {
    return last_day.addDays(-(rows / rows_per_day - 1) + row / rows_per_day);
  };
  Database::Transaction tx(db);
  if (!db.Execute("DELETE FROM Facts") || !db.Execute("DELETE FROM Corrections") ||
      !db.Execute("DELETE FROM Favorites")) {
    return false;
  }
  Statement facts = db.Prepare(
      "INSERT INTO Facts(MC, ReadAt, State, ProjectNo, ProjectKey, ProjectName, Buyer, Budget, "
      "Deadline, OpeningAt) VALUES(?, '2026-11-30 08:00:00', 1, ?, ?, ?, '某单位', ?, ?, ?)");
  Statement change = db.Prepare(
      "INSERT INTO Corrections(MC, ProjectKey, Item, OldText, NewText, NewValue, CorrectedOn) "
      "VALUES(?, ?, 'Deadline', '旧', '新', ?, ?)");
  Statement favorite = db.Prepare("INSERT INTO Favorites(MC, DZ, SJ) VALUES(?, '/a', ?)");
  for (int p = 0; p < projects; ++p) {
    const QString key = QStringLiteral("BQ-%1").arg(p, 6, 10, QLatin1Char('0'));
    const QDate day = day_of(10 * p);
    const QString deadline = day.addDays(20).toString(QStringLiteral("yyyy-MM-dd 09:30"));
    for (int k : {1, 4, 3}) {
      const bool tender = k == 1;
      facts.Reset();
      facts.BindAll(BenchTitle(10 * p + k), key, key, QStringLiteral("项目%1").arg(p),
                    tender ? QVariant(100000.0 + p) : QVariant(), tender ? deadline : QVariant(),
                    tender ? deadline : QVariant());
      if (!facts.Run()) return false;
    }
    if (p % 2 == 0) {
      change.Reset();
      change.BindAll(BenchTitle(10 * p + 4), key,
                     day.addDays(27).toString(QStringLiteral("yyyy-MM-dd 09:30")),
                     day.addDays(2).toString(QStringLiteral("yyyy-MM-dd")));
      if (!change.Run()) return false;
    }
    // Favorites: spread over the store, the newest ones still open.
    if (favorites > 0 && p % (projects / favorites) == 0) {
      favorite.Reset();
      favorite.BindAll(BenchTitle(10 * p + 1), day.toString(QStringLiteral("yyyy-MM-dd")));
      if (!favorite.Run()) return false;
    }
  }
  return tx.Commit().has_value();
}

}  // namespace talvec::bench
