#include "analysis/auto_analysis.h"

#include <QLoggingCategory>
#include <limits>

#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"

Q_DECLARE_LOGGING_CATEGORY(lcAnalysis)

namespace talvec {

namespace {

// Reads the rows of a queue statement (ID, MC, DZ, SJ).
Result<QList<QueuedAnnouncement>> ReadRows(Statement& st) {
  QList<QueuedAnnouncement> rows;
  while (st.Next()) {
    rows.append({st.Int(0), st.Text(1), st.Text(2), st.Text(3)});
  }
  if (!st.ok()) return Fail(st.error());
  return rows;
}

}  // namespace

// The pending condition is spelt exactly as in the partial index List_Queue,
// so that both statements read that index and never the whole table.
Result<QList<QueuedAnnouncement>> ReadAnalysisQueue(Database& db) {
  Statement tenth = db.Prepare(
      "SELECT SJ FROM List WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='') "
      "ORDER BY SJ DESC LIMIT 1 OFFSET 9");
  if (!tenth.Next()) {
    if (!tenth.ok()) return Fail(tenth.error());
    // Fewer than ten pending: all of them.
    Statement all = db.Prepare(
        "SELECT ID, MC, DZ, SJ FROM List WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='') "
        "ORDER BY SJ DESC, ID DESC LIMIT 10");
    return ReadRows(all);
  }
  if (tenth.IsNull(0)) {
    // The tenth has no date: it ties with every other dateless row, and
    // dateless rows sort last, so every pending row belongs to the batch.
    Statement all = db.Prepare(
        "SELECT ID, MC, DZ, SJ FROM List WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='') "
        "ORDER BY SJ DESC, ID DESC");
    return ReadRows(all);
  }
  const QVariant date = tenth.Value(0);
  Statement batch = db.Query(
      "SELECT ID, MC, DZ, SJ FROM List WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='') "
      "AND SJ >= ? ORDER BY SJ DESC, ID DESC",
      date);
  return ReadRows(batch);
}

AutoAnalysis::AutoAnalysis(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
                           NetworkStatus& network, QObject* parent)
    : Service(parent),
      db_(db),
      settings_(settings),
      reader_(db, settings, fetcher, network),
      TimerAuto(new QTimer(this)) {
  setObjectName(QStringLiteral("AutoAnalysis"));
  TimerAuto->setObjectName(QStringLiteral("TimerAuto"));
  TimerAuto->setInterval(kIntervalMs);
  connect(TimerAuto, &QTimer::timeout, this, &AutoAnalysis::OnTimerAuto);
}

AutoAnalysis::~AutoAnalysis() { Stop(); }

void AutoAnalysis::OnStop() {
  TimerAuto->stop();
  reader_.Stop();
}

void AutoAnalysis::OnCycleStart() {
  if (settings_.AutoAnalysis == 1 && !stopping())
    TimerAuto->start();
  else
    TimerAuto->stop();
}

void AutoAnalysis::OnSettingsClosed() {
  if (settings_.AutoAnalysis == 2 || stopping())
    TimerAuto->stop();
  else
    TimerAuto->start();
}

void AutoAnalysis::StopTimer() { TimerAuto->stop(); }

void AutoAnalysis::StartTimer() {
  if (!stopping()) TimerAuto->start();
}

void AutoAnalysis::OnTimerAuto() {
  if (settings_.AutoAnalysis != 1 || stopping()) return;
  // One batch at a time: a tick that comes while a batch yields (someone
  // switched the timer on meanwhile) leaves the running batch alone.
  if (batch_running_) return;
  // A file that takes no more writes ends the analysis: no summary could be stored.
  if (const Result<void> writable = db_.WritesAllowed(); !writable) {
    qCWarning(lcAnalysis) << "analysis stopped:" << writable.error().FullText();
    TimerAuto->stop();
    return;
  }
  auto batch = ReadAnalysisQueue(db_);
  if (!batch) {
    // The timer keeps running, so the next tick tries again.
    qCWarning(lcAnalysis) << "analysis queue unreadable:" << batch.error().FullText();
    return;
  }
  TimerAuto->stop();
  RunBatch(std::move(*batch));
}

QCoro::Task<> AutoAnalysis::RunBatch(QList<QueuedAnnouncement> batch) {
  batch_running_ = true;
  int analysed = 0;
  for (const QueuedAnnouncement& row : batch) {
    // Let pending window messages and timers run between announcements.
    if (!co_await Pause(0)) break;
    if (row.id < std::numeric_limits<int>::min() || row.id > std::numeric_limits<int>::max()) {
      continue;
    }
    const QString address = settings_.SiteBaseAddress + TrimBlanks(row.address);
    co_await reader_.AnalyseResultAnnouncement(address, static_cast<int>(row.id),
                                               TrimBlanks(row.title));
    if (stopping()) break;
    ++analysed;
  }
  // A stopped service reports no batch running, and starts nothing again.
  batch_running_ = false;
  if (stopping()) co_return;
  TimerAuto->start();
  emit batchFinished(analysed);
}

}  // namespace talvec
