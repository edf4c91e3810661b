// What the updater does, apart from its window: download the package from
// the management server (Timer2 starts and retries, Timer4 is the
// watchdog), check its signature, run it (Timer3 bounds the wait), install
// the files it put into "temp", start the main program again. Any failure
// before the install leaves the program folder as it was and starts the
// old main program again.
#pragma once

#include <QFile>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <functional>
#include <memory>

class QNetworkReply;

namespace talvec {

// The status text of a transfer state (1 to 11), "" for any other state.
QString TransferStateText(int state);

// Label1's text at a tick of the dots animation; advances the counter
// (1, 2, 3, then 0 again).
QString NextDotsText(qint16* counter);

// "TALVEC" (".exe" on Windows) in the program folder.
QString MainProgramFile(const QString& program_folder);

struct UpdaterOptions {
  QString program_folder;
  QString management_base;      // "http://" + WebDZ
  QByteArray public_key;        // raw Ed25519 public key; empty: the built-in one
  int retry_ms = 2000;          // Timer2
  int watchdog_ms = 10000;      // Timer4
  int package_wait_ms = 60000;  // Timer3: the longest the package may run
  int restart_delay_ms = 4000;  // after a failure, before the old program starts
  int max_attempts = 10;        // failed downloads before giving up
  qint64 max_package_bytes = qint64(512) << 20;
  // Starts a program detached (seam for tests); default QProcess::startDetached.
  std::function<bool(const QString& program, const QString& folder)> start_program;
};

class UpdateRun : public QObject {
  Q_OBJECT

 public:
  static constexpr qint64 kChunkBytes = 1024;
  // Chunks written per turn of the event loop at most.
  static constexpr int kChunksPerTurn = 128;
  enum class Stage { kIdle, kDownloading, kRunningPackage, kDone, kFailed };

  explicit UpdateRun(UpdaterOptions options, QObject* parent = nullptr);
  ~UpdateRun() override;

  // Timer2 on: the first download starts at its first tick.
  void Start();

  QString PackageAddress() const;  // management base + "/QYP/Update.exe"
  QString FileName() const;        // the text after the address's last "/"
  QString TargetPath() const;      // program folder + "/" + FileName()
  QString TempFolder() const;      // program folder + "/temp"
  Stage stage() const { return stage_; }
  int attempts() const { return attempts_; }
  QTimer* timer2() { return &Timer2; }
  QTimer* timer3() { return &Timer3; }
  QTimer* timer4() { return &Timer4; }

 signals:
  void fileNameShown(const QString& name);      // LabName
  void transferState(int state);                // 1..12
  void statusText(const QString& text);         // the status panel
  void progress(qint64 written, qint64 total);  // total 0: unknown
  void chunkWritten(qint64 bytes);
  void downloaded();
  void succeeded();
  void failed(const QString& why);
  // The updater's work is over (the main program has been started).
  void finished();

 private:
  void StartDownload();
  void OnReadyRead();
  void OnFinished();
  void Drain();
  void Conclude();
  void OnWatchdog();
  bool ReadChunks(bool all, bool* more);
  bool WriteChunk(const QByteArray& chunk);
  void AttemptFailed(const QString& why);
  void DropReply();
  void VerifyAndRun();
  void OnPackageFinished(int exit_code, QProcess::ExitStatus status);
  void Install();
  void Fail(const QString& why);
  void StartMainProgram();

  UpdaterOptions options_;
  QNetworkAccessManager manager_;
  QTimer Timer2;
  QTimer Timer3;
  QTimer Timer4;
  QPointer<QNetworkReply> reply_;
  QString reply_failure_;
  bool reply_finished_ = false;
  bool drain_scheduled_ = false;
  std::unique_ptr<QFile> part_;
  qint64 written_ = 0;
  qint64 expected_ = -1;
  int attempts_ = 0;
  Stage stage_ = Stage::kIdle;
  QProcess package_;
};

}  // namespace talvec
