// What the updater does, apart from its window, as one coroutine: download
// the package from the management server (a pause before each attempt, as
// Timer2's retry; no byte for ten seconds ends an attempt, as Timer4's
// watchdog), check its signature, run it (bounded, as Timer3), install the
// files it put into "temp", leave the outcome for the main program
// (update/handover.h) and start the main program again. Any failure before
// the install leaves the program folder as it was; its cause stays on
// screen until the user acknowledges it or the display time ends, then the
// old main program starts.
#pragma once

#include <qcorotask.h>
#include <QNetworkAccessManager>
#include <QProcess>
#include <functional>

#include "core/error.h"
#include "core/service.h"

namespace talvec {

struct InstallReport;

// The status text of a transfer state (1 to 11), "" for any other state.
QString TransferStateText(int state);

// The status panel's text during download attempt `attempt` of `max`:
// `text` alone on the first, after "正在重试 n/max：" on the others.
QString AttemptStatusText(int attempt, int max_attempts, const QString& text);
// While no byte has come for `seconds`.
QString WaitingText(int seconds);

// Label1's text at a tick of the dots animation; advances the counter
// (1, 2, 3, then 0 again).
QString NextDotsText(qint16* counter);

// "TALVEC" (".exe" on Windows) in the program folder.
QString MainProgramFile(const QString& program_folder);

struct UpdaterOptions {
  QString program_folder;
  QString management_base;      // "http://" + WebDZ
  QByteArray public_key;        // raw Ed25519 public key; empty: the built-in one
  int retry_ms = 2000;          // Timer2: the pause before each download attempt
  int watchdog_ms = 10000;      // Timer4: no byte for this long ends an attempt
  int package_wait_ms = 60000;  // Timer3: the longest the package may run
  // A failure's cause stays on screen this long, unless acknowledged.
  int failure_display_ms = 15000;
  int max_attempts = 10;  // failed downloads before giving up
  qint64 max_package_bytes = qint64(512) << 20;
  // Starts a program detached (seam for tests); default QProcess::startDetached.
  std::function<bool(const QString& program, const QString& folder)> start_program;
  // Called once the updater is done with the folder (its outcome written),
  // right before the main program starts: MORVUP releases its lock here.
  std::function<void()> release_folder;
};

class UpdateRun : public Service {
  Q_OBJECT

 public:
  static constexpr qint64 kChunkBytes = 1024;
  // Chunks written per turn of the event loop at most.
  static constexpr int kChunksPerTurn = 128;
  // Seconds without a byte before the status says that it waits.
  static constexpr int kWaitingShownAfterSeconds = 2;
  enum class Stage { kIdle, kDownloading, kRunningPackage, kDone, kFailed };

  explicit UpdateRun(UpdaterOptions options, QObject* parent = nullptr);
  ~UpdateRun() override;

  // Starts the work; finished() at its end.
  void Start();
  // The user has read the failure ("确定"): the old program starts now.
  void Acknowledge();
  // The user closed the window: work under way ends as a failure, and the
  // old program starts at once.
  void Cancel();

  QString PackageAddress() const;  // management base + "/QYP/Update.exe"
  QString FileName() const;        // the text after the address's last "/"
  QString TargetPath() const;      // program folder + "/" + FileName()
  QString TempFolder() const;      // program folder + "/temp"
  Stage stage() const { return stage_; }
  int attempts() const { return attempts_; }
  bool over() const { return over_; }

 signals:
  void fileNameShown(const QString& name);      // LabName
  void transferState(int state);                // 1..12
  void statusText(const QString& text);         // the status panel
  void progress(qint64 written, qint64 total);  // total 0: unknown
  void chunkWritten(qint64 bytes);
  void downloaded();
  void succeeded();
  void failed(const QString& why);
  void acknowledged();
  // The updater's work is over (the main program has been started).
  void finished();

 protected:
  void OnStop() override;

 private:
  QCoro::Task<> Run();
  QCoro::Task<Result<void>> Work();
  QCoro::Task<Result<void>> Download();
  QCoro::Task<Result<void>> RunPackage();
  Result<void> PreparePackage();
  Result<InstallReport> Install();
  void State(int state);
  void Conclude(bool succeeded, const QString& cause);
  void HandBack();
  void KillPackage();

  UpdaterOptions options_;
  QNetworkAccessManager manager_;
  QProcess package_;
  qint64 written_ = 0;
  qint64 expected_ = -1;
  int attempts_ = 0;
  Stage stage_ = Stage::kIdle;
  bool over_ = false;  // the old or new program has been started
};

}  // namespace talvec
