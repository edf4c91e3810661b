#include "updater/update_run.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkReply>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>
#endif

#include "update/handover.h"
#include "updater/install.h"
#include "updater/package.h"
#include "updater/update_public_key.h"
#include "updater/wake.h"

Q_LOGGING_CATEGORY(lcUpdater, "talvec.updater")

namespace talvec {

namespace {

bool StartDetached(const QString& program, const QString& folder) {
  return QProcess::startDetached(program, {}, folder);
}

Result<void> ReplaceFile(const QString& from, const QString& to) {
  std::error_code error;
  std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                          std::filesystem::path(QFile::encodeName(to).toStdString()), error);
  if (error) {
    return Fail(Error::Kind::kReadOnly, QStringLiteral("无法保存升级包"),
                QString::fromLocal8Bit(error.message()));
  }
  return {};
}

struct LaterDeleter {
  void operator()(QNetworkReply* reply) const {
    if (reply) reply->deleteLater();
  }
};

// A download attempt that cannot succeed however often it is tried (the
// folder cannot be written) has this kind; every other failure of an
// attempt is tried again.
constexpr Error::Kind kFatal = Error::Kind::kReadOnly;

tl::unexpected<Error> Stopped() { return Fail(Error::Kind::kStopped, QStringLiteral("已停止")); }

}  // namespace

QString TransferStateText(int state) {
  switch (state) {
    case 1:
      return QStringLiteral("正在查询服务器IP地址");
    case 2:
      return QStringLiteral("成功找到服务器IP地址");
    case 3:
      return QStringLiteral("正在尝试与服务器连接");
    case 4:
      return QStringLiteral("与服务器连接成功");
    case 5:
      return QStringLiteral("正在向服务器发送请求");
    case 6:
      return QStringLiteral("发送请求已成功");
    case 7:
      return QStringLiteral("正在接收服务器响应");
    case 8:
      return QStringLiteral("成功接受服务器响应");
    case 9:
      return QStringLiteral("正在解除与服务器的连接");
    case 10:
      return QStringLiteral("成功解除与服务器的连接");
    case 11:
      return QStringLiteral("无法连接服务器，请重试！");
    default:
      return {};
  }
}

QString AttemptStatusText(int attempt, int max_attempts, const QString& text) {
  if (attempt <= 1) return text;
  return QStringLiteral("正在重试 %1/%2：%3").arg(attempt).arg(max_attempts).arg(text);
}

QString WaitingText(int seconds) { return QStringLiteral("等待服务器响应 (%1 秒)").arg(seconds); }

QString NextDotsText(qint16* counter) {
  *counter = static_cast<qint16>(*counter + 1);
  const int dots = *counter % 4;
  if (dots == 0) *counter = 0;
  return QStringLiteral("系统升级中") + QString(dots, QLatin1Char('.'));
}

QString MainProgramFile(const QString& program_folder) {
#ifdef Q_OS_WIN
  return program_folder + QStringLiteral("/TALVEC.exe");
#else
  return program_folder + QStringLiteral("/TALVEC");
#endif
}

UpdateRun::UpdateRun(UpdaterOptions options, QObject* parent)
    : Service(parent), options_(std::move(options)) {
  setObjectName(QStringLiteral("UpdateRun"));
  if (!options_.start_program) options_.start_program = StartDetached;
  if (options_.public_key.isEmpty()) {
    options_.public_key =
        QByteArray(reinterpret_cast<const char*>(kUpdatePublicKey), sizeof kUpdatePublicKey);
  }
  manager_.setAutoDeleteReplies(false);
#ifdef Q_OS_UNIX
  // The package in a process group of its own, so that ending it ends what
  // it started as well (the unpacking).
  package_.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
}

UpdateRun::~UpdateRun() { Stop(); }

QString UpdateRun::PackageAddress() const {
  return options_.management_base + QStringLiteral("/QYP/Update.exe");
}
QString UpdateRun::FileName() const {
  const QString address = PackageAddress();
  return address.mid(address.lastIndexOf(QLatin1Char('/')) + 1);
}
QString UpdateRun::TargetPath() const {
  return options_.program_folder + QLatin1Char('/') + FileName();
}
QString UpdateRun::TempFolder() const {
  return options_.program_folder + QLatin1Char('/') + QLatin1String(kPackageFolderName);
}

void UpdateRun::Start() {
  if (stage_ != Stage::kIdle || stopping()) return;
  stage_ = Stage::kDownloading;
  Run();
}

void UpdateRun::Acknowledge() { emit acknowledged(); }

