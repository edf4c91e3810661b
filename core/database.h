// The one connection to the encrypted database file, and the only way to run
// SQL on it: statements are compile-time literals, values are always bound.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace talvec {

// SQL text that can only come from a string literal, so no value can ever be
// spliced into a statement. The constructor reads every character at compile
// time: an array filled at run time (a static char buffer) is no constant and
// does not compile.
class Sql {
 public:
  template <std::size_t N>
  consteval Sql(const char (&text)[N]) : text_(text) {  // NOLINT: implicit on purpose
    for (std::size_t i = 0; i + 1 < N; ++i) {
      if (text[i] == '\0') throw "SQL text holds a NUL before its end";
    }
    if (text[N - 1] != '\0') throw "SQL text must be a string literal";
  }
  const char* text() const { return text_; }

 private:
  const char* text_;
};

class Database;

class Statement {
 public:
  Statement() = default;
  Statement(Statement&&) noexcept;
  Statement& operator=(Statement&&) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  bool ok() const { return stmt_ != nullptr && error_.isEmpty(); }
  const QString& error() const { return error_; }

  // Parameters are numbered from 1, as in SQLite.
  Statement& Bind(int index, const QString& value);
  Statement& Bind(int index, const char* value) { return Bind(index, QString::fromUtf8(value)); }
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
  Statement& Bind(int index, double value);
  Statement& Bind(int index, std::nullptr_t);
  Statement& Bind(int index, const QVariant& value);
  template <typename... Args>
  Statement& BindAll(Args&&... args) {
    int index = 0;
    (Bind(++index, std::forward<Args>(args)), ...);
    return *this;
  }

  // Advances to the next row; false at the end or on an error (see ok()).
  bool Next();
  // Runs a statement that returns no rows; false on an error.
  bool Run();
  void Reset();

  int ColumnCount() const;
  QString ColumnName(int column) const;
  bool IsNull(int column) const;
  QString Text(int column) const;
  std::int64_t Int(int column) const;
  double Double(int column) const;
  QVariant Value(int column) const;

 private:
  friend class Database;
  Statement(Database* owner, sqlite3* db, sqlite3_stmt* stmt, QString error);
  void SetError();

  Database* owner_ = nullptr;  // told of every failure, for LastError()
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  QString error_;
};

enum class OpenFailure {
  kNone,
  kMissing,      // no file at the path
  kNotDatabase,  // wrong password, or not a database of ours
  kLocked,       // another process holds the file
  kCorrupt,      // the file opens but its pages are damaged
  kNewerSchema,  // written by a newer program
  kReadOnly,     // the file, or its folder, cannot be written
  kOther,
};

class Database {
 public:
  // The layout of the file this program writes (PRAGMA user_version); the
  // steps up to it are in core/schema.cpp.
  static constexpr int kSchemaVersion = 6;
  // How long a statement waits for another process's lock: long while the
  // file is opened (a start while another program briefly holds it), short
  // afterwards, so that the UI thread never waits; a write that finds the
  // file busy fails at once (LastErrorIsBusy) and is tried again later.
  static constexpr int kOpenBusyTimeoutMs = 2000;
  static constexpr int kBusyTimeoutMs = 5;

  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  // Opens an existing file; never creates one. On failure the file is left
  // untouched and failure()/failureText() say why. A file that cannot be
  // written, or whose folder does not allow the write-ahead log beside it, is
  // refused here (kReadOnly) rather than failing at the first write.
  bool OpenDatabase(const QString& path, const QByteArray& password);
  // Creates a new, empty encrypted file (used by the delivery tool and tests).
  bool CreateDatabase(const QString& path, const QByteArray& password);
  void CloseDatabase();
  bool IsOpen() const { return db_ != nullptr; }

  OpenFailure failure() const { return failure_; }
  const QString& failureText() const { return failure_text_; }

  Statement Prepare(Sql sql);
  template <typename... Args>
  Statement Query(Sql sql, Args&&... args) {
    Statement st = Prepare(sql);
    st.BindAll(std::forward<Args>(args)...);
    return st;
  }
  template <typename... Args>
  bool Execute(Sql sql, Args&&... args) {
    return Query(sql, std::forward<Args>(args)...).Run();
  }
  // The first column of the first row, or an invalid QVariant.
  template <typename... Args>
  QVariant Scalar(Sql sql, Args&&... args) {
    Statement st = Query(sql, std::forward<Args>(args)...);
    return st.Next() ? st.Value(0) : QVariant();
  }

  std::int64_t LastInsertId() const;
  int Changes() const;

  // The most recent failure on this connection (a statement, BEGIN, COMMIT):
  // its message, and its primary SQLite result code (0 when nothing failed).
  // A later success does not clear it; it is read right after a failure.
  QString LastError() const;
  int LastErrorCode() const { return last_error_code_; }
  // The most recent failure was another connection's lock (SQLITE_BUSY or
  // SQLITE_LOCKED): the write can be tried again soon.
  bool LastErrorIsBusy() const;
  // Replaces the message of the most recent failure by a cause the user can
  // act on; the code stays.
  void SetLastErrorText(const QString& text);

  void SetBusyTimeout(int ms);

  // Whether the path opened still names the same file (device and inode as
  // at open); false once it was deleted or replaced, or when not open.
  bool FileUnchanged() const;

  // BEGIN IMMEDIATE ... COMMIT; rolls back when destroyed uncommitted.
  class Transaction {
   public:
    explicit Transaction(Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    bool active() const { return active_; }
    bool Commit();

   private:
    Database& db_;
    bool active_ = false;
  };

 private:
  friend class Statement;
  bool Open(const QString& path, const QByteArray& password, bool create);
  bool Fail(OpenFailure failure, const QString& text);
  // Runs a statement without parameters or rows; a failure is logged and
  // kept for LastError() unless `keep_error` is false (a ROLLBACK after a
  // failure must not hide its cause).
  bool RunPlain(const char* sql, bool keep_error = true);
  void RecordError(int code, const QString& message);

  sqlite3* db_ = nullptr;
  OpenFailure failure_ = OpenFailure::kNone;
  QString failure_text_;
  QString last_error_;
  int last_error_code_ = 0;
  QString path_;              // absolute path of the open file
  QByteArray file_identity_;  // device and inode taken at open
};

// The password the delivered file is keyed with.
QByteArray DatabasePassword();
// File name of the database inside the program folder.
inline constexpr const char* kDatabaseFileName = "talvec.qzv";

}  // namespace talvec
