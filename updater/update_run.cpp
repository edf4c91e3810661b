#include "updater/update_run.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkReply>
#include <filesystem>
#include <system_error>

#include "updater/install.h"
#include "updater/package.h"
#include "updater/update_public_key.h"

Q_LOGGING_CATEGORY(lcUpdater, "talvec.updater")

namespace talvec {

namespace {

bool StartDetached(const QString& program, const QString& folder) {
  return QProcess::startDetached(program, {}, folder);
}

bool ReplaceFile(const QString& from, const QString& to, QString* why) {
  std::error_code error;
  std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                          std::filesystem::path(QFile::encodeName(to).toStdString()), error);
  if (error) *why = QString::fromLocal8Bit(error.message());
  return !error;
}

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
    : QObject(parent), options_(std::move(options)) {
  if (!options_.start_program) options_.start_program = StartDetached;
  if (options_.public_key.isEmpty()) {
    options_.public_key =
        QByteArray(reinterpret_cast<const char*>(kUpdatePublicKey), sizeof kUpdatePublicKey);
  }
  manager_.setAutoDeleteReplies(false);
  Timer2.setObjectName(QStringLiteral("Timer2"));
  Timer2.setInterval(options_.retry_ms);
  Timer3.setObjectName(QStringLiteral("Timer3"));
  Timer3.setInterval(options_.package_wait_ms);
  Timer3.setSingleShot(true);
  Timer4.setObjectName(QStringLiteral("Timer4"));
  Timer4.setInterval(options_.watchdog_ms);
  connect(&Timer2, &QTimer::timeout, this, &UpdateRun::StartDownload);
  connect(&Timer4, &QTimer::timeout, this, &UpdateRun::OnWatchdog);
  connect(&Timer3, &QTimer::timeout, this, [this] {
    package_.kill();
    Fail(QStringLiteral("升级包在 %1 秒内没有结束").arg(options_.package_wait_ms / 1000));
  });
  connect(&package_, &QProcess::finished, this, &UpdateRun::OnPackageFinished);
  connect(&package_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart && stage_ == Stage::kRunningPackage) {
      Timer3.stop();
      Fail(QStringLiteral("无法运行升级包: %1").arg(package_.errorString()));
    }
  });
}

UpdateRun::~UpdateRun() {
  DropReply();
  if (package_.state() != QProcess::NotRunning) {
    package_.kill();
    package_.waitForFinished(1000);
  }
}

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
QString UpdateRun::TempFolder() const { return options_.program_folder + QStringLiteral("/temp"); }

void UpdateRun::Start() {
  stage_ = Stage::kDownloading;
  Timer2.start();
}

void UpdateRun::StartDownload() {
  // A request is under way: this tick is a retry that is not needed.
  if (reply_ || stage_ != Stage::kDownloading) return;
  emit fileNameShown(FileName());
  const QUrl url(PackageAddress());
  if (!url.isValid() || url.scheme() != QLatin1String("http")) {
    Fail(QStringLiteral("升级地址无效: %1").arg(PackageAddress()));
    return;
  }
  part_ = std::make_unique<QFile>(TargetPath() + QStringLiteral(".part"));
  if (!part_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    Fail(QStringLiteral("无法写入 %1: %2").arg(part_->fileName(), part_->errorString()));
    return;
  }
  written_ = 0;
  expected_ = -1;
  reply_failure_.clear();
  reply_finished_ = false;
  ++attempts_;
  QNetworkRequest request(url);
  request.setRawHeader("Accept-Encoding", "identity");
  emit transferState(1);
  QNetworkReply* reply = manager_.get(request);
  reply_ = reply;
  // No read buffer limit: with one, Qt 6.4 never finishes an answer that
  // has no Content-Length. Each readyRead drains the reply instead.
  connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] {
    emit transferState(2);
    emit transferState(3);
  });
  connect(reply, &QNetworkReply::requestSent, this, [this] {
    emit transferState(4);
    emit transferState(5);
    emit transferState(6);
  });
  connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
    emit transferState(7);
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid()) {
      expected_ = length.toLongLong();
      if (expected_ > options_.max_package_bytes) {
        reply_failure_ = QStringLiteral("升级包过大 (%1 字节)").arg(expected_);
        reply->abort();
        return;
      }
    }
    emit progress(written_, std::max<qint64>(expected_, 0));
  });
  connect(reply, &QNetworkReply::readyRead, this, &UpdateRun::OnReadyRead);
  connect(reply, &QNetworkReply::finished, this, &UpdateRun::OnFinished);
  Timer4.start();
}