void UpdateRun::Cancel() {
  if (over_) return;
  if (stage_ == Stage::kFailed) {
    Acknowledge();  // the failure is on screen: the old program starts now
    return;
  }
  // The work's coroutine ends inside Stop(); what it leaves is cleared here.
  Stop();
  const QString why = QStringLiteral("升级已取消");
  Conclude(false, why);
  emit statusText(why);
  HandBack();
}

void UpdateRun::OnStop() { KillPackage(); }

void UpdateRun::KillPackage() {
  if (package_.state() == QProcess::NotRunning) return;
#ifdef Q_OS_UNIX
  if (package_.processId() > 0) ::kill(-static_cast<pid_t>(package_.processId()), SIGKILL);
#endif
  package_.kill();
}

void UpdateRun::State(int state) {
  emit transferState(state);
  const QString text = TransferStateText(state);
  if (!text.isEmpty()) emit statusText(AttemptStatusText(attempts_, options_.max_attempts, text));
}

QCoro::Task<> UpdateRun::Run() {
  emit fileNameShown(FileName());
  const Result<void> done = co_await Work();
  if (stopping()) co_return;  // cancelled, or the updater is going away
  if (done) {
    HandBack();
    co_return;
  }
  const QString why = done.error().message;
  qCWarning(lcUpdater) << "update failed:" << why << done.error().detail;
  Conclude(false, why);
  emit failed(why);
  emit statusText(why);
  // The user reads why, then gets the old program back.
  if (co_await Wake(this, options_.failure_display_ms).On(this, &UpdateRun::acknowledged) ==
      Wake::kStopped)
    co_return;
  HandBack();
}

QCoro::Task<Result<void>> UpdateRun::Work() {
  const QUrl url(PackageAddress());
  if (!url.isValid() || url.scheme() != QLatin1String("http")) {
    co_return Fail(Error::Kind::kBadData, QStringLiteral("升级地址无效: %1").arg(PackageAddress()));
  }
  for (int attempt = 1;; ++attempt) {
    if (!co_await Pause(options_.retry_ms)) co_return Stopped();
    attempts_ = attempt;
    const Result<void> got = co_await Download();
    if (stopping()) co_return Stopped();
    if (got) break;
    if (got.error().kind == kFatal) co_return got;
    const QString why = got.error().message;
    qCInfo(lcUpdater) << "download attempt" << attempt << "failed:" << why;
    emit transferState(11);
    emit statusText(
        AttemptStatusText(attempt, options_.max_attempts,
                          TransferStateText(11) + QStringLiteral(" (") + why + QLatin1Char(')')));
    if (attempt >= options_.max_attempts) {
      co_return Fail(Error::Kind::kNetwork, QStringLiteral("下载升级包失败: %1").arg(why));
    }
  }
  if (Result<void> prepared = PreparePackage(); !prepared) co_return prepared;
  // Only what this package unpacks is installed.
  QDir(TempFolder()).removeRecursively();
  stage_ = Stage::kRunningPackage;
  emit statusText(QStringLiteral("正在解开升级包"));
  const Result<void> ran = co_await RunPackage();
  if (stopping()) co_return Stopped();
  QFile::remove(TargetPath());
  if (!ran) co_return ran;
  Result<InstallReport> installed = Install();
  if (!installed) co_return Fail(installed.error());
  stage_ = Stage::kDone;
  Conclude(true, QString());
  emit succeeded();
  if (installed->not_replaced.isEmpty()) {
    emit statusText(QStringLiteral("升级成功！"));
  } else {
    // Only a rename can fail here; say which files kept their old content.
    emit statusText(QStringLiteral("升级成功！未能替换: %1")
                        .arg(installed->not_replaced.join(QStringLiteral("; "))));
  }
  co_return {};
}

