#include "core/database.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

#include <sqlcipher/sqlite3.h>

Q_LOGGING_CATEGORY(lcDatabase, "talvec.database")

namespace talvec {

QByteArray DatabasePassword() { return QByteArrayLiteral("Kw7rTq2mXa9pLe4sZd"); }

// ---- Statement ----

Statement::Statement(Database* owner, sqlite3* db, sqlite3_stmt* stmt, Error error)
    : owner_(owner), db_(db), stmt_(stmt), error_(std::move(error)), failed_(stmt == nullptr) {}

Statement::Statement(Statement&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)),
      db_(std::exchange(other.db_, nullptr)),
      stmt_(std::exchange(other.stmt_, nullptr)),
      error_(std::move(other.error_)),
      failed_(std::exchange(other.failed_, false)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    if (stmt_) sqlite3_finalize(stmt_);
    owner_ = std::exchange(other.owner_, nullptr);
    db_ = std::exchange(other.db_, nullptr);
    stmt_ = std::exchange(other.stmt_, nullptr);
    error_ = std::move(other.error_);
    failed_ = std::exchange(other.failed_, false);
  }
  return *this;
}

Statement::~Statement() {
  if (stmt_) sqlite3_finalize(stmt_);
}

void Statement::SetError() {
  if (failed_) return;
  if (!db_) {
    SetError(Error{Error::Kind::kOther, QStringLiteral("数据库未打开"), QString()});
    return;
  }
  const int code = sqlite3_errcode(db_);
  const QString text = QString::fromUtf8(sqlite3_errmsg(db_));
  qCWarning(lcDatabase) << "statement failed:" << text << (stmt_ ? sqlite3_sql(stmt_) : "");
  SetError(owner_ ? owner_->NoteFailure(code, text) : DatabaseError(code, text));
}

void Statement::SetError(Error error) {
  if (failed_) return;
  failed_ = true;
  error_ = std::move(error);
}

Statement& Statement::Bind(int index, const QString& value) {
  if (!stmt_) return *this;
  const QByteArray utf8 = value.toUtf8();
  if (sqlite3_bind_text(stmt_, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT) != SQLITE_OK)
    SetError();
  return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
  if (stmt_ && sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) SetError();
  return *this;
}

Statement& Statement::Bind(int index, double value) {
  if (stmt_ && sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) SetError();
  return *this;
}

Statement& Statement::Bind(int index, std::nullptr_t) {
  if (stmt_ && sqlite3_bind_null(stmt_, index) != SQLITE_OK) SetError();
  return *this;
}

Statement& Statement::Bind(int index, const QVariant& value) {
  if (value.isNull()) return Bind(index, nullptr);
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
      return Bind(index, static_cast<std::int64_t>(value.toLongLong()));
    case QMetaType::Double:
      return Bind(index, value.toDouble());
    default:
      return Bind(index, value.toString());
  }
}

bool Statement::MayStep() {
  if (!ok()) return false;
  // A statement that changes data outside a transaction asks first; inside
  // one, BEGIN and COMMIT have asked.
  if (owner_ && !sqlite3_stmt_busy(stmt_) && !sqlite3_stmt_readonly(stmt_) &&
      sqlite3_get_autocommit(db_)) {
    if (Result<void> allowed = owner_->WritesAllowed(); !allowed) {
      qCWarning(lcDatabase) << "write refused:" << allowed.error().message << sqlite3_sql(stmt_);
      SetError(std::move(allowed.error()));
      return false;
    }
  }
  return true;
}

bool Statement::Next() {
  if (!MayStep()) return false;
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) SetError();
  return false;
}

Result<void> Statement::Run() {
  if (!MayStep()) return Fail(error_);
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    SetError();
    return Fail(error_);
  }
  return {};
}

void Statement::Reset() {
  // A statement that never prepared stays failed; one that failed in a step
  // or a bind starts clean, so a reused statement costs only the failed row.
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  failed_ = false;
  error_ = Error();
}

int Statement::ColumnCount() const { return stmt_ ? sqlite3_column_count(stmt_) : 0; }

QString Statement::ColumnName(int column) const {
  return stmt_ ? QString::fromUtf8(sqlite3_column_name(stmt_, column)) : QString();
}

bool Statement::IsNull(int column) const {
  return !stmt_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

QString Statement::Text(int column) const {
  if (!stmt_) return {};
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column)) : QString();
}

QByteArrayView Statement::TextBytes(int column) const {
  if (!stmt_) return {};
  // The text first, then its length: the length of the text form.
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? QByteArrayView(text, sqlite3_column_bytes(stmt_, column)) : QByteArrayView();
}

