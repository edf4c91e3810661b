#include "services/services.h"

#include "core/settings.h"

namespace talvec {

namespace {

// The reader keeps off the site while a cycle reads its lists.
FactsReaderOptions WithCycle(FactsReaderOptions options, const CollectionSchedule& schedule) {
  if (!options.lists_busy) options.lists_busy = [&schedule] { return schedule.CycleRunning(); };
  return options;
}

}  // namespace

Services::Services(Database& db, const SystemSettings& settings, ScheduleOptions schedule_options,
                   WatchOptions watch_options, UpdateCheckOptions update_options,
                   FactsReaderOptions facts_options, ReminderTimer::Clock reminder_clock)
    : network(fetcher, settings.SiteBaseAddress),
      schedule(db, settings, fetcher, network, std::move(schedule_options)),
      analysis(db, settings, fetcher, network),
      facts(db, settings, fetcher, network, WithCycle(std::move(facts_options), schedule)),
      watch(db, settings, std::move(watch_options)),
      update(fetcher, db, settings, std::move(update_options)),
      reminder(db, reminder_clock ? std::move(reminder_clock)
                                  : ReminderTimer::Clock([] { return QDateTime::currentDateTime(); })) {
  // Each collection cycle switches automatic analysis on or off.
  QObject::connect(&schedule, &CollectionSchedule::cycleStarted, &analysis,
                   &AutoAnalysis::OnCycleStart);
  // What the main window shows.
  QObject::connect(&network, &NetworkStatus::reachabilityChanged, &activity_,
                   &ServiceActivity::reachabilityChanged);
  QObject::connect(&schedule, &CollectionSchedule::cycleStarted, &activity_,
                   &ServiceActivity::cycleStarted);
  QObject::connect(&schedule, &CollectionSchedule::working, &activity_, &ServiceActivity::working);
  QObject::connect(&schedule, &CollectionSchedule::cycleFinished, &activity_,
                   &ServiceActivity::cycleFinished);
  QObject::connect(&schedule, &CollectionSchedule::progressChanged, &activity_,
                   &ServiceActivity::progressChanged);
  QObject::connect(&analysis.reader(), &ResultPageReader::workingEnded, &activity_,
                   &ServiceActivity::analysisEnded);
  // The facts reader runs from the first cycle on (it waits for its lists),
  // and takes the facts of every result page the analysis reads.
  QObject::connect(&schedule, &CollectionSchedule::cycleStarted, &facts, &FactsReader::Start);
  QObject::connect(&analysis.reader(), &ResultPageReader::pageRead, &facts, &FactsReader::TakePage);
}

Services::~Services() { Stop(); }

void Services::StartAtLoad(qint16 research) {
  network.SetNetworkOk(false);
  schedule.LoadScheduleTimer(research);
  watch.Load();
  reminder.Start();
  schedule.LoadFirstSchedulePass();
  // The window opens without waiting for the probe.
  network.StartupProbe();
}

void Services::PauseCollection() {
  // Nothing yields in between pause and resume, so a running cycle or batch
  // never sees the pause; a stop the cycle set for itself stays set.
  stop_before_pause_ = schedule.state().StopCollection;
  schedule.timerUpdate().stop();
  analysis.StopTimer();
  schedule.SetStopCollection(true);
}

void Services::ResumeCollection() {
  if (!schedule.stopping()) schedule.timerUpdate().start();
  schedule.SetStopCollection(stop_before_pause_);
  analysis.StartTimer();
}

void Services::SettingsClosed() { analysis.OnSettingsClosed(); }

void Services::SetDateFallback(DateFallbackSource* source) { schedule.SetDateFallback(source); }

void Services::SetWatchNotices(WatchNotices* notices) { watch.SetNotices(notices); }

void Services::Stop() {
  reminder.Stop();
  update.Stop();
  watch.Stop();
  facts.Stop();
  analysis.Stop();
  schedule.Stop();
  network.Stop();
  fetcher.Stop();
}

}  // namespace talvec
