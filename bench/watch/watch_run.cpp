// watch_run: one watch-matcher run over a date window of 20,000 candidates
// (200 of them matching, 50 of those already on the watch list) in a List
// of 1,000,000 rows: the run's time, and the longest gap between ticks of a
// 10 ms timer meanwhile. Baseline: the same selection with grep -F over a
// file of the window's titles (product words, then place words).
// watch_run_rules: the same run with 20 enabled rules beside the default
// words, against the run with the default words alone; watch_try: one rule
// tried over the last 30 days of the store, against the plain read of them.
#include <qcorotask.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
#include "watch/watch_rules.h"

using talvec::bench::BenchTitle;
using talvec::bench::MedianMs;

namespace {

constexpr int kRows = 1000000;
constexpr int kRules = 20;
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

// Rules as bidders write them: a few goods, a place or two, exclude words,
// some with types and a budget range.
std::vector<talvec::WatchRule> BenchRules() {
  const char* goods[] = {"电梯 扶梯", "空调 新风", "服务器 存储",     "办公家具",    "监控 安防",
                         "医疗设备",  "车辆 客车", "教学设备 课桌椅", "绿化 园林",   "食材 配送",
                         "印刷",      "保安服务",  "物业管理 保洁",   "消防 灭火器", "光伏",
                         "储能电站",  "路灯 照明", "打印机 耗材",     "软件 信息化", "实验室"};
  const char* places[] = {"绵阳", "成都 德阳", "攀枝花", "甘孜",
                          "南充", "泸州 宜宾", "乐山",   "达州"};
  std::vector<talvec::WatchRule> rules;
  for (int i = 0; i < kRules; ++i) {
    talvec::WatchRule r;
    r.name = QStringLiteral("规则%1").arg(i + 1);
    r.products = QString::fromUtf8(goods[i]);
    r.places = QString::fromUtf8(places[i % 8]);
    r.excludes = QStringLiteral("维修 结果 流标");
    if (i % 3 == 0) r.types = QStringLiteral("1,2,5");
    if (i % 4 == 0) r.min_budget = 100000, r.max_budget = 5000000;
    rules.push_back(r);
  }
  return rules;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString path =
      talvec::bench::EnsureBenchList("watch_run", kRows, kRowsPerDay, kLastDay, Title);
  if (path.isEmpty()) return 1;
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

  struct Figures {
    double ms = 0;
    qint64 worst_gap = 0;
    int candidates = 0, matched = 0, added = 0;
  };
  auto time_runs = [&] {
    Figures f;
    f.ms = MedianMs(5, [&] {
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
      f.worst_gap = std::max(f.worst_gap, max_gap);
      f.candidates = result.candidates;
      f.matched = result.matched;
      f.added = static_cast<int>(result.added.size());
      return ms;
    });
    return f;
  };
  if (!db.Execute("DELETE FROM WatchRules")) return 1;
  const Figures single = time_runs();
  const int candidates = single.candidates, matched = single.matched, added = single.added;
  const qint64 worst_gap = single.worst_gap;
  const double ours = single.ms;

  for (const talvec::WatchRule& r : BenchRules()) {
    if (!talvec::SaveWatchRule(db, r)) return 1;
  }
  const Figures rules = time_runs();
  talvec::WatchRule tried = BenchRules()[3];
  tried.products = QStringLiteral("光伏 储能");  // what the window holds in 甘孜
  int caught = 0;
  const QDate first = kLastDay.addDays(-29);
  const double try_ms = MedianMs(5, [&] {
    QElapsedTimer t;
    t.start();
    const auto found = talvec::TryWatchRule(db, tried, first, kLastDay);
    caught = found ? static_cast<int>(found->size()) : -1;
    return t.nsecsElapsed() / 1e6;
  });
  int read_rows = 0;
  const double read_ms = MedianMs(5, [&] {
    QElapsedTimer t;
    t.start();
    talvec::Statement st = db.Query("SELECT MC, DZ, SJ, LX FROM List WHERE SJ >= ? AND SJ <= ?",
                                    first.toString(QStringLiteral("yyyy-MM-dd")),
                                    kLastDay.toString(QStringLiteral("yyyy-MM-dd")));
    read_rows = 0;
    while (st.Next()) ++read_rows;
    return t.nsecsElapsed() / 1e6;
  });
  if (!db.Execute("DELETE FROM WatchRules")) return 1;

  // The baseline's input: the window's titles, one a line.
  std::vector<talvec::WatchCandidate> window;
  for (QDate day = kLastDay.addDays(-(kWindowDays - 1)); day <= kLastDay; day = day.addDays(1)) {
    if (!talvec::AppendWatchDay(db, day, day == kLastDay, &window)) return 1;
  }
  const QString titles = QFileInfo(path).dir().filePath(QStringLiteral("watch_run_titles.txt"));
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
  std::fprintf(stderr,
               "watch_run_rules: %d rules, %d matching, %d added; longest tick gap %lld ms; "
               "watch_try: %d of %d rows caught\n",
               kRules, rules.matched, rules.added, static_cast<long long>(rules.worst_gap), caught,
               read_rows);
  std::printf("watch_run_rules: %.1f ms; baseline watch_run: %.1f ms; ratio %.2f\n", rules.ms, ours,
              rules.ms / ours);
  std::printf("watch_run_rules_tick_gap: %lld ms; baseline tick_interval: 10 ms; ratio %.2f\n",
              static_cast<long long>(rules.worst_gap), rules.worst_gap / 10.0);
  std::printf("watch_try: %.1f ms; baseline read_30_days: %.1f ms; ratio %.2f\n", try_ms, read_ms,
              try_ms / read_ms);
  matcher.Stop();
  return candidates == kWindowDays * kRowsPerDay && matched == kMatching &&
                 added == kMatching - kListed && rules.candidates == candidates &&
                 rules.matched >= matched && caught > 0
             ? 0
             : 1;
}