std::int64_t Statement::Int(int column) const {
  return stmt_ ? sqlite3_column_int64(stmt_, column) : 0;
}

double Statement::Double(int column) const {
  return stmt_ ? sqlite3_column_double(stmt_, column) : 0.0;
}

QVariant Statement::Value(int column) const {
  if (!stmt_) return {};
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return QVariant::fromValue<qlonglong>(Int(column));
    case SQLITE_FLOAT:
      return Double(column);
    default:
      return Text(column);
  }
}

// ---- Errors ----

Error DatabaseError(int code, const QString& engine_text, const QString& path) {
  Error e;
  e.code = code & 0xff;
  e.detail = engine_text.isEmpty() ? QString::fromUtf8(sqlite3_errstr(code)) : engine_text;
  if (!path.isEmpty()) e.detail = QDir::toNativeSeparators(path) + QStringLiteral("\n") + e.detail;
  switch (e.code) {
    case SQLITE_FULL:
      e.kind = Error::Kind::kDiskFull;
      e.message = QStringLiteral("磁盘空间已满，无法写入数据库。请清理磁盘空间后再试。");
      break;
    case SQLITE_READONLY:
      e.kind = Error::Kind::kReadOnly;
      e.message = QStringLiteral(
          "数据库文件只读，无法写入。请检查数据库文件及其所在文件夹的写入权限。");
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      e.kind = Error::Kind::kBusy;
      e.message = QStringLiteral("数据库文件正被其他程序使用，请稍后再试。");
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      e.kind = Error::Kind::kCorrupt;
      e.message = DamagedFileText();
      break;
    case SQLITE_CANTOPEN:
      e.kind = Error::Kind::kMissing;
      e.message = QStringLiteral("无法打开数据库文件：文件不存在或无权访问。");
      break;
    case SQLITE_IOERR:
      e.message = QStringLiteral("读写数据库文件时出错，磁盘或文件系统可能有故障。");
      break;
    default:
      e.message = QStringLiteral("数据库操作失败。");
      break;
  }
  return e;
}

QString DamagedFileText() {
  // Also the headline of a refused start: the program then writes nothing.
  return QStringLiteral(
      "数据库文件已损坏，程序不再向其中写入（采集等已停止）。\n"
      "请关闭程序，用备份的副本替换程序文件夹中的 talvec.qzv（同时删除它旁边的 "
      "talvec.qzv-wal 和 talvec.qzv-shm），然后重新启动程序；没有备份时请与软件供应商联系。");
}

// ---- Database ----

Database::~Database() { CloseDatabase(); }

Result<void> Database::Refuse(Error error) {
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  qCWarning(lcDatabase) << "cannot open database:" << error.FullText();
  return talvec::Fail(std::move(error));
}

Error Database::NoteFailure(int code, const QString& engine_text) {
  // A damaged page met by any statement of the open file ends writing.
  if (DatabaseError(code, engine_text).Is(Error::Kind::kCorrupt) && !file_identity_.isEmpty()) {
    RefuseWrites(DatabaseError(code, engine_text, path_));
  }
  return DatabaseError(code, engine_text);
}

void Database::SetDamageHandler(std::function<void(const Error&)> handler) {
  on_damaged_ = std::move(handler);
}

Result<void> Database::RunPlain(const char* sql) {
  if (!db_) return talvec::Fail(Error::Kind::kOther, QStringLiteral("数据库未打开"));
  char* message = nullptr;
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
  if (rc == SQLITE_OK) {
    if (message) sqlite3_free(message);
    return {};
  }
  const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
  if (message) sqlite3_free(message);
  qCWarning(lcDatabase) << sql << "failed:" << text;
  return talvec::Fail(NoteFailure(rc, text));
}

Result<void> Database::OpenDatabase(const QString& path, const QByteArray& password) {
  return Open(path, password, false);
}

Result<void> Database::CreateDatabase(const QString& path, const QByteArray& password) {
  if (QFileInfo::exists(path)) {
    return Refuse(Error{Error::Kind::kOther, QStringLiteral("文件已存在，不能新建数据库。"),
                        QDir::toNativeSeparators(path)});
  }
  return Open(path, password, true);
}

namespace {

// Device and inode of the file at `path`; empty when there is none.
QByteArray FileIdentity(const QString& path) {
#ifdef Q_OS_WIN
  // No inode here: the creation time stands for the file's identity.
  const QFileInfo info(path);
  if (!info.exists()) return {};
  return QByteArray::number(info.birthTime().toMSecsSinceEpoch());
#else
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return QByteArray::number(static_cast<qulonglong>(st.st_dev)) + ':' +
         QByteArray::number(static_cast<qulonglong>(st.st_ino));
#endif
}

}  // namespace

