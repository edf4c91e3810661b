// The background services of the program, built once in main() and handed
// to the windows by reference. They live until the program ends; Stop()
// ends their work in order (nothing requests or writes after it returns).
#pragma once

#include "analysis/auto_analysis.h"
#include "collect/collection_schedule.h"
#include "desk/reminders.h"
#include "facts/facts_reader.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "services/main_window_services.h"
#include "update/update_check.h"
#include "watch/watch_matcher.h"

namespace talvec {

class Database;
struct SystemSettings;

class Services : public MainWindowServices {
 public:
  // `settings` is the program's live settings record.
  Services(Database& db, const SystemSettings& settings, ScheduleOptions schedule_options = {},
           WatchOptions watch_options = {}, UpdateCheckOptions update_options = {},
           FactsReaderOptions facts_options = {}, ReminderTimer::Clock reminder_clock = {});
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;
  ~Services() override;

  // Stops the services that start work first (update check, watch matcher,
  // facts reader, analysis, collection), then the network status and the
  // fetcher; every pending request is aborted and every suspended coroutine
  // ends.
  void Stop();

  // What the main window sees (MainWindowServices).
  void StartAtLoad(qint16 research) override;
  void PauseCollection() override;
  void ResumeCollection() override;
  void SettingsClosed() override;
  ServiceActivity& activity() override { return activity_; }
  const CollectionProgress& progress() const override { return schedule.progress(); }
  void SetDateFallback(DateFallbackSource* source) override;
  void SetWatchNotices(WatchNotices* notices) override;
  UpdateCheck& updateCheck() override { return update; }
  FactsReader& factsReader() override { return facts; }
  ReminderTimer& reminders() override { return reminder; }

  PageFetcher fetcher;
  NetworkStatus network;
  CollectionSchedule schedule;
  AutoAnalysis analysis;
  FactsReader facts;  // TimerFacts
  WatchMatcher watch;
  UpdateCheck update;  // TimerSystemUP and MenuUpdate
  ReminderTimer reminder;  // TimerReminder

 private:
  ServiceActivity activity_;
  // StopCollection as it was when collection was paused.
  bool stop_before_pause_ = false;
};

}  // namespace talvec
