// The background services of the program, built once in main() and handed
// to the windows by reference. They live until the program ends; Stop()
// ends their work in order (nothing requests or writes after it returns).
#pragma once

#include "analysis/auto_analysis.h"
#include "collect/collection_schedule.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "update/update_check.h"
#include "watch/watch_matcher.h"

namespace talvec {

class Database;
struct SystemSettings;

class Services {
 public:
  // `settings` is the program's live settings record.
  Services(Database& db, const SystemSettings& settings, ScheduleOptions schedule_options = {},
           WatchOptions watch_options = {}, UpdateCheckOptions update_options = {});
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;
  ~Services();

  // Stops the services that start work first (update check, watch matcher,
  // analysis, collection), then the network status and the fetcher; every
  // pending request is aborted and every suspended coroutine ends.
  void Stop();

  PageFetcher fetcher;
  NetworkStatus network;
  CollectionSchedule schedule;
  AutoAnalysis analysis;
  WatchMatcher watch;
  UpdateCheck update;  // TimerSystemUP and MenuUpdate
};

}  // namespace talvec