bool UpdateRun::WriteChunk(const QByteArray& chunk) {
  if (part_->write(chunk) != chunk.size()) {
    reply_failure_ = QStringLiteral("无法写入 %1: %2").arg(part_->fileName(), part_->errorString());
    return false;
  }
  written_ += chunk.size();
  if (written_ > options_.max_package_bytes || (expected_ >= 0 && written_ > expected_)) {
    reply_failure_ = QStringLiteral("升级包超过应有的长度");
    return false;
  }
  emit chunkWritten(chunk.size());
  return true;
}

bool UpdateRun::ReadChunks(bool all, bool* more) {
  *more = false;
  for (int n = 0;
       reply_ && (reply_->bytesAvailable() >= kChunkBytes || (all && reply_->bytesAvailable() > 0));
       ++n) {
    if (n == kChunksPerTurn) {
      *more = true;
      return true;
    }
    if (!WriteChunk(reply_->read(kChunkBytes))) return false;
  }
  return true;
}

void UpdateRun::OnReadyRead() {
  if (!drain_scheduled_) Drain();
}

void UpdateRun::Drain() {
  drain_scheduled_ = false;
  if (!reply_) return;
  const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.isValid() && status.toInt() != 200) {  // the body of an error page is not read
    if (reply_finished_) Conclude();
    return;
  }
  const qint64 before = written_;
  bool more = false;
  if (!ReadChunks(reply_finished_, &more)) {
    if (reply_finished_) {
      Conclude();
    } else {
      reply_->abort();  // finished() concludes
    }
    return;
  }
  if (written_ != before) {
    emit progress(written_, std::max<qint64>(expected_, 0));
    // The watchdog's ten seconds count from the last chunk.
    if (!reply_finished_) Timer4.start();
  }
  if (more) {
    // A bounded share of the work per turn of the event loop.
    drain_scheduled_ = true;
    QTimer::singleShot(0, this, &UpdateRun::Drain);
    return;
  }
  if (reply_finished_) Conclude();
}

void UpdateRun::OnWatchdog() {
  Timer4.stop();
  if (!reply_) return;
  reply_failure_ = QStringLiteral("下载 %1 秒没有进展，重新开始").arg(options_.watchdog_ms / 1000);
  reply_->abort();
}

void UpdateRun::DropReply() {
  if (!reply_) return;
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->disconnect(this);
  if (!reply->isFinished()) reply->abort();
  reply->deleteLater();
}

void UpdateRun::OnFinished() {
  if (!reply_) return;
  Timer4.stop();
  reply_finished_ = true;
  const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!reply_failure_.isEmpty() || reply_->error() != QNetworkReply::NoError || !status.isValid() ||
      status.toInt() != 200) {
    Conclude();
  } else if (!drain_scheduled_) {
    Drain();  // what is left in the reply, then Conclude()
  }
}

void UpdateRun::Conclude() {
  if (!reply_) return;
  QNetworkReply* reply = reply_;
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  QString why = reply_failure_;
  if (why.isEmpty() && reply->error() != QNetworkReply::NoError) why = reply->errorString();
  if (why.isEmpty() && (!status.isValid() || status.toInt() != 200)) {
    why = QStringLiteral("HTTP %1").arg(status.toInt());
  }
  if (why.isEmpty() && expected_ >= 0 && written_ != expected_) {
    why = QStringLiteral("下载不完整: %1 / %2 字节").arg(written_).arg(expected_);
  }
  if (why.isEmpty() && written_ == 0) why = QStringLiteral("下载的升级包是空的");
  DropReply();
  if (!why.isEmpty()) {
    AttemptFailed(why);
    return;
  }
  emit transferState(8);
  emit transferState(9);
  emit transferState(10);
  emit transferState(12);
  // Complete: the whole package replaces whatever file was at the target.
  Timer2.stop();
  part_->close();
  QString rename_error;
  if (part_->error() != QFileDevice::NoError ||
      !ReplaceFile(part_->fileName(), TargetPath(), &rename_error)) {
    Fail(QStringLiteral("无法保存升级包: %1").arg(rename_error));
    return;
  }
  part_.reset();
  emit downloaded();
  VerifyAndRun();
}

