#include "collect/collection_schedule.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <algorithm>
#include <limits>

#include "collect/channels.h"
#include "collect/construction_collector.h"
#include "collect/list_collector.h"
#include "collect/unfinished_channels.h"
#include "core/database.h"
#include "core/dates.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"

Q_LOGGING_CATEGORY(lcCycle, "talvec.collect.cycle")

namespace talvec {

QString ReadCollectionDate(const QVariant& value, const QDate& today) {
  if (!value.isNull()) {
    if (const std::optional<QDate> date = ReadDate(TrimBlanks(value.toString()))) {
      return DateText(*date);
    }
  }
  return DateText(today.addDays(-7));
}

CollectionSchedule::CollectionSchedule(Database& db, const SystemSettings& settings,
                                       PageFetcher& fetcher, NetworkStatus& network,
                                       ScheduleOptions options, QObject* parent)
    : Service(parent),
      db_(db),
      settings_(settings),
      fetcher_(fetcher),
      network_(network),
      env_{db, network, state_, {}, {}},
      construction_base_(options.construction_base.isEmpty() ? ConstructionBaseAddress()
                                                             : options.construction_base),
      first_check_seconds_(options.first_check_seconds),
      write_pause_ms_(options.write_pause_ms),
      unusable_limit_(options.unusable_limit),
      TimerUpdate(this) {
  setObjectName(QStringLiteral("CollectionSchedule"));
  env_.today = [this] { return Now().date(); };
  TimerUpdate.setObjectName(QStringLiteral("TimerUpdate"));
  TimerUpdate.setInterval(1000);
  connect(&TimerUpdate, &QTimer::timeout, this, &CollectionSchedule::ScheduleTick);
  // The last complete cycle as the file remembers it, also after a restart.
  if (const auto last = ReadLastCycle(db_)) {
    progress_.last_complete_end =
        QDateTime::fromString(last->first, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    progress_.last_complete_new = last->second;
  }
}

CollectionSchedule::~CollectionSchedule() { Stop(); }

void CollectionSchedule::OnStop() { TimerUpdate.stop(); }

void CollectionSchedule::SetDateFallback(const DateFallbackSource* source) {
  if (!source) {
    env_.fallback_date = nullptr;
    return;
  }
  env_.fallback_date = [source] { return source->NextToLastDate(); };
}

void CollectionSchedule::LoadScheduleTimer(qint16 research) {
  if (research == 1)
    TimerUpdate.start();
  else
    TimerUpdate.stop();
}

void CollectionSchedule::LoadFirstSchedulePass() { first_pass_ = true; }

void CollectionSchedule::ScheduleTick() {
  if (ticks_ < std::numeric_limits<qint16>::max()) ++ticks_;
  const int limit = first_pass_ ? first_check_seconds_ : settings_.IntervalSeconds;
  if (ticks_ <= limit) return;
  ticks_ = 0;
  first_pass_ = false;
  WindowCheck();
}

bool CollectionSchedule::WindowCheck() {
  if (stopping() || file_gone_) return false;
  if (!InCollectionWindow(Now().time(), settings_.BeginTime, settings_.EndTime)) return false;
  TimerUpdate.stop();
  RunCollectionCycle();
  return true;
}

void CollectionSchedule::SetPhase(CollectionProgress::Phase phase, int type, qint32 page) {
  progress_.phase = phase;
  progress_.type = type;
  progress_.page = page;
  progress_.new_announcements = state_.new_announcements;
  progress_.too_large_pages = state_.too_large_pages;
  emit progressChanged(progress_);
}

QCoro::Task<PageOutcome> CollectionSchedule::FetchAndApply(
    QString address, std::function<PageOutcome(const FetchResult&)> apply) {
  const FetchResult page = co_await fetcher_.Fetch(std::move(address), QStringLiteral("UTF-8"),
                                                   PageFetcher::kListPageBytes, this);
  if (stopping()) co_return PageOutcome::kUnusable;
  if (!page && !page.error().Is(Error::Kind::kTooLarge)) network_.NoteFailure(page.error().message);
  int pause_ms = 25;
  for (int attempt = 1;; ++attempt) {
    const PageOutcome outcome = apply(page);
    if (outcome != PageOutcome::kNotStored) {
      if (HeldItems(outcome)) emit working();
      co_return outcome;
    }
    if (attempt >= kStoreTries || !db_.WritesAllowed()) break;
    if (!co_await Pause(pause_ms)) co_return PageOutcome::kUnusable;
    pause_ms *= 2;
  }
  progress_.cause = state_.write_failure;
  qCWarning(lcCycle) << "page not written after" << kStoreTries << "tries:" << progress_.cause;
  emit working();
  co_return PageOutcome::kNotStored;
}

QCoro::Task<PageOutcome> CollectionSchedule::CollectListPage(QString address, int type) {
  return FetchAndApply(std::move(address), [this, type](const FetchResult& page) {
    return ApplyListPage(env_, page, type);
  });
}

QCoro::Task<PageOutcome> CollectionSchedule::CollectConstructionList(QString base, int type) {
  QString address = ConstructionListAddress(base);
  return FetchAndApply(std::move(address),
                       [this, base = std::move(base), type](const FetchResult& page) {
                         return ApplyConstructionList(env_, page, base, type);
                       });
}

void CollectionSchedule::StartReadings(const std::array<bool, kListChannelCount>& enabled) {
  state_.ResetChannels();
  const Result<std::int64_t> start = LastListId(db_);
  const Result<std::map<QString, UnfinishedReading>> unfinished = ReadUnfinishedChannels(db_);
  if (!start || !unfinished) {
    // Without them every stored title counts as known, as in a cycle after
    // complete ones.
    qCWarning(lcCycle) << "readings left unfinished unknown:"
                       << (start ? unfinished.error() : start.error()).FullText();
    state_.start_id = start.value_or(0);
    return;
  }
  state_.start_id = *start;
  for (const ChannelInfo& channel : Channels()) {
    ChannelState& cs = state_.channels[channel.k];
    const auto it = unfinished->find(QLatin1String(channel.code));
    if (it != unfinished->end() && enabled[channel.k]) {
      cs.unfinished = it->second;
      qCInfo(lcCycle) << "channel" << channel.code << "resumes from page" << it->second.resume_page;
    }
    cs.resumed = !cs.unfinished || cs.unfinished->resume_page <= 1;
  }
}

void CollectionSchedule::EndCycle(bool complete,
                                  const std::array<bool, kListChannelCount>& enabled) {
  running_ = false;
  if (complete) {
    progress_.last_complete_end = Now();
    progress_.last_complete_new = state_.new_announcements;
    if (const Result<void> recorded = WriteLastCycle(
            db_, progress_.last_complete_end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            state_.new_announcements);
        !recorded) {
      qCWarning(lcCycle) << "end of cycle not recorded:" << recorded.error().FullText();
    }
    // A channel the end of the cycle cut short is done as the cycle is,
    // unless it still owes pages: an earlier reading's, one it skipped, or
    // those after it was left.
    for (const ChannelInfo& channel : Channels()) {
      const ChannelState& cs = state_.channels[channel.k];
      if (!enabled[channel.k] || cs.ChannelDoneFlag || cs.skipped_page > 0) continue;
      if (const Result<> cleared =
              ClearUnfinishedSince(db_, QLatin1String(channel.code), state_.start_id);
          !cleared) {
        qCWarning(lcCycle) << cleared.error().FullText();
      }
    }
  }
  qCInfo(lcCycle) << "cycle ended," << state_.new_announcements << "new announcements"
                  << (complete ? "" : "(not complete)");
  TimerUpdate.start();
  emit cycleFinished();
}

bool CollectionSchedule::StopIfWritesRefused() {
  // A file deleted, replaced or found damaged is not written to: collection
  // ends for good instead of failing page by page.
  const Result<void> allowed = db_.WritesAllowed();
  if (allowed) return false;
  file_gone_ = true;
  TimerUpdate.stop();
  qCWarning(lcCycle) << "collection stopped:" << allowed.error().FullText();
  progress_.cause = allowed.error().message;
  SetPhase(CollectionProgress::Phase::kFileGone);
  return true;
}

QCoro::Task<> CollectionSchedule::RunCollectionCycle() {
  if (running_ || stopping() || file_gone_) co_return;
  if (StopIfWritesRefused()) co_return;
  running_ = true;

  state_.StopCollection = false;
  emit cycleStarted();
  emit working();
  const Result<SettingsRow> row = ReadSettingsRow(db_);
  state_.LastCollectionDate = ReadCollectionDate(
      row && row->CollectionDate ? QVariant(*row->CollectionDate) : QVariant(), env_.Today());
  std::array<bool, kListChannelCount> enabled{};
  for (int k = 0; k < kListChannelCount; ++k) {
    enabled[k] = settings_.ResearchItem(k) == QLatin1String("t");
  }
  StartReadings(enabled);
  state_.new_announcements = 0;
  state_.too_large_pages = 0;
  state_.write_failure.clear();
  progress_.cause.clear();
  qCInfo(lcCycle) << "cycle starts from" << state_.LastCollectionDate;

  SetPhase(CollectionProgress::Phase::kConstruction);
  co_await CollectConstructionList(construction_base_, kConstructionType);
  if (stopping()) co_return;

  std::array<int, kListChannelCount> unusable{};
  int failed_passes = 0;
  // The catch-up test ends the cycle after its pass; a channel that still
  // owes pages from an unfinished earlier cycle reads on until it is done.
  auto owes = [this](const ChannelState& cs) {
    return cs.unfinished && cs.unfinished->since_id < state_.start_id;
  };
  for (;;) {
    if (!co_await Pause(0)) co_return;
    const bool caught_up = state_.StopCollection;
    bool any_left = false;
    for (int k = 0; k < kListChannelCount; ++k) {
      const ChannelState& cs = state_.channels[k];
      any_left |= enabled[k] && !cs.ChannelDoneFlag && (!caught_up || owes(cs));
    }
    if (!any_left) break;
    if (!network_.NetworkOk()) {
      progress_.cause = network_.LastFailure();
      SetPhase(CollectionProgress::Phase::kWaitingNetwork);
      if (!co_await network_.WaitForNetwork(this)) co_return;
      continue;
    }
    // Every enabled channel that is not done reads its next page, also when
    // one before it failed; only the next pass waits for the network.
    bool progressed = false;
    int written = 0;
    int not_written = 0;
    for (const ChannelInfo& channel : Channels()) {
      ChannelState& cs = state_.channels[channel.k];
      if (!enabled[channel.k] || cs.ChannelDoneFlag || (caught_up && !owes(cs))) continue;
      SetPhase(CollectionProgress::Phase::kChannel, channel.type, cs.PageCounter);
      const PageOutcome outcome = co_await CollectListPage(
          ListRequestAddress(settings_.SiteBaseAddress, channel, cs.PageCounter), channel.type);
      if (stopping()) co_return;
      if (outcome == PageOutcome::kUnusable) {
        if (++unusable[channel.k] >= unusable_limit_) {
          // Its reading stays unfinished: the next cycle resumes it.
          qCWarning(lcCycle) << "channel" << channel.code << "left for this cycle after"
                             << unusable_limit_ << "unusable pages";
          cs.ChannelDoneFlag = true;
        }
      } else {
        unusable[channel.k] = 0;
      }
      if (HeldItems(outcome)) ++written;
      progressed |= HeldItems(outcome) || outcome == PageOutcome::kNoItems ||
                    outcome == PageOutcome::kTooLarge;
      if (outcome == PageOutcome::kNotStored) {
        // The file refuses even after the retries: the other channels
        // would only meet the same, so the pass ends here.
        ++not_written;
        break;
      }
    }
    if (not_written > 0 && written == 0) {
      if (!db_.WritesAllowed()) {
        EndCycle(false);
        StopIfWritesRefused();
        co_return;
      }
      // Nothing could be written in the whole pass: the file or the disk
      // refuses. Say so, wait longer each time, and give up after a few.
      SetPhase(CollectionProgress::Phase::kWriteFailed);
      if (++failed_passes >= kWriteFailurePasses) {
        qCWarning(lcCycle) << "cycle given up: the database cannot be written:" << progress_.cause;
        EndCycle(false);
        co_return;
      }
      if (!co_await Pause(std::min(kWritePauseCapMs, write_pause_ms_ << (failed_passes - 1)))) {
        co_return;
      }
      continue;
    }
    failed_passes = 0;
    // Pages that answer but cannot be read are asked again after a pause,
    // not as fast as the site answers.
    if (!progressed && network_.NetworkOk()) {
      if (!co_await Pause(kRetryPauseMs)) co_return;
    }
  }

  EndCycle(true, enabled);
  SetPhase(CollectionProgress::Phase::kIdle);
}

}  // namespace talvec
