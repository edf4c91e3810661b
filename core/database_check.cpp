#include "core/database_check.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include <sqlcipher/sqlite3.h>

#include "core/database.h"

Q_LOGGING_CATEGORY(lcCheck, "talvec.database.check")

namespace talvec {

namespace {

// How many findings of a damaged file are kept for the detail.
constexpr int kFindings = 10;

Error CheckError(sqlite3* db, int rc, const QString& path) {
  const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
  if ((rc & 0xff) == SQLITE_INTERRUPT) {
    return Error{Error::Kind::kStopped, QStringLiteral("数据库检查已中断"), text, rc & 0xff};
  }
  return DatabaseError(rc, text, path);
}

}  // namespace

void CheckInterrupt::Interrupt() {
  const std::lock_guard<std::mutex> lock(mutex_);
  interrupted_ = true;
  if (db_) sqlite3_interrupt(db_);
}

void CheckInterrupt::Attach(sqlite3* db) {
  const std::lock_guard<std::mutex> lock(mutex_);
  db_ = db;
  if (db_ && interrupted_) sqlite3_interrupt(db_);
}

QString LogPath(const QString& path) { return path + QStringLiteral("-wal"); }

Result<void> QuickCheckFile(const QString& path, const QByteArray& password, bool file_alone,
                            CheckInterrupt* interrupt) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (!QFileInfo::exists(absolute)) {
    return Fail(DatabaseError(SQLITE_CANTOPEN, QStringLiteral("no such file"), absolute));
  }
  // Read-only: the check never copies the log into the file, whatever it
  // finds. "immutable" reads the file alone and ignores the log.
  QByteArray name = QUrl::fromLocalFile(absolute).toEncoded();
  if (file_alone) name += "?immutable=1";
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(name.constData(), &db,
                           SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_key(db, password.constData(), password.size());
  if (rc != SQLITE_OK) {
    const Error error = CheckError(db, rc, absolute);
    sqlite3_close(db);
    return Fail(error);
  }
  sqlite3_busy_timeout(db, Database::kOpenBusyTimeoutMs);
  if (interrupt) interrupt->Attach(db);

  QStringList findings;
  sqlite3_stmt* st = nullptr;
  rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(10)", -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      const auto* line = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      if (findings.size() < kFindings) findings << QString::fromUtf8(line ? line : "");
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  Result<void> result;
  if (rc != SQLITE_OK) {
    result = Fail(CheckError(db, rc, absolute));
  } else if (findings != QStringList{QStringLiteral("ok")}) {
    Error damaged = DatabaseError(SQLITE_CORRUPT, findings.join(QLatin1Char('\n')), absolute);
    result = Fail(std::move(damaged));
  }
  sqlite3_finalize(st);
  if (interrupt) interrupt->Attach(nullptr);
  sqlite3_close(db);
  return result;
}

Result<QString> CheckLeftoverLog(const QString& path, const QByteArray& password) {
  const QString log = LogPath(path);
  if (!QFileInfo::exists(log)) return QString();
  QElapsedTimer clock;
  clock.start();
  const Result<void> with_log = QuickCheckFile(path, password, false);
  qCInfo(lcCheck) << "file with its leftover log checked in" << clock.elapsed() << "ms:"
                  << (with_log ? QStringLiteral("whole") : with_log.error().FullText());
  if (with_log) return QString();
  if (!with_log.error().Is(Error::Kind::kCorrupt)) {
    // Not a finding about the pages (a wrong password, say): opening the
    // file says what is wrong.
    return QString();
  }
  const Result<void> alone = QuickCheckFile(path, password, true);
  if (!alone) {
    qCWarning(lcCheck) << "the file alone is damaged as well:" << alone.error().FullText();
    return Fail(with_log.error());
  }
  // The file alone is whole: the log belongs to another state of it. Kept
  // under a new name, never deleted; its index (-shm) is rebuilt.
  const QString aside =
      log + QStringLiteral(".") +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
      QStringLiteral(".bak");
  if (!QFile::rename(log, aside)) {
    return Fail(Error::Kind::kReadOnly,
                QStringLiteral("数据库文件旁的日志文件与它不一致，但无法改名：%1")
                    .arg(QDir::toNativeSeparators(log)),
                with_log.error().detail);
  }
  QFile::remove(path + QStringLiteral("-shm"));
  qCWarning(lcCheck) << "leftover log did not belong to the file; moved to" << aside;
  return aside;
}

BackgroundCheck::BackgroundCheck(QString path, QByteArray password, QObject* parent)
    : QObject(parent), path_(std::move(path)), password_(std::move(password)) {}

BackgroundCheck::~BackgroundCheck() { Stop(); }

void BackgroundCheck::Start(Done done) {
  if (thread_) return;
  done_ = std::move(done);
  result_.reset();
  thread_ = QThread::create([this] {
    QElapsedTimer clock;
    clock.start();
    auto result = std::make_unique<Result<void>>(
        QuickCheckFile(path_, password_, false, &interrupt_));
    elapsed_ms_ = clock.elapsed();
    result_ = std::move(result);
  });
  thread_->setObjectName(QStringLiteral("DatabaseCheck"));
  // Finished is emitted by the ending thread; this object lives on the
  // caller's thread, so the slot runs there.
  connect(thread_, &QThread::finished, this, &BackgroundCheck::Finished, Qt::QueuedConnection);
  thread_->start(QThread::LowPriority);
}

void BackgroundCheck::Stop() {
  if (!thread_) return;
  done_ = nullptr;
  interrupt_.Interrupt();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void BackgroundCheck::Finished() {
  if (!thread_) return;
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  Done done = std::move(done_);
  done_ = nullptr;
  if (done && result_) done(*result_, elapsed_ms_);
}

}  // namespace talvec
