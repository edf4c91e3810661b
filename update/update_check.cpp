#include "update/update_check.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>

#include "core/settings.h"

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
QString MainProgramPath(const QString& program_folder) {
  return ProgramPath(program_folder, "TALVEC");
}

UpdateCheck::UpdateCheck(PageFetcher& fetcher, const SystemSettings& settings,
                         UpdateCheckOptions options, QObject* parent)
    : Service(parent), fetcher_(fetcher), settings_(settings), options_(std::move(options)) {
  setObjectName(QStringLiteral("UpdateCheck"));
  if (!options_.start_updater) options_.start_updater = StartDetached;
}

UpdateCheck::~UpdateCheck() { Stop(); }

QString UpdateCheck::QueryAddress() const {
  return settings_.ManagementBaseAddress + QStringLiteral("/QYP/GetVersion.asp");
}

QCoro::Task<UpdateCheck::Outcome> UpdateCheck::Check(bool from_menu) {
  if (running_ || stopping()) co_return Outcome::kBusy;
  running_ = true;
  QPointer<UpdateCheck> self(this);
  ServerVersion verdict = ServerVersion::kNoAnswer;
  QString failure;
  for (int attempt = 0; attempt < 2 && verdict == ServerVersion::kNoAnswer; ++attempt) {
    const FetchResult answer =
        co_await fetcher_.Fetch(QueryAddress(), QStringLiteral("UTF-8"), kAnswerBytes, this);
    if (!self || stopping()) co_return Outcome::kBusy;
    const QString text = answer.value_or(QString());
    verdict = JudgeServerVersion(text, options_.own_version);
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
  qCInfo(lcUpdate) << "a newer version is offered; starting the updater";
  if (!options_.start_updater(options_.program_folder)) {
    last_failure_ =
        QStringLiteral("无法启动升级程序 %1").arg(UpdaterProgramPath(options_.program_folder));
    qCWarning(lcUpdate) << last_failure_;
    emit updaterFailed(last_failure_);
    co_return Outcome::kUpdaterFailed;
  }
  emit updaterStarted();
  co_return Outcome::kNewer;
}

void UpdateCheck::CheckFromTimer() { Check(false); }
void UpdateCheck::CheckFromMenu() { Check(true); }

}  // namespace talvec
