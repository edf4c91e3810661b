// competitor_search: GYS of 200,000 rows loaded into the competitor
// window's full list, then searched for two product words and a place.
// Baseline: grep -F for the two words over a file of the same titles,
// piped into grep -F for the place, its output read back.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "bench/competitors/award_store.h"
#include "bench/search/bench_titles.h"
#include "competitors/award_list_model.h"
#include "competitors/awards.h"
#include "core/database.h"
#include "core/schema.h"

using talvec::bench::MedianMs;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  constexpr int kRows = 200000;
  const QString product = QStringLiteral("计算机 空调");
  const QString place = QStringLiteral("成都");

  QTemporaryDir dir;
  talvec::Database db;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("talvec.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db)) {
    std::fprintf(stderr, "competitor_search: no database\n");
    return 1;
  }
  QFile file(dir.filePath(QStringLiteral("titles.txt")));
  if (!file.open(QIODevice::WriteOnly)) return 1;
  const bool filled = talvec::bench::FillAwards(db, kRows, [&](const QString& title) {
    file.write(title.toUtf8());
    file.write("\n");
  });
  if (!filled) return 1;
  file.close();

  // The window loads once, into an empty list; freeing the last run's
  // rows is not part of a load.
  auto full = std::make_unique<talvec::AwardListModel>();
  const double load = MedianMs(5, [&] {
    auto model = std::make_unique<talvec::AwardListModel>();
    QElapsedTimer t;
    t.start();
    talvec::Result<talvec::AwardTable> table = talvec::LoadAwardTable(db);
    if (table) model->SetRows(std::move(table->rows));
    const double ms = t.nsecsElapsed() / 1e6;
    std::swap(full, model);
    return ms;
  });

  talvec::AwardListModel visible;
  qsizetype found = 0;
  const double search = MedianMs(11, [&] {
    QElapsedTimer t;
    t.start();
    visible.SetRows(talvec::SearchAwards(full->rows(), product, place));
    found = visible.rowCount();
    return t.nsecsElapsed() / 1e6;
  });

  const QStringList words = product.split(QLatin1Char(' '));
  const QString script = QStringLiteral("grep -F -e \"$1\" -e \"$2\" \"$3\" | grep -F \"$4\"");
  qsizetype grep_lines = 0;
  const double grep = MedianMs(11, [&] {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"), words[0],
                                   words[1], file.fileName(), place});
    p.waitForFinished(-1);
    grep_lines = p.readAllStandardOutput().count('\n');
    return t.nsecsElapsed() / 1e6;
  });
  if (grep_lines != found || full->rowCount() != kRows) {
    std::fprintf(stderr, "competitor_search: %lld of %d rows loaded, %lld found, grep found %lld\n",
                 static_cast<long long>(full->rowCount()), kRows, static_cast<long long>(found),
                 static_cast<long long>(grep_lines));
  }
  std::printf(
      "competitor_search: load %.1f ms, search %.1f ms (%lld of %d rows); baseline grep -F: %.1f "
      "ms; ratio %.2f\n",
      load, search, static_cast<long long>(found), kRows, grep, search / grep);
  return 0;
}
