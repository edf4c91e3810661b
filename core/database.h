// The one connection to the encrypted database file, and the only way to run
// SQL on it: statements are compile-time literals, values are always bound.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "core/error.h"

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

  bool ok() const { return stmt_ != nullptr && !failed_; }
  // Why the statement failed (prepare, bind, step, or a refused write);
  // meaningful only when !ok().
  const Error& error() const { return error_; }

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
  // Runs a statement that returns no rows.
  Result<void> Run();
  // Ready to run again, bindings cleared and the failure of the last run
  // forgotten (a statement that did not prepare stays failed).
  void Reset();

  int ColumnCount() const;
  QString ColumnName(int column) const;
  bool IsNull(int column) const;
  QString Text(int column) const;
  // The column's UTF-8 bytes without a copy, as Text reads them: valid until
  // the statement steps, resets or ends; a null view for NULL.
  QByteArrayView TextBytes(int column) const;
  std::int64_t Int(int column) const;
  double Double(int column) const;
  QVariant Value(int column) const;

 private:
  friend class Database;
  Statement(Database* owner, sqlite3* db, sqlite3_stmt* stmt, Error error);
  // Keeps the first failure of a run: SQLite's, from the connection.
  void SetError();
  void SetError(Error error);
  // Whether the next step may run: the statement is sound, and a write is
  // allowed where it would write.
  bool MayStep();

  Database* owner_ = nullptr;  // told of every failure (a damaged file)
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  Error error_;
  bool failed_ = false;
};

class Database {
 public:
  // The layout of the file this program writes (PRAGMA user_version); the
  // steps up to it are in core/schema.cpp.
  static constexpr int kSchemaVersion = 8;
  // How long a statement waits for another process's lock: long while the
  // file is opened (a start while another program briefly holds it), short
  // afterwards, so that the UI thread never waits; a write that finds the
  // file busy fails at once (Error::Kind::kBusy) and is tried again later.
  static constexpr int kOpenBusyTimeoutMs = 2000;
  static constexpr int kBusyTimeoutMs = 5;

  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  // Opens an existing file; never creates one. On failure the file is left
  // untouched and the error says what is wrong (kMissing, kNotDatabase,
  // kBusy, kCorrupt, kNewerSchema, kReadOnly, kOther): its message is the
  // headline for the user, its detail names the file and what to do. A file
  // that cannot be written, or whose folder does not allow the write-ahead
  // log beside it, is refused here (kReadOnly) rather than failing at the
  // first write.
  Result<void> OpenDatabase(const QString& path, const QByteArray& password);
  // Creates a new, empty encrypted file (used by the delivery tool and tests).
  Result<void> CreateDatabase(const QString& path, const QByteArray& password);
  // Closes the file; the last connection to close copies the write-ahead
  // log into the file and deletes it.
  void CloseDatabase();
  bool IsOpen() const { return db_ != nullptr; }

  Statement Prepare(Sql sql);
  template <typename... Args>
  Statement Query(Sql sql, Args&&... args) {
    Statement st = Prepare(sql);
    st.BindAll(std::forward<Args>(args)...);
    return st;
  }
  template <typename... Args>
  Result<void> Execute(Sql sql, Args&&... args) {
    return Query(sql, std::forward<Args>(args)...).Run();
  }
  // The first column of the first row, or an invalid QVariant.
  template <typename... Args>
  QVariant Scalar(Sql sql, Args&&... args) {
    Statement st = Query(sql, std::forward<Args>(args)...);
    return st.Next() ? st.Value(0) : QVariant();
  }

  // Rows changed by the last statement that wrote.
  int Changes() const;

  void SetBusyTimeout(int ms);

  // Called once, when the open file is first found damaged (by a statement
  // or by RefuseWrites with a kCorrupt error); writes are refused from then on.
  void SetDamageHandler(std::function<void(const Error&)> handler);

  // Whether a write may go to the file. Every write path asks here first (a
  // statement that changes data outside a transaction, BEGIN and COMMIT of
  // a Transaction), so nothing is written into a file that was deleted or
  // replaced since it was opened (device and inode as at open) or that was
  // found damaged. A refusal holds until the file is opened again.
  Result<void> WritesAllowed();
  // From now on every write is refused with `error` (kind kCorrupt for a
  // damaged file).
  void RefuseWrites(const Error& error);

  // BEGIN IMMEDIATE ... COMMIT; rolls back when destroyed uncommitted.
  // Inside another transaction it is a savepoint of it: its statements
  // stand or fall together, and with the outer transaction.
  class Transaction {
   public:
    explicit Transaction(Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    bool active() const { return active_; }
    // Why it did not begin (kBusy: another program holds the lock).
    const Error& error() const { return error_; }
    // On failure everything is rolled back.
    Result<void> Commit();

   private:
    void Rollback();

    Database& db_;
    bool active_ = false;
    bool nested_ = false;
    Error error_;
  };

 private:
  friend class Statement;
  Result<void> Open(const QString& path, const QByteArray& password, bool create);
  // Ends a failed open: the connection closes, the file stays as it was.
  Result<void> Refuse(Error error);
  // Runs a statement without parameters or rows; a failure is logged.
  Result<void> RunPlain(const char* sql);
  // The error of a failed SQLite call; a damaged file refuses writes from
  // now on.
  Error NoteFailure(int code, const QString& engine_text);

  sqlite3* db_ = nullptr;
  QString path_;              // absolute path of the open file
  QByteArray file_identity_;  // device and inode taken at open
  std::optional<Error> write_refusal_;
  std::function<void(const Error&)> on_damaged_;
};

// The error of a failed SQLite call (`code` its result code): the common
// causes (disk full, read-only, locked, damaged, missing) in the user's
// words, the engine's own text, after the file's path when one is given, as
// the detail.
Error DatabaseError(int code, const QString& engine_text, const QString& path = QString());
// What a damaged file means for the user, and what to do.
QString DamagedFileText();

// The password the delivered file is keyed with.
QByteArray DatabasePassword();
// File name of the database inside the program folder.
inline constexpr const char* kDatabaseFileName = "talvec.qzv";

}  // namespace talvec
