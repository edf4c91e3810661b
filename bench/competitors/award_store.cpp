#include "bench/competitors/award_store.h"

#include "bench/search/bench_titles.h"
#include "core/database.h"

namespace talvec::bench {

bool FillAwards(Database& db, int rows, const std::function<void(const QString&)>& each_title) {
  Database::Transaction tx(db);
  for (int i = 0; i < rows; ++i) {
    const QString title = BenchTitle(i);
    const QString company =
        QStringLiteral("四川%1科技有限公司").arg(i % 5000, 4, 10, QLatin1Char('0'));
    if (!db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(?,?,?)", title, company,
                    QString::number(i * 10))) {
      return false;
    }
    // Every announcement analysed once holds a few awards.
    if (i % 3 == 0 &&
        !db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,4)", title,
                    QStringLiteral("/view/%1.html").arg(i),
                    QStringLiteral("2026-11-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')))) {
      return false;
    }
    if (each_title) each_title(title);
  }
  return tx.Commit().has_value();
}

}  // namespace talvec::bench