Result<void> Database::Open(const QString& path, const QByteArray& password, bool create) {
  CloseDatabase();

  const QFileInfo info(path);
  const QString where = QDir::toNativeSeparators(info.absoluteFilePath());
  // An error of the open: what is wrong as the headline; the file, what to
  // do and the engine's words below.
  auto error = [&where](Error::Kind kind, const QString& message, const QString& more = QString()) {
    return Error{kind, message, more.isEmpty() ? where : where + QLatin1Char('\n') + more};
  };
  if (!create && !info.exists()) {
    return Refuse(error(Error::Kind::kMissing, QStringLiteral("数据库文件不存在。"),
                        QStringLiteral("请把数据库文件 %1 放回程序文件夹，或重新安装程序。")
                            .arg(QLatin1String(kDatabaseFileName))));
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  const QByteArray native = info.absoluteFilePath().toUtf8();
  int rc = sqlite3_open_v2(native.constData(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) return Refuse(DatabaseError(rc, QString(), info.absoluteFilePath()));
  sqlite3_busy_timeout(db_, kOpenBusyTimeoutMs);
  // SQLite falls back to reading only when the file cannot be opened for
  // writing; such a file would fail at the first write.
  if (sqlite3_db_readonly(db_, "main") == 1) {
    return Refuse(error(Error::Kind::kReadOnly, QStringLiteral("数据库文件只读，无法写入。"),
                        QStringLiteral("请取消文件的只读属性，或让当前用户可以写入它。")));
  }
  const Error log_failure{
      Error::Kind::kReadOnly,
      QStringLiteral("数据库所在的文件夹不能写入，无法创建日志文件 (-wal/-shm)。"),
      QDir::toNativeSeparators(info.absolutePath()) +
          QStringLiteral("\n请让当前用户可以写入这个文件夹。")};
  if (sqlite3_key(db_, password.constData(), password.size()) != SQLITE_OK) {
    return Refuse(error(Error::Kind::kOther, QStringLiteral("无法设置数据库密码。")));
  }

  // The first read proves the password: an encrypted page that does not
  // decrypt is reported as "not a database".
  sqlite3_stmt* probe = nullptr;
  rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(probe);
    if (rc == SQLITE_ROW) rc = SQLITE_OK;
  }
  if (probe) sqlite3_finalize(probe);
  const QString engine = QString::fromUtf8(sqlite3_errmsg(db_));
  switch (rc & 0xff) {
    case SQLITE_OK:
      break;
    case SQLITE_NOTADB:
      return Refuse(error(Error::Kind::kNotDatabase,
                          QStringLiteral("密码错误，或不是本系统的数据库文件。"), engine));
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
      // A file in WAL mode opens its -wal and -shm files at the first read.
      return Refuse(log_failure);
    default:
      return Refuse(DatabaseError(rc, engine, info.absoluteFilePath()));
  }

  if (!create) {
    Statement read = Prepare("PRAGMA user_version");
    if (!read.Next()) {
      const Error failed = read.error();
      return Refuse(DatabaseError(failed.code != 0 ? failed.code : SQLITE_CORRUPT, failed.detail,
                                  info.absoluteFilePath()));
    }
    const QVariant version = read.Value(0);
    read = Statement();
    if (version.toInt() == 0) {
      return Refuse(error(Error::Kind::kNotDatabase, QStringLiteral("不是本系统的数据库文件。")));
    }
    if (version.toInt() > kSchemaVersion) {
      return Refuse(error(
          Error::Kind::kNewerSchema,
          QStringLiteral("数据库文件由更新版本的程序写入（版本 %1），本程序无法使用它。")
              .arg(version.toInt()),
          QStringLiteral("请安装新版本的程序。")));
    }
  }
  // A file in rollback mode switches to WAL here; where the folder does not
  // allow the -wal file, the switch fails or leaves the old mode.
  Statement wal = Prepare("PRAGMA journal_mode=WAL");
  const bool switched = wal.Next() && wal.Text(0).compare(QLatin1String("wal"),
                                                          Qt::CaseInsensitive) == 0;
  const Error wal_error = wal.error();
  wal = Statement();
  if (!switched) {
    if (wal_error.Is(Error::Kind::kBusy)) {
      return Refuse(DatabaseError(wal_error.code, wal_error.detail, info.absoluteFilePath()));
    }
    return Refuse(log_failure);
  }
  if (!RunPlain("PRAGMA synchronous=FULL") || !RunPlain("PRAGMA foreign_keys=ON") ||
      // Decrypted pages are kept: a month's search reads tens of megabytes.
      !RunPlain("PRAGMA cache_size=-65536")) {
    return Refuse(DatabaseError(sqlite3_errcode(db_), QString::fromUtf8(sqlite3_errmsg(db_)),
                                info.absoluteFilePath()));
  }

  path_ = info.absoluteFilePath();
  file_identity_ = FileIdentity(path_);
  SetBusyTimeout(kBusyTimeoutMs);
  return {};
}

void Database::CloseDatabase() {
  if (db_) {
    // The last connection to close copies the write-ahead log into the file
    // and deletes it; a statement still open would keep the connection (and
    // the log) until the process ends.
    if (sqlite3_close(db_) != SQLITE_OK) {
      qCWarning(lcDatabase) << "statements still open at close; the log stays until they end";
      sqlite3_close_v2(db_);
    }
    db_ = nullptr;
  }
  path_.clear();
  file_identity_.clear();
  write_refusal_.reset();
}

void Database::SetBusyTimeout(int ms) {
  if (db_) sqlite3_busy_timeout(db_, ms);
}

Result<void> Database::WritesAllowed() {
  if (!db_) return talvec::Fail(Error::Kind::kOther, QStringLiteral("数据库未打开"));
  if (write_refusal_) return talvec::Fail(*write_refusal_);
  // While the file is being opened there is nothing to compare with yet.
  if (!file_identity_.isEmpty() && FileIdentity(path_) != file_identity_) {
    RefuseWrites(Error{Error::Kind::kReplaced,
                       QStringLiteral("数据库文件已被删除或替换，写入已停止。请重新启动程序。"),
                       QDir::toNativeSeparators(path_)});
    return talvec::Fail(*write_refusal_);
  }
  return {};
}

void Database::RefuseWrites(const Error& error) {
  if (write_refusal_) return;
  write_refusal_ = error;
  qCWarning(lcDatabase) << "writes refused from now on:" << error.FullText();
  // Said once: every later write meets the same refusal without a word.
  if (error.Is(Error::Kind::kCorrupt) && on_damaged_) on_damaged_(error);
}

Statement Database::Prepare(Sql sql) {
  if (!db_) {
    qCWarning(lcDatabase) << "statement on a closed database:" << sql.text();
    return Statement(nullptr, nullptr, nullptr,
                     Error{Error::Kind::kOther, QStringLiteral("数据库未打开"), QString()});
  }
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(db_, sql.text(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    const QString text = QString::fromUtf8(sqlite3_errmsg(db_));
    qCWarning(lcDatabase) << "prepare failed:" << text << sql.text();
    Error error = NoteFailure(rc, text);
    if (stmt) sqlite3_finalize(stmt);
    return Statement(this, db_, nullptr, std::move(error));
  }
  return Statement(this, db_, stmt, Error());
}

int Database::Changes() const { return db_ ? sqlite3_changes(db_) : 0; }

Database::Transaction::Transaction(Database& db) : db_(db) {
  Result<void> begun = db_.WritesAllowed();
  if (begun) {
    // Inside a transaction of the caller: a savepoint of it.
    nested_ = !sqlite3_get_autocommit(db_.db_);
    begun = db_.RunPlain(nested_ ? "SAVEPOINT talvec_nested" : "BEGIN IMMEDIATE");
  }
  active_ = begun.has_value();
  if (!begun) error_ = std::move(begun.error());
}

Database::Transaction::~Transaction() {
  if (active_) Rollback();
}

void Database::Transaction::Rollback() {
  active_ = false;
  if (nested_) {
    (void)db_.RunPlain("ROLLBACK TO talvec_nested");
    (void)db_.RunPlain("RELEASE talvec_nested");
  } else {
    (void)db_.RunPlain("ROLLBACK");
  }
}

Result<void> Database::Transaction::Commit() {
  if (!active_) {
    return talvec::Fail(error_.message.isEmpty()
                            ? Error{Error::Kind::kOther, QStringLiteral("事务未开始"), QString()}
                            : error_);
  }
  Result<void> done = db_.WritesAllowed();
  if (done) done = db_.RunPlain(nested_ ? "RELEASE talvec_nested" : "COMMIT");
  if (done) {
    active_ = false;
    return {};
  }
  // Nothing of it stays.
  Rollback();
  return done;
}

}  // namespace talvec
