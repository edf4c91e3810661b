// The collection cycle and the schedule that starts it. Owned by the main
// window for its whole life; the schedule timer TimerUpdate is its child.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <optional>
#include <random>
#include <qcorotask.h>

#include "collect/collection_progress.h"
#include "collect/collection_window.h"
#include "collect/collection_state.h"

namespace talvec {

class Database;
class NetworkStatus;
class PageFetcher;
struct SystemSettings;

// SysSet.CollectionDate as the cycle starts from it: "YYYY-MM-DD", or, when
// the value is Null, empty or not a date, seven days before today, which
// bounds the catch-up to the look-back the seven-day test uses as well.
QString ReadCollectionDate(const QVariant& value, const QDate& today);

class CollectionSchedule : public QObject {
  Q_OBJECT

 public:
  // The first check comes on the tick after this many seconds.
  //
  // Tests of the whole program (several copies against simulators on free
  // ports) may set two environment variables, which nothing else reads:
  // TALVEC_TEST_FIRST_CHECK_SECONDS shortens this wait, and
  // TALVEC_TEST_CONSTRUCTION_BASE replaces the construction site's address.
  static constexpr int kFirstCheckSeconds = 60;
  // A pass in which no channel could read its page waits this long.
  static constexpr int kRetryPauseMs = 1000;

  CollectionSchedule(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
                     NetworkStatus& network, QObject* parent = nullptr);

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

  void SetClock(std::function<QDateTime()> now) { now_ = std::move(now); }
  void SetDateFallback(std::function<QString()> fallback) { env_.fallback_date = std::move(fallback); }
  void SetConstructionBase(QString base) { construction_base_ = std::move(base); }
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
  void cycleFinished();
  void progressChanged(const QString& text);

 private:
  void SetPhase(CollectionProgress::Phase phase, int type = 0, qint32 page = 0);

  Database& db_;
  const SystemSettings& settings_;
  NetworkStatus& network_;
  CollectionState state_;
  CollectorEnv env_;
  QString construction_base_;
  std::function<QDateTime()> now_;
  CollectionProgress progress_;
  std::mt19937 random_;  // default seed, never reseeded
  int first_check_seconds_ = kFirstCheckSeconds;
  qint16 ticks_ = 0;
  bool first_pass_ = true;
  bool running_ = false;
  QTimer TimerUpdate;
};

}  // namespace talvec
