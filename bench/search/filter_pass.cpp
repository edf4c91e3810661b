// filter_pass: a free-text filter pass over a full result set of 100,000
// rows, into the visible result list. Baseline: grep -F for the same word
// over a file of the same titles, its output read back.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/search/bench_titles.h"
#include "search/filters.h"
#include "ui/result_list.h"

using talvec::bench::BenchTitle;
using talvec::bench::MedianMs;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kRows = 100000;
  const QString word = QStringLiteral("电脑");

  auto full = std::make_shared<talvec::ResultSet>();
  full->reserve(kRows);
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("titles.txt")));
  if (!file.open(QIODevice::WriteOnly)) return 1;
  for (int i = 0; i < kRows; ++i) {
    const QString title = BenchTitle(i);
    full->push_back({title, QStringLiteral("/view/%1.html").arg(i), QStringLiteral("2026-12-01"),
                     QStringLiteral("2")});
    file.write(title.toUtf8());
    file.write("\n");
  }
  file.close();

  talvec::ResultListView list;
  list.resize(800, 600);
  list.show();
  qsizetype passed = 0;
  const double ours = MedianMs(11, [&] {
    QElapsedTimer t;
    t.start();
    auto rows = talvec::NumberRows(talvec::FilterPass(*full, QString(), word));
    passed = static_cast<qsizetype>(rows.size());
    list.ShowRows(full, std::move(rows));
    return t.nsecsElapsed() / 1e6;
  });

  qsizetype grep_lines = 0;
  const double grep = MedianMs(11, [&] {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("grep"), {QStringLiteral("-F"), word, file.fileName()});
    p.waitForFinished(-1);
    grep_lines = p.readAllStandardOutput().count('\n');
    return t.nsecsElapsed() / 1e6;
  });
  if (grep_lines != passed) {
    std::fprintf(stderr, "filter_pass: %lld rows passed, grep found %lld\n",
                 static_cast<long long>(passed), static_cast<long long>(grep_lines));
  }
  std::printf("filter_pass: %.1f ms; baseline grep -F: %.1f ms; ratio %.2f\n", ours, grep,
              ours / grep);
  return 0;
}
