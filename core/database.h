// The one connection to the encrypted database file, and the only way to run
// SQL on it: statements are compile-time literals, values are always bound.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace talvec {

// SQL text that can only come from a string literal, so no value can ever be
// spliced into a statement.
class Sql {
 public:
  template <std::size_t N>
  consteval Sql(const char (&text)[N]) : text_(text) {}  // NOLINT: implicit on purpose
  const char* text() const { return text_; }

 private:
  const char* text_;
};

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
  Statement(sqlite3* db, sqlite3_stmt* stmt, QString error);
  void SetError();

  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  QString error_;
};

enum class OpenFailure {
  kNone,
  kMissing,       // no file at the path
  kNotDatabase,   // wrong password, or not a database of ours
  kLocked,        // another process holds the file
  kCorrupt,       // the file opens but its pages are damaged
  kNewerSchema,   // written by a newer program
  kOther,
};

class Database {
 public:
  static constexpr int kSchemaVersion = 1;

  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  // Opens an existing file; never creates one. On failure the file is left
  // untouched and failure()/failureText() say why.
  bool OpenDatabase(const QString& path, const QByteArray& password);
  // Creates a new, empty encrypted file (used by the delivery tool and tests).
  bool CreateDatabase(const QString& path, const QByteArray& password);
  void CloseDatabase();
  bool IsOpen() const { return db_ != nullptr; }
  bool FileUnchanged() const { return true; }  // TEMP

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
  QString LastError() const;

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
  bool Open(const QString& path, const QByteArray& password, bool create);
  bool Fail(OpenFailure failure, const QString& text);
  bool RunPlain(const char* sql);

  sqlite3* db_ = nullptr;
  OpenFailure failure_ = OpenFailure::kNone;
  QString failure_text_;
};

// The password the delivered file is keyed with.
QByteArray DatabasePassword();
// File name of the database inside the program folder.
inline constexpr const char* kDatabaseFileName = "talvec.qzv";

}  // namespace talvec
