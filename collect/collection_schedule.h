// The collection cycle and the schedule that starts it: a service of the
// program for its whole life; the schedule timer TimerUpdate is its child.
#pragma once

#include <qcorotask.h>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <optional>

#include "collect/collection_progress.h"
#include "collect/collection_state.h"
#include "collect/collection_window.h"
#include "collect/page_store.h"
#include "core/service.h"
#include "net/page_fetcher.h"

namespace talvec {

class Database;
class NetworkStatus;
struct SystemSettings;

// SysSet.CollectionDate as the cycle starts from it: "YYYY-MM-DD", or, when
// the value is Null, empty or not a date, seven days before today, which
// bounds the catch-up to the look-back the seven-day test uses as well.
QString ReadCollectionDate(const QVariant& value, const QDate& today);

// What tests (or a build for another site) choose instead of the defaults.
struct ScheduleOptions {
  int first_check_seconds = 60;  // the first check comes on the tick after
  QString construction_base;     // empty: the address built into the program
  // The pause after the first pass that could write nothing; it doubles
  // with every further one.
  int write_pause_ms = 2000;
  // Unusable pages in a row after which a channel is left for the cycle.
  int unusable_limit = 3;  // CollectionSchedule::kUnusableLimit
};

class CollectionSchedule : public Service {
  Q_OBJECT

 public:
  // A pass in which no channel could read its page waits this long.
  static constexpr int kRetryPauseMs = 1000;
  // A page whose rows cannot be written is tried again after 25, 50, ...
  // ms, this many times in all (another program may hold the write lock for
  // a moment; the wait never holds the window).
  static constexpr int kStoreTries = 6;
  // Passes in a row in which no page could be written end the cycle; the
  // pause between them doubles up to kWritePauseCapMs.
  static constexpr int kWriteFailurePasses = 4;
  static constexpr int kWritePauseCapMs = 30000;
  // A channel whose page is unusable in this many passes in a row, while
  // the site answers its probe in between, is left for this cycle.
  static constexpr int kUnusableLimit = 3;

  CollectionSchedule(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
                     NetworkStatus& network, ScheduleOptions options = {},
                     QObject* parent = nullptr);
  ~CollectionSchedule() override;

  // Load steps of the main window: the schedule timer runs when `research`
  // is 1; FirstSchedulePass on.
  void LoadScheduleTimer(qint16 research);
  void LoadFirstSchedulePass();

  // TimerUpdate's handler, one call a second.
  void ScheduleTick();
  // Runs a cycle when the time of day lies in the collection window; true
  // when it started one.
  bool WindowCheck();

  // One collection cycle; a request while a cycle runs is ignored.
  QCoro::Task<> RunCollectionCycle();
  // One list page of the channel of `type` (1..10), or the construction
  // list; the pages of the cycle.
  QCoro::Task<PageOutcome> CollectListPage(QString address, int type);
  QCoro::Task<PageOutcome> CollectConstructionList(QString base, int type);

  void SetClock(std::function<QDateTime()> now) { now_ = std::move(now); }
  // The window's result list, for items without a readable date.
  void SetDateFallback(const DateFallbackSource* source);
  void SetStopCollection(bool stop) { state_.StopCollection = stop; }

  QTimer& timerUpdate() { return TimerUpdate; }
  bool CycleRunning() const { return running_; }
  bool FirstSchedulePass() const { return first_pass_; }
  qint16 ScheduleTicks() const { return ticks_; }
  CollectionState& state() { return state_; }
  const CollectionProgress& progress() const { return progress_; }
  QDateTime Now() const { return now_ ? now_() : QDateTime::currentDateTime(); }

 signals:
  // At the start of every cycle, before anything is fetched.
  void cycleStarted();
  // A page with items was read (the working light goes on again after a
  // network loss put it out).
  void working();
  void cycleFinished();
  void progressChanged(const talvec::CollectionProgress& progress);

 protected:
  void OnStop() override;

 private:
  void SetPhase(CollectionProgress::Phase phase, int type = 0, qint32 page = 0);
  // Fetches a page, then applies what came back, again after growing pauses
  // while its rows cannot be written (kNotStored after kStoreTries);
  // kUnusable once the service stops.
  QCoro::Task<PageOutcome> FetchAndApply(QString address,
                                         std::function<PageOutcome(const FetchResult&)> apply);
  // The cycle's start: its first row ID and the readings earlier cycles left
  // unfinished.
  void StartReadings(const std::array<bool, kListChannelCount>& enabled);
  void EndCycle(bool complete, const std::array<bool, kListChannelCount>& enabled = {});
  // Ends collection for good when the file takes no more writes.
  bool StopIfWritesRefused();

  Database& db_;
  const SystemSettings& settings_;
  PageFetcher& fetcher_;
  NetworkStatus& network_;
  CollectionState state_;
  CollectorEnv env_;
  QString construction_base_;
  std::function<QDateTime()> now_;
  CollectionProgress progress_;
  int first_check_seconds_;
  int write_pause_ms_;
  int unusable_limit_;
  qint16 ticks_ = 0;
  bool first_pass_ = true;
  bool running_ = false;
  bool file_gone_ = false;
  QTimer TimerUpdate;
};

}  // namespace talvec
