#include "services/services.h"

#include "core/settings.h"

namespace talvec {

Services::Services(Database& db, const SystemSettings& settings, ScheduleOptions schedule_options,
                   WatchOptions watch_options, UpdateCheckOptions update_options)
    : network(fetcher, settings.SiteBaseAddress),
      schedule(db, settings, fetcher, network, std::move(schedule_options)),
      analysis(db, settings, fetcher, network),
      watch(db, settings, std::move(watch_options)),
      update(fetcher, db, settings, std::move(update_options)) {
  // Each collection cycle switches automatic analysis on or off.
  QObject::connect(&schedule, &CollectionSchedule::cycleStarted, &analysis,
                   &AutoAnalysis::OnCycleStart);
}

Services::~Services() { Stop(); }

void Services::Stop() {
  update.Stop();
  watch.Stop();
  analysis.Stop();
  schedule.Stop();
  network.Stop();
  fetcher.Stop();
}

}  // namespace talvec