void UpdateRun::AttemptFailed(const QString& why) {
  qCInfo(lcUpdater) << "download attempt" << attempts_ << "failed:" << why;
  if (part_) {
    part_->close();
    part_->remove();
    part_.reset();
  }
  emit transferState(11);
  emit statusText(TransferStateText(11) + QStringLiteral(" (") + why + QLatin1Char(')'));
  if (attempts_ >= options_.max_attempts) {
    Fail(QStringLiteral("下载升级包失败: %1").arg(why));
    return;
  }
  // Timer2 still runs: its next tick starts a new download.
  if (!Timer2.isActive()) Timer2.start();
}

void UpdateRun::VerifyAndRun() {
  QFile file(TargetPath());
  package::Verdict verdict;
  if (!file.open(QIODevice::ReadWrite)) {
    verdict.why = file.errorString();
  } else if (file.size() > 0) {
    const uchar* bytes = file.map(0, file.size());
    if (bytes) {
      verdict = package::VerifyPackage(QByteArrayView(bytes, file.size()), options_.public_key);
      file.unmap(const_cast<uchar*>(bytes));
    } else {
      verdict.why = file.errorString();
    }
  }
  if (!verdict.ok) {
    file.close();
    QFile::remove(TargetPath());
    Fail(QStringLiteral("升级包校验失败: %1").arg(verdict.why));
    return;
  }
  // What runs is exactly what was verified: the signature is cut off.
  if (!file.resize(verdict.payload_size) ||
      !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ExeOwner)) {
    const QString why = file.errorString();
    file.close();
    QFile::remove(TargetPath());
    Fail(QStringLiteral("无法准备升级包: %1").arg(why));
    return;
  }
  file.close();
  QDir(TempFolder()).removeRecursively();  // only what this package unpacks is installed
  stage_ = Stage::kRunningPackage;
  emit statusText(QStringLiteral("正在解开升级包"));
  package_.setWorkingDirectory(options_.program_folder);
  package_.setProcessChannelMode(QProcess::ForwardedChannels);
  Timer3.start();
  package_.start(TargetPath(), {});
}

void UpdateRun::OnPackageFinished(int exit_code, QProcess::ExitStatus status) {
  if (stage_ != Stage::kRunningPackage) return;
  Timer3.stop();
  QFile::remove(TargetPath());
  if (status != QProcess::NormalExit || exit_code != 0) {
    Fail(QStringLiteral("升级包运行失败 (退出码 %1)").arg(exit_code));
    return;
  }
  Install();
}

void UpdateRun::Install() {
  if (!QFileInfo::exists(TempFolder())) {
    Fail(QStringLiteral("升级包没有放入任何文件"));
    return;
  }
  const InstallReport report = InstallFolder(TempFolder(), options_.program_folder);
  for (const QString& line : report.refused) qCWarning(lcUpdater) << "not installed:" << line;
  if (report.installed.isEmpty()) {
    Fail(report.failed.isEmpty()
             ? QStringLiteral("升级包没有放入任何文件")
             : QStringLiteral("无法替换文件: %1").arg(report.failed.join(QStringLiteral("; "))));
    return;
  }
  stage_ = Stage::kDone;
  emit succeeded();
  if (report.failed.isEmpty()) {
    emit statusText(QStringLiteral("升级成功！"));
  } else {
    // Only a rename can fail here; say which files kept their old content.
    emit statusText(
        QStringLiteral("升级成功！未能替换: %1").arg(report.failed.join(QStringLiteral("; "))));
  }
  StartMainProgram();
  QDir(TempFolder()).removeRecursively();
  emit finished();
}

void UpdateRun::Fail(const QString& why) {
  if (stage_ == Stage::kFailed || stage_ == Stage::kDone) return;
  qCWarning(lcUpdater) << "update failed:" << why;
  stage_ = Stage::kFailed;
  Timer2.stop();
  Timer3.stop();
  Timer4.stop();
  DropReply();
  if (part_) {
    part_->close();
    part_->remove();
    part_.reset();
  }
  QFile::remove(TargetPath());
  QDir(TempFolder()).removeRecursively();
  emit failed(why);
  emit statusText(why);
  // The user reads why, then gets the old program back.
  QTimer::singleShot(options_.restart_delay_ms, this, [this] {
    StartMainProgram();
    emit finished();
  });
}

void UpdateRun::StartMainProgram() {
  const QString program = MainProgramFile(options_.program_folder);
  if (!options_.start_program(program, options_.program_folder)) {
    qCWarning(lcUpdater) << "cannot start" << program;
  }
}

}  // namespace talvec
