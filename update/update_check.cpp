#include "update/update_check.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>

#include "core/settings.h"
#include "core/startup.h"
#include "update/handover.h"

Q_LOGGING_CATEGORY(lcUpdate, "talvec.update")

namespace talvec {

namespace {

QString ProgramPath(const QString& folder, const char* name) {
#ifdef Q_OS_WIN
  return folder + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".exe");
#else
  return folder + QLatin1Char('/') + QLatin1String(name);
#endif
}

bool StartDetached(const QString& program_folder) {
  return QProcess::startDetached(UpdaterProgramPath(program_folder), {}, program_folder);
}

}  // namespace

QString UpdaterProgramPath(const QString& program_folder) {
  return ProgramPath(program_folder, "MORVUP");
}

UpdateCheck::UpdateCheck(PageFetcher& fetcher, Database& db, const SystemSettings& settings,
                         UpdateCheckOptions options, QObject* parent)
    : Service(parent),
      fetcher_(fetcher),
      db_(db),
      settings_(settings),
      options_(std::move(options)) {
  setObjectName(QStringLiteral("UpdateCheck"));
  if (!options_.start_updater) options_.start_updater = StartDetached;
  if (!options_.now) options_.now = [] { return QDateTime::currentDateTime(); };
}

UpdateCheck::~UpdateCheck() { Stop(); }

QDateTime UpdateCheck::Now() const { return options_.now(); }

std::optional<UpdateFailure> UpdateCheck::SettleLastUpdate() {
  // An updater at work owns the folder and has not reported yet.
  const SingleInstance updater(options_.program_folder, QLatin1String(kUpdaterLockName));
  if (!updater.acquired()) {
    qCInfo(lcUpdate) << "the updater still runs; its report is read at the next start";
    return std::nullopt;
  }
  for (const QString& path : RemoveUpdateLeftovers(options_.program_folder))
    qCInfo(lcUpdate) << "removed what an interrupted update left:" << path;
  std::optional<UpdateOutcome> outcome;
  if (Result<std::optional<UpdateOutcome>> taken = TakeUpdateOutcome(options_.program_folder)) {
    outcome = *taken;
  } else {
    // Read as no report: an update awaiting one counts as failed.
    qCWarning(lcUpdate) << taken.error().FullText();
  }
  Result<std::optional<UpdateFailure>> settled =
      SettleUpdateFailures(db_, options_.own_version, outcome);
  if (!settled) {
    // The rows stay as they are, awaiting: their versions still keep quiet.
    qCWarning(lcUpdate) << settled.error().FullText();
    if (outcome && !outcome->succeeded)
      update_failure_ = UpdateFailure{{}, outcome->cause, outcome->at};
    return update_failure_;
  }
  update_failure_ = *settled;
  if (update_failure_) {
    qCWarning(lcUpdate) << "the last update failed:" << update_failure_->version
                        << update_failure_->cause;
  }
  return update_failure_;
}

QString UpdateCheck::QueryAddress() const {
  return settings_.ManagementBaseAddress + QStringLiteral("/QYP/GetVersion.asp");
}

QCoro::Task<UpdateCheck::Outcome> UpdateCheck::Check(bool from_menu) {
  if (running_ || stopping()) co_return Outcome::kBusy;
  running_ = true;
  QPointer<UpdateCheck> self(this);
  ServerVersion verdict = ServerVersion::kNoAnswer;
  QString failure;
  QString server_version;
  for (int attempt = 0; attempt < 2 && verdict == ServerVersion::kNoAnswer; ++attempt) {
    const FetchResult answer =
        co_await fetcher_.Fetch(QueryAddress(), QStringLiteral("UTF-8"), kAnswerBytes, this);
    if (!self || stopping()) co_return Outcome::kBusy;
    const QString text = answer.value_or(QString());
    verdict = JudgeServerVersion(text, options_.own_version);
    server_version = text.trimmed();
    if (verdict == ServerVersion::kNoAnswer) {
      failure = answer ? QStringLiteral("答复不是版本号: %1").arg(text.left(40))
                       : answer.error().message;
      qCInfo(lcUpdate) << "no version from" << QueryAddress() << failure;
    }
  }
  running_ = false;
  last_failure_ = failure;
  switch (verdict) {
    case ServerVersion::kNoAnswer:
      emit noAnswer(from_menu);
      co_return Outcome::kNoAnswer;
    case ServerVersion::kNotNewer:
      qCInfo(lcUpdate) << "this program is the newest:" << options_.own_version;
      emit upToDate(from_menu);
      co_return Outcome::kNotNewer;
    case ServerVersion::kNewer:
      break;
  }
  const QDateTime now = Now();
  Result<std::optional<UpdateFailure>> failed = FindUpdateFailure(db_, server_version);
  if (!failed) {
    qCWarning(lcUpdate) << failed.error().FullText();
    // Unknown whether it failed before: the timer does not risk a loop.
    if (!from_menu) {
      quiet_until_ = now.addSecs(kQuietRecheckSeconds);
      co_return Outcome::kFailedBefore;
    }
  } else if (*failed && KeepsQuiet(**failed, now)) {
    const UpdateFailure& before = **failed;
    if (from_menu) {
      emit retryOffered(before);
    } else {
      quiet_until_ = std::min(before.at.addSecs(kFailedVersionQuietSeconds),
                              now.addSecs(kQuietRecheckSeconds));
      qCInfo(lcUpdate).noquote() << "version" << server_version << "failed to update at"
                                 << before.at.toString(Qt::ISODate) << "(" << before.cause
                                 << "); not offered again before"
                                 << quiet_until_.toString(Qt::ISODate);
    }
    co_return Outcome::kFailedBefore;
  }
  co_return Launch(server_version, !from_menu) ? Outcome::kNewer : Outcome::kUpdaterFailed;
}

bool UpdateCheck::Launch(const QString& version, bool automatic) {
  qCInfo(lcUpdate) << "version" << version << "is offered; starting the updater";
  // Recorded as failed until the updater reports otherwise, so that an
  // updater that never reports cannot start a loop.
  if (Result<void> recorded = RecordUpdateStart(db_, version, Now()); !recorded) {
    qCWarning(lcUpdate) << recorded.error().FullText();
    if (automatic) {
      last_failure_ = recorded.error().message;
      emit updaterFailed(last_failure_);
      return false;
    }
  }
  if (!options_.start_updater(options_.program_folder)) {
    last_failure_ =
        QStringLiteral("无法启动升级程序 %1").arg(UpdaterProgramPath(options_.program_folder));
    qCWarning(lcUpdate) << last_failure_;
    if (Result<void> r = RecordUpdateFailure(db_, version, last_failure_, Now()); !r)
      qCWarning(lcUpdate) << r.error().FullText();
    emit updaterFailed(last_failure_);
    return false;
  }
  emit updaterStarted();
  return true;
}

bool UpdateCheck::StartUpdater(const QString& version) {
  if (stopping() || running_) return false;
  return Launch(version, false);
}

void UpdateCheck::CheckFromTimer() {
  if (quiet_until_.isValid() && Now() < quiet_until_) return;
  Check(false);
}
void UpdateCheck::CheckFromMenu() { Check(true); }

}  // namespace talvec