QCoro::Task<Result<void>> UpdateRun::Download() {
  auto part = std::make_unique<QFile>(TargetPath() + QLatin1String(kPartSuffix));
  if (!part->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    co_return Fail(kFatal,
                   QStringLiteral("无法写入 %1: %2").arg(part->fileName(), part->errorString()));
  }
  // Whatever ends this attempt early, the partial file goes with it.
  auto drop = [&part](tl::unexpected<Error> error) {
    part->close();
    part->remove();
    return error;
  };
  written_ = 0;
  expected_ = -1;
  QNetworkRequest request{QUrl(PackageAddress())};
  request.setRawHeader("Accept-Encoding", "identity");
  State(1);
  std::unique_ptr<QNetworkReply, LaterDeleter> reply(manager_.get(request));
  QNetworkReply* raw = reply.get();
  // No read buffer limit: with one, Qt 6.4 never finishes an answer that
  // has no Content-Length. The loop below drains the reply instead.
  connect(raw, &QNetworkReply::socketStartedConnecting, this, [this] {
    State(2);
    State(3);
  });
  connect(raw, &QNetworkReply::requestSent, this, [this] {
    State(4);
    State(5);
    State(6);
  });

  QString failure;  // why the attempt ends before the answer does
  bool headers = false;
  QElapsedTimer since_progress;  // the watchdog counts from the last chunk
  since_progress.start();
  qint64 waited_shown = 0;
  for (;;) {
    if (!headers && raw->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
      headers = true;
      State(7);
      const int status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
      const QVariant length = raw->header(QNetworkRequest::ContentLengthHeader);
      if (length.isValid()) expected_ = length.toLongLong();
      if (status != 200) {  // the body of an error page is not read
        failure = QStringLiteral("HTTP %1").arg(status);
      } else if (expected_ > options_.max_package_bytes) {
        failure = QStringLiteral("升级包过大 (%1 字节)").arg(expected_);
      }
      if (!failure.isEmpty()) {
        raw->abort();
        break;
      }
      emit progress(written_, std::max<qint64>(expected_, 0));
    }
    if (headers) {
      // Whole chunks while the answer runs, the rest once it is complete; a
      // bounded share of them per turn of the event loop.
      const qint64 before = written_;
      int chunks = 0;
      while (chunks < kChunksPerTurn && (raw->bytesAvailable() >= kChunkBytes ||
                                         (raw->isFinished() && raw->bytesAvailable() > 0))) {
        const QByteArray chunk = raw->read(kChunkBytes);
        if (part->write(chunk) != chunk.size()) {
          failure = QStringLiteral("无法写入 %1: %2").arg(part->fileName(), part->errorString());
          break;
        }
        written_ += chunk.size();
        ++chunks;
        if (written_ > options_.max_package_bytes || (expected_ >= 0 && written_ > expected_)) {
          failure = QStringLiteral("升级包超过应有的长度");
          break;
        }
        emit chunkWritten(chunk.size());
      }
      if (!failure.isEmpty()) {
        raw->abort();
        break;
      }
      if (written_ != before) {
        since_progress.restart();
        waited_shown = 0;
        emit progress(written_, std::max<qint64>(expected_, 0));
      }
      if (chunks == kChunksPerTurn) {
        if (!co_await Pause(0)) {
          raw->abort();
          co_return drop(Stopped());
        }
        continue;
      }
    }
    if (raw->isFinished()) break;
    const qint64 left = options_.watchdog_ms - since_progress.elapsed();
    if (left <= 0) {
      failure = QStringLiteral("下载 %1 秒没有进展，重新开始").arg(options_.watchdog_ms / 1000);
      raw->abort();
      break;
    }
    // New bytes, the answer's head or end, or a second to tell the user
    // that it waits.
    const int event = co_await Wake(this, static_cast<int>(std::min<qint64>(left, 1000)))
                          .On(raw, &QNetworkReply::readyRead)
                          .On(raw, &QNetworkReply::metaDataChanged)
                          .On(raw, &QNetworkReply::finished);
    if (event == Wake::kStopped) {
      raw->abort();
      co_return drop(Stopped());
    }
    const qint64 waited = since_progress.elapsed() / 1000;
    if (event == Wake::kTimedOut && waited >= kWaitingShownAfterSeconds && waited != waited_shown) {
      waited_shown = waited;
      emit statusText(AttemptStatusText(attempts_, options_.max_attempts,
                                        WaitingText(static_cast<int>(waited))));
    }
  }

  const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  QString why = failure;
  if (why.isEmpty() && raw->error() != QNetworkReply::NoError) why = raw->errorString();
  if (why.isEmpty() && (!status.isValid() || status.toInt() != 200)) {
    why = QStringLiteral("HTTP %1").arg(status.toInt());
  }
  if (why.isEmpty() && expected_ >= 0 && written_ != expected_) {
    why = QStringLiteral("下载不完整: %1 / %2 字节").arg(written_).arg(expected_);
  }
  if (why.isEmpty() && written_ == 0) why = QStringLiteral("下载的升级包是空的");
  if (!why.isEmpty()) co_return drop(Fail(Error::Kind::kNetwork, why));
  State(8);
  State(9);
  State(10);
  emit transferState(12);
  // Complete: the whole package replaces whatever file was at the target.
  part->close();
  if (part->error() != QFileDevice::NoError) {
    co_return drop(Fail(kFatal, QStringLiteral("无法保存升级包"), part->errorString()));
  }
  if (Result<void> moved = ReplaceFile(part->fileName(), TargetPath()); !moved) {
    co_return drop(Fail(moved.error()));
  }
  emit downloaded();
  co_return {};
}

