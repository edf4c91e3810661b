#include "collect/collection_schedule.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QRegularExpression>
#include <chrono>
#include <qcorotimer.h>

#include "collect/channels.h"
#include "collect/construction_collector.h"
#include "collect/list_collector.h"
#include "collect/list_page.h"
#include "collect/network_status.h"
#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcCycle, "talvec.collect.cycle")

namespace talvec {

std::optional<QTime> ReadTimeOfDay(const QString& text) {
  static const QRegularExpression time_form(QStringLiteral(
      "(?:^|\\s)(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?\\s*$"));
  const QRegularExpressionMatch m = time_form.match(text.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  int hour = m.capturedView(1).toInt();
  const QStringView half = m.capturedView(4);
  if (!half.isEmpty()) {
    if (hour < 1 || hour > 12) return std::nullopt;
    const bool pm = half.startsWith(u'p', Qt::CaseInsensitive);
    hour = hour % 12 + (pm ? 12 : 0);
  }
  const QTime time(hour, m.capturedView(2).toInt(), m.capturedView(3).toInt());
  if (!time.isValid()) return std::nullopt;
  return time;
}

bool InCollectionWindow(const QTime& now, const QString& begin, const QString& end) {
  const QString format = QStringLiteral("HH:mm:ss");
  const QString begin_text = ReadTimeOfDay(begin).value_or(QTime(0, 0, 0)).toString(format);
  const QString end_text = ReadTimeOfDay(end).value_or(QTime(23, 59, 59)).toString(format);
  const QString now_text = now.toString(format);
  return begin_text <= now_text && now_text <= end_text;
}

QString ReadCollectionDate(const QVariant& value, const QDate& today) {
  if (!value.isNull()) {
    if (const std::optional<QDate> date = ReadDate(TrimBlanks(value.toString()))) {
      return DateText(*date);
    }
  }
  return DateText(today.addDays(-7));
}

CollectionSchedule::CollectionSchedule(Database& db, const SystemSettings& settings,
                                       PageFetcher& fetcher, NetworkStatus& network, QObject* parent)
    : QObject(parent),
      db_(db),
      settings_(settings),
      network_(network),
      env_{db, fetcher, network, state_, {}, {}},
      construction_base_(ConstructionBaseAddress()),
      TimerUpdate(this) {
  setObjectName(QStringLiteral("CollectionSchedule"));
  env_.today = [this] { return Now().date(); };
  TimerUpdate.setObjectName(QStringLiteral("TimerUpdate"));
  TimerUpdate.setInterval(1000);
  connect(&TimerUpdate, &QTimer::timeout, this, &CollectionSchedule::ScheduleTick);
  bool ok = false;
  const int first = qEnvironmentVariableIntValue("TALVEC_TEST_FIRST_CHECK_SECONDS", &ok);
  if (ok && first >= 0) first_check_seconds_ = first;
  const QString construction = qEnvironmentVariable("TALVEC_TEST_CONSTRUCTION_BASE");
  if (!construction.isEmpty()) construction_base_ = construction;
}

void CollectionSchedule::LoadScheduleTimer(qint16 research) {
  if (research == 1) TimerUpdate.start();
  else TimerUpdate.stop();
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
  emit progressChanged(ProgressText(progress_));
}

QCoro::Task<> CollectionSchedule::RunCollectionCycle() {
  if (running_) co_return;
  running_ = true;
  QPointer<CollectionSchedule> self(this);

  state_.StopCollection = false;
  network_.StartWorkingPulse();
  emit cycleStarted();
  state_.LastCollectionDate =
      ReadCollectionDate(db_.Scalar("SELECT CollectionDate FROM SysSet"), env_.Today());
  std::array<bool, kListChannelCount> enabled{};
  for (int k = 0; k < kListChannelCount; ++k) {
    enabled[k] = settings_.ResearchItem(k) == QLatin1String("t");
  }
  state_.ResetChannels();
  state_.new_announcements = 0;
  network_.pulse().level = static_cast<int>(random_() >> 24);  // 0..255
  qCInfo(lcCycle) << "cycle starts from" << state_.LastCollectionDate;

  SetPhase(CollectionProgress::Phase::kConstruction);
  co_await CollectConstructionList(env_, construction_base_, kConstructionType);
  if (!self) co_return;

  while (!state_.StopCollection) {
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    if (!self) co_return;
    bool any_left = false;
    for (int k = 0; k < kListChannelCount; ++k) any_left |= enabled[k] && !state_.channels[k].ChannelDoneFlag;
    if (!any_left) break;
    if (!network_.NetworkOk()) {
      SetPhase(CollectionProgress::Phase::kWaitingNetwork);
      co_await network_.WaitForNetwork();
      if (!self) co_return;
      continue;
    }
    bool progressed = false;
    for (const ChannelInfo& channel : Channels()) {
      ChannelState& cs = state_.channels[channel.k];
      if (!enabled[channel.k] || cs.ChannelDoneFlag) continue;
      SetPhase(CollectionProgress::Phase::kChannel, channel.type, cs.PageCounter);
      const PageOutcome outcome = co_await CollectListPage(
          env_, ListRequestAddress(settings_.SiteBaseAddress, channel, cs.PageCounter), channel.type);
      if (!self) co_return;
      progressed |= outcome != PageOutcome::kNoHeading && outcome != PageOutcome::kNoRegion &&
                    outcome != PageOutcome::kNotStored && outcome != PageOutcome::kUnusable;
      // A site that went away is waited for before the next channel asks it.
      if (!network_.NetworkOk()) break;
    }
    // Pages that answer but cannot be read are asked again after a pause,
    // not as fast as the site answers.
    if (!progressed && network_.NetworkOk() && !state_.StopCollection) {
      co_await QCoro::sleepFor(std::chrono::milliseconds(kRetryPauseMs));
      if (!self) co_return;
    }
  }

  network_.StopWorkingPulse(true);
  running_ = false;
  progress_.last_complete_end = Now();
  progress_.last_complete_new = state_.new_announcements;
  qCInfo(lcCycle) << "cycle ended," << state_.new_announcements << "new announcements";
  TimerUpdate.start();
  SetPhase(CollectionProgress::Phase::kIdle);
  emit cycleFinished();
}

}  // namespace talvec
