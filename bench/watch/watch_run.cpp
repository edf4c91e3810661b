// watch_run: one watch-matcher run over a date window of 20,000 candidates
// (200 of them matching, 50 of those already on the watch list) in a List
// of 1,000,000 rows: the run's time, and the longest gap between ticks of a
// 10 ms timer meanwhile. Baseline: the same selection with grep -F over a
// file of the window's titles (product words, then place words).
#include <qcorotask.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "bench/search/bench_titles.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "watch/watch_matcher.h"

using talvec::bench::BenchTitle;
using talvec::bench::EnsureBenchList;
using talvec::bench::MedianMs;

namespace {

constexpr int kRows = 1000000;
constexpr int kRowsPerDay = 1000;
constexpr int kWindowDays = 20;  // 20,000 candidates
constexpr int kMatching = 200;
constexpr int kListed = 50;
const QDate kLastDay(2026, 11, 30);
const char* kProduct = "光伏逆变器 储能电站";
const char* kPlace = "攀枝花 甘孜";

// Every 100th row of the window is a matching title.
bool Matching(int i) {
  const int first_in_window = kRows - kWindowDays * kRowsPerDay;
  return i >= first_in_window && (i - first_in_window) % 100 == 0;
}

QString Title(int i) {
  if (!Matching(i)) return BenchTitle(i);
  return QStringLiteral("%1市%2采购项目（SCZC-W%3）")
      .arg(i % 2 ? QStringLiteral("攀枝花") : QStringLiteral("甘孜州"),
           i % 3 ? QStringLiteral("光伏逆变器") : QStringLiteral("储能电站设备"))
      .arg(i);
}

// The watch list as each run finds it: the first 50 matching titles.
bool ResetWatchList(talvec::Database& db) {
  if (!db.Execute("DELETE FROM Attention")) return false;
  int listed = 0;
  for (int i = 0; i < kRows && listed < kListed; ++i) {
    if (!Matching(i)) continue;
    if (!db.Execute("INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES(?, '', '', '2')", Title(i)))
      return false;
    ++listed;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString folder = QDir::temp().filePath(QStringLiteral("talvec-bench"));
  QDir().mkpath(folder);
  const QString path = folder + QStringLiteral("/watch_run.qzv");
  if (!EnsureBenchList(path, kRows, kRowsPerDay, kLastDay, Title, "watch_run")) {
    std::fprintf(stderr, "watch_run: cannot build %s\n", qPrintable(path));
    return 1;
  }
  talvec::Database db;
  if (!db.OpenDatabase(path, talvec::DatabasePassword()) || !talvec::Migrate(db)) return 1;
  if (!talvec::RestoreMissingSettingsRow(db, kLastDay) ||
      !talvec::SaveWatchForm(db, {QString::fromUtf8(kProduct), QString::fromUtf8(kPlace),
                                  QString::number(kWindowDays - 1), QStringLiteral("30")})) {
    return 1;
  }
  talvec::SystemSettings settings;
  talvec::WatchMatcher matcher(db, settings, talvec::WatchOptions{0, [] { return kLastDay; }, 4});

  // The longest gap between ticks of a 10 ms timer.
  qint64 max_gap = 0;
  QElapsedTimer since;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout,
                   [&] { max_gap = std::max(max_gap, since.restart()); });

  int candidates = 0, matched = 0, added = 0;
  qint64 worst_gap = 0;
  const double ours = MedianMs(5, [&] {
    ResetWatchList(db);
    max_gap = 0;
    since.start();
    ticker.start();
    QElapsedTimer t;
    t.start();
    const talvec::WatchRunResult result = QCoro::waitFor(matcher.Run());
    const double ms = t.nsecsElapsed() / 1e6;
    ticker.stop();
    max_gap = std::max(max_gap, since.elapsed());
    worst_gap = std::max(worst_gap, max_gap);
    candidates = result.candidates;
    matched = result.matched;
    added = static_cast<int>(result.added.size());
    return ms;
  });

  // The baseline's input: the window's titles, one a line.
  std::vector<talvec::WatchCandidate> window;
  for (QDate day = kLastDay.addDays(-(kWindowDays - 1)); day <= kLastDay; day = day.addDays(1)) {
    if (!talvec::AppendWatchDay(db, day, day == kLastDay, &window)) return 1;
  }
  const QString titles = folder + QStringLiteral("/watch_run_titles.txt");
  {
    QFile f(titles);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    for (const talvec::WatchCandidate& c : window) f.write(c.title.toUtf8() + '\n');
  }
  const QString pipeline =
      QStringLiteral("grep -F -e 光伏逆变器 -e 储能电站 '%1' | grep -F -e 攀枝花 -e 甘孜 | wc -l")
          .arg(titles);
  int grep_lines = 0;
  const double grep = MedianMs(5, [&] {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), pipeline});
    p.waitForFinished(-1);
    grep_lines = p.readAllStandardOutput().trimmed().toInt();
    return t.nsecsElapsed() / 1e6;
  });

  std::fprintf(stderr,
               "watch_run: %d candidates, %d matching, %d added (grep: %d lines); longest tick gap "
               "%lld ms\n",
               candidates, matched, added, grep_lines, static_cast<long long>(worst_gap));
  std::printf("watch_run: %.1f ms; baseline grep_F: %.1f ms; ratio %.2f\n", ours, grep,
              ours / grep);
  std::printf("watch_run_tick_gap: %lld ms; baseline tick_interval: 10 ms; ratio %.2f\n",
              static_cast<long long>(worst_gap), worst_gap / 10.0);
  matcher.Stop();
  return candidates == kWindowDays * kRowsPerDay && matched == kMatching &&
                 added == kMatching - kListed
             ? 0
             : 1;
}
