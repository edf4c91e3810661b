// timeline_query: on a List of 1,000,000 announcements with 300,000 Facts
// rows (100,000 projects of a tender, a correction and a result; half the
// corrections move the deadline): one project's timeline and effective
// deadline, in ms per project, and all open tenders by deadline, in ms.
// CPU time (the machine may be shared; wall time goes to stderr).
// Baseline: the same answers from reading the whole Facts and Corrections
// tables, as a program without the indexes and statements would.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <cstdio>
#include <ctime>

#include "bench/facts/bench_facts.h"
#include "bench/search/bench_titles.h"
#include "core/database.h"
#include "core/schema.h"
#include "facts/facts_store.h"

using talvec::bench::BenchTitle;
using talvec::bench::MedianMs;

namespace {

constexpr int kRows = 1000000;
constexpr int kRowsPerDay = 1000;
constexpr int kProjects = 100000;  // List rows 10p+1 (tender), 10p+4 (correction), 10p+3 (result)
const QDate kLastDay(2026, 11, 30);
const QString kNow = QStringLiteral("2026-11-20 12:00");

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}


QDate DayOf(int row) { return kLastDay.addDays(-(kRows / kRowsPerDay - 1) + row / kRowsPerDay); }

// The baseline: everything read, then the answers made in memory.
struct FullRead {
  int timeline = 0;
  QString deadline;
};
FullRead BaselineProject(talvec::Database& db, const QString& title) {
  QHash<QString, QString> key_of;
  QString key;
  FullRead answer;
  talvec::Statement all = db.Prepare("SELECT MC, ProjectKey, Deadline FROM Facts");
  QString own_deadline;
  QList<std::pair<QString, QString>> rows;
  while (all.Next()) rows.append({all.Text(0), all.Text(1)});
  for (const auto& [mc, k] : rows) {
    if (mc == title) key = k;
  }
  for (const auto& [mc, k] : rows) answer.timeline += k == key;
  talvec::Statement own = db.Query("SELECT Deadline FROM Facts WHERE MC = ?", title);
  if (own.Next()) own_deadline = own.Text(0);
  talvec::Statement changes = db.Prepare(
      "SELECT ProjectKey, NewValue, CorrectedOn FROM Corrections WHERE Item = 'Deadline'");
  QString newest_on;
  answer.deadline = own_deadline;
  while (changes.Next()) {
    if (changes.Text(0) == key && changes.Text(2) >= newest_on) {
      newest_on = changes.Text(2);
      answer.deadline = changes.Text(1);
    }
  }
  return answer;
}

int BaselineOpen(talvec::Database& db) {
  QHash<QString, std::pair<QString, QString>> corrected;  // key -> (on, value)
  talvec::Statement changes = db.Prepare(
      "SELECT ProjectKey, NewValue, CorrectedOn FROM Corrections WHERE Item = 'Deadline'");
  while (changes.Next()) {
    auto& c = corrected[changes.Text(0)];
    if (changes.Text(2) >= c.first) c = {changes.Text(2), changes.Text(1)};
  }
  QList<QString> open;
  talvec::Statement all = db.Prepare("SELECT MC, ProjectKey, Deadline FROM Facts");
  while (all.Next()) {
    if (all.IsNull(2)) continue;
    const auto it = corrected.constFind(all.Text(1));
    const QString deadline = it != corrected.cend() ? it->second : all.Text(2);
    if (deadline > kNow) open.append(deadline);
  }
  std::sort(open.begin(), open.end());
  return static_cast<int>(open.size());
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const QString path =
      talvec::bench::EnsureBenchList("timeline_query", kRows, kRowsPerDay, kLastDay, BenchTitle);
  if (path.isEmpty()) return 1;
  talvec::Database db;
  if (!db.OpenDatabase(path, talvec::DatabasePassword()) || !talvec::Migrate(db) ||
      !talvec::bench::EnsureBenchFacts(db, "timeline_query", kProjects, kRows, kRowsPerDay, kLastDay) || !db.Execute("PRAGMA wal_checkpoint(TRUNCATE)")) {
    std::fprintf(stderr, "timeline_query: cannot prepare %s\n", qPrintable(path));
    return 1;
  }

  // One project: its timeline and effective deadline, for projects spread
  // over the store.
  constexpr int kSamples = 200;
  int wrong = 0;
  QElapsedTimer t;
  t.start();
  const double cpu_start = CpuMs();
  for (int i = 0; i < kSamples; ++i) {
    const int p = static_cast<int>((static_cast<qint64>(i) * 7919 * 13) % kProjects);
    const QString title = BenchTitle(10 * p + 1);
    const talvec::Result<QList<talvec::ProjectEntry>> timeline = talvec::ReadTimeline(db, title);
    const talvec::Result<talvec::EffectiveFacts> effective = talvec::ReadEffectiveFacts(db, title);
    const QString want =
        DayOf(10 * p).addDays(p % 2 == 0 ? 27 : 20).toString(QStringLiteral("yyyy-MM-dd 09:30"));
    if (!timeline || timeline->size() != 3 || !effective || effective->deadline != want) ++wrong;
  }
  const double project_ms = (CpuMs() - cpu_start) / kSamples;
  const double project_wall_ms = t.nsecsElapsed() / 1e6 / kSamples;

  int open_count = 0;
  double open_wall_ms = 0;
  const double open_ms = MedianMs(5, [&] {
    QElapsedTimer o;
    o.start();
    const double cpu = CpuMs();
    const talvec::Result<QList<talvec::OpenTender>> open = talvec::ReadOpenTenders(db, kNow);
    open_wall_ms = o.nsecsElapsed() / 1e6;
    open_count = open ? static_cast<int>(open->size()) : -1;
    return CpuMs() - cpu;
  });

  const double base_project_ms = MedianMs(3, [&] {
    const double cpu = CpuMs();
    const FullRead r = BaselineProject(db, BenchTitle(10 * 4242 + 1));
    if (r.timeline != 3) ++wrong;
    return CpuMs() - cpu;
  });
  int base_open = 0;
  const double base_open_ms = MedianMs(3, [&] {
    const double cpu = CpuMs();
    base_open = BaselineOpen(db);
    return CpuMs() - cpu;
  });
  std::fprintf(stderr,
               "timeline_query: CPU time; wall %.2f ms per project, %.1f ms open tenders; %d open "
               "tenders (baseline %d), %d wrong answers\n",
               project_wall_ms, open_wall_ms, open_count, base_open, wrong);
  std::printf("timeline_query: %.2f ms; baseline full_read: %.1f ms; ratio %.0f\n", project_ms,
              base_project_ms, base_project_ms / project_ms);
  std::printf("open_tenders: %.1f ms; baseline full_read: %.1f ms; ratio %.1f\n", open_ms,
              base_open_ms, base_open_ms / open_ms);
  return wrong == 0 && open_count == base_open ? 0 : 1;
}