Result<void> UpdateRun::PreparePackage() {
  QFile file(TargetPath());
  Result<qsizetype> verified = Fail(Error::Kind::kBadData, QStringLiteral("升级包是空的"));
  if (!file.open(QIODevice::ReadWrite)) {
    verified = Fail(Error::Kind::kOther, file.errorString());
  } else if (file.size() > 0) {
    const uchar* bytes = file.map(0, file.size());
    if (bytes) {
      verified = package::VerifyPackage(QByteArrayView(bytes, file.size()), options_.public_key);
      file.unmap(const_cast<uchar*>(bytes));
    } else {
      verified = Fail(Error::Kind::kOther, file.errorString());
    }
  }
  if (!verified) {
    return Fail(verified.error().kind,
                QStringLiteral("升级包校验失败: %1").arg(verified.error().message));
  }
  // What runs is exactly what was verified: the signature is cut off.
  if (!file.resize(*verified) ||
      !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ExeOwner)) {
    return Fail(Error::Kind::kOther, QStringLiteral("无法准备升级包: %1").arg(file.errorString()));
  }
  return {};
}

QCoro::Task<Result<void>> UpdateRun::RunPackage() {
  package_.setWorkingDirectory(options_.program_folder);
  package_.setProcessChannelMode(QProcess::ForwardedChannels);
  package_.start(TargetPath(), {});
  QElapsedTimer running;
  running.start();
  for (;;) {
    const qint64 left = options_.package_wait_ms - running.elapsed();
    const int event = left <= 0 ? Wake::kTimedOut
                                : co_await Wake(this, static_cast<int>(left))
                                      .On(&package_, &QProcess::finished)
                                      .On(&package_, &QProcess::errorOccurred);
    if (event == Wake::kStopped) co_return Stopped();
    if (event == Wake::kTimedOut) {
      KillPackage();
      // Its files are not touched again once it is gone.
      if (package_.state() != QProcess::NotRunning &&
          co_await Wake(this, 5000).On(&package_, &QProcess::finished) == Wake::kStopped) {
        co_return Stopped();
      }
      co_return Fail(
          Error::Kind::kOther,
          QStringLiteral("升级包在 %1 秒内没有结束").arg(options_.package_wait_ms / 1000));
    }
    if (event == 1 && package_.error() == QProcess::FailedToStart) {
      co_return Fail(Error::Kind::kOther,
                     QStringLiteral("无法运行升级包: %1").arg(package_.errorString()));
    }
    if (package_.state() == QProcess::NotRunning) break;  // finished, or crashed and finished
  }
  if (package_.exitStatus() != QProcess::NormalExit || package_.exitCode() != 0) {
    co_return Fail(Error::Kind::kOther,
                   QStringLiteral("升级包运行失败 (退出码 %1)").arg(package_.exitCode()));
  }
  co_return {};
}

Result<InstallReport> UpdateRun::Install() {
  if (!QFileInfo::exists(TempFolder())) {
    return Fail(Error::Kind::kOther, QStringLiteral("升级包没有放入任何文件"));
  }
  Result<InstallReport> report = InstallFolder(TempFolder(), options_.program_folder);
  if (!report) return report;
  for (const QString& line : report->refused) qCWarning(lcUpdater) << "not installed:" << line;
  if (report->installed.isEmpty()) {
    return Fail(Error::Kind::kOther, QStringLiteral("升级包没有放入任何文件"));
  }
  return report;
}

void UpdateRun::Conclude(bool succeeded, const QString& cause) {
  if (!succeeded) stage_ = Stage::kFailed;
  // Nothing of the package stays: no download, no "temp", no staged file.
  for (const QString& path : RemoveUpdateLeftovers(options_.program_folder))
    qCDebug(lcUpdater) << "removed" << path;
  const Result<void> written =
      WriteUpdateOutcome(options_.program_folder, {succeeded, cause, QDateTime::currentDateTime()});
  if (!written) qCWarning(lcUpdater) << written.error().FullText();
}

void UpdateRun::HandBack() {
  if (over_) return;
  over_ = true;
  if (options_.release_folder) options_.release_folder();
  const QString program = MainProgramFile(options_.program_folder);
  if (!options_.start_program(program, options_.program_folder)) {
    qCWarning(lcUpdater) << "cannot start" << program;
  }
  emit finished();
}

}  // namespace talvec
