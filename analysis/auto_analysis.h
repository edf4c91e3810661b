// The background driver of result analysis: every 50 seconds a batch of the
// newest result announcements not analysed yet is read, one after another.
#pragma once

#include <qcorotask.h>
#include <QList>
#include <QString>
#include <QTimer>

#include "analysis/result_page.h"
#include "core/error.h"
#include "core/service.h"

namespace talvec {

class Database;
class NetworkStatus;
class PageFetcher;
struct SystemSettings;

struct QueuedAnnouncement {
  qint64 id = 0;
  QString title;    // MC
  QString address;  // DZ
  QString date;     // SJ
};

// Result announcements (types 4 and 9) with an empty or Null summary: the ten
// newest by date plus every further one sharing the tenth's date, newest
// first. An error when the database cannot be read.
Result<QList<QueuedAnnouncement>> ReadAnalysisQueue(Database& db);

class AutoAnalysis : public Service {
  Q_OBJECT

 public:
  static constexpr int kIntervalMs = 50000;

  // `settings` is the program's live settings record; it is read at every
  // tick, so changes of the settings dialog take effect at once.
  AutoAnalysis(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
               NetworkStatus& network, QObject* parent = nullptr);
  ~AutoAnalysis() override;

  QTimer* timerAuto() const { return TimerAuto; }
  ResultPageReader& reader() { return reader_; }
  bool BatchRunning() const { return batch_running_; }

 public slots:
  // A collection cycle starts: the timer runs when automatic analysis is on.
  void OnCycleStart();
  // The settings dialog closed: the timer stops when automatic analysis is off.
  void OnSettingsClosed();
  // Around the opening of the competitor window.
  void StopTimer();
  void StartTimer();
  // The tick of TimerAuto; also callable directly.
  void OnTimerAuto();

 signals:
  void batchFinished(int analysed);

 protected:
  void OnStop() override;

 private:
  QCoro::Task<> RunBatch(QList<QueuedAnnouncement> batch);

  Database& db_;
  const SystemSettings& settings_;
  ResultPageReader reader_;
  QTimer* TimerAuto = nullptr;
  bool batch_running_ = false;
};

}  // namespace talvec
