// Checks of the database file's pages (PRAGMA quick_check) on a read-only
// connection of their own, which never writes to the file or its log: once
// at start-up when the last run left its write-ahead log behind, and once
// in the background after every start.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>

#include "core/error.h"

class QThread;
struct sqlite3;

namespace talvec {

// Lets another thread interrupt a running check.
class CheckInterrupt {
 public:
  // The check ends at once with kStopped (also one that has not begun).
  void Interrupt();
  // The check's connection while it runs; nullptr before it closes.
  void Attach(sqlite3* db);

 private:
  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  bool interrupted_ = false;
};

// Runs PRAGMA quick_check on the file. `file_alone`: the file as it is on
// disk, without the write-ahead log beside it. A whole file gives a value;
// damage gives kCorrupt, its first findings in the detail; a check that
// could not run (no such file, wrong password, interrupted) another kind.
Result<void> QuickCheckFile(const QString& path, const QByteArray& password, bool file_alone,
                            CheckInterrupt* interrupt = nullptr);

// The write-ahead log's path beside a database file.
QString LogPath(const QString& path);

// For start-up, before the file is opened for writing. A write-ahead log
// beside the file means that the last run did not close it (it was killed,
// or it crashed), or that the file was restored from a copy while the log
// of a later state stayed beside it. The file is checked with its log:
// - whole: nothing is changed; gives an empty text;
// - damaged, but the file alone is whole (the log belongs to another state
//   of the file): the log is renamed aside and kept, the file is used
//   alone; gives the log's new path;
// - damaged either way: kCorrupt, and both files are left as they are.
// Without a log nothing is checked. Another program that has the file open
// while this runs makes the log look left over: call it only when no other
// copy of the program runs.
Result<QString> CheckLeftoverLog(const QString& path, const QByteArray& password);

// One quick_check in the background, on a thread of its own with its own
// read-only connection: the one place where the program uses a second
// connection and a second thread. The check is one statement that cannot
// yield; on a large file it takes seconds, which the window must not wait
// for. It reads the file through its own snapshot and shares nothing with
// the program's connection; its result is handed to the UI thread.
class BackgroundCheck : public QObject {
  Q_OBJECT

 public:
  // `done` runs on the thread that calls Start(), once, with the check's
  // result and how long it took; never after Stop().
  using Done = std::function<void(const Result<void>& result, qint64 elapsed_ms)>;

  BackgroundCheck(QString path, QByteArray password, QObject* parent = nullptr);
  ~BackgroundCheck() override;

  void Start(Done done);
  // Interrupts a running check and waits for its thread (a few
  // milliseconds); its result is dropped, and no check starts afterwards.
  void Stop();
  bool running() const { return thread_ != nullptr; }

 private:
  void Finished();

  QString path_;
  QByteArray password_;
  Done done_;
  QThread* thread_ = nullptr;
  CheckInterrupt interrupt_;
  // Written by the thread before it ends, read after it has ended.
  std::unique_ptr<Result<void>> result_;
  qint64 elapsed_ms_ = 0;
};

}  // namespace talvec
