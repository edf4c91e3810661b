// Damaged files and write-ahead logs left behind: what the checks find, what
// start-up recovers or refuses, and that a damaged file takes no more writes.
#include "core/database_check.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <optional>
#include <QTemporaryDir>
#include <QTimer>

#include "core/database.h"
#include "core/schema.h"

namespace talvec {
namespace {

class DatabaseCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    Database db;
    ASSERT_TRUE(db.CreateDatabase(Path(), DatabasePassword()));
    ASSERT_TRUE(CreateSchema(db));
    ASSERT_TRUE(InsertDeliveredSettings(db, QDate(2026, 12, 1)));
    Insert(db, 0, 3000);
  }
  QString Path() const { return dir.filePath(QStringLiteral("talvec.qzv")); }
  static void Insert(Database& db, int first, int count) {
    Database::Transaction tx(db);
    for (int i = first; i < first + count; ++i) {
      ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, '2026-12-01', 1)",
                             QStringLiteral("公告标题 %1 的文字").arg(i),
                             QStringLiteral("/a/%1.html").arg(i)));
    }
    ASSERT_TRUE(tx.Commit());
  }
  // Writes in a child process that ends without closing the file, as a
  // killed program does: its write-ahead log stays beside the file.
  // `added` new rows as well, after the last.
  void WriteAndDie(int first, int count, int added = 0) {
    const pid_t pid = fork();
    if (pid == 0) {
      Database db;
      if (!db.OpenDatabase(Path(), DatabasePassword())) _exit(1);
      Database::Transaction tx(db);
      for (int i = first; i < first + count; ++i) {
        db.Execute("UPDATE List SET DZ = ? WHERE ID = ?", QStringLiteral("/b/%1").arg(i), i);
      }
      for (int i = 0; i < added; ++i) {
        db.Execute("INSERT INTO List(MC, DZ) VALUES(?, '/c')", QStringLiteral("后来的 %1").arg(i));
      }
      _exit(tx.Commit() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(LogPath(Path())));
  }
  QByteArray Bytes(const QString& path) const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  // Flips bytes inside a page in the middle of the file.
  void Damage(const QString& path) {
    QByteArray bytes = Bytes(path);
    ASSERT_GT(bytes.size(), 64 * 1024);
    for (int i = 0; i < 64; ++i) {
      bytes[bytes.size() / 2 + i] = static_cast<char>(bytes[bytes.size() / 2 + i] ^ 0x5a);
    }
    Write(path, bytes);
  }
  int Rows() {
    Database db;
    EXPECT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
    return db.Scalar("SELECT count(*) FROM List").toInt();
  }

  QTemporaryDir dir;
};

TEST_F(DatabaseCheck, QuickCheckTellsWholeFromDamaged) {
  EXPECT_TRUE(QuickCheckFile(Path(), DatabasePassword(), false));
  EXPECT_TRUE(QuickCheckFile(Path(), DatabasePassword(), true));
  const QByteArray before = Bytes(Path());
  Damage(Path());
  const QByteArray damaged = Bytes(Path());
  const Result<void> result = QuickCheckFile(Path(), DatabasePassword(), false);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind, Error::Kind::kCorrupt);
  EXPECT_TRUE(result.error().message.startsWith(QStringLiteral("数据库文件已损坏")))
      << result.error().message.toStdString();
  EXPECT_EQ(Bytes(Path()), damaged);  // the check writes nothing
  EXPECT_NE(damaged, before);

  EXPECT_EQ(QuickCheckFile(dir.filePath("none.qzv"), DatabasePassword(), false).error().kind,
            Error::Kind::kMissing);
}

TEST_F(DatabaseCheck, LeftoverLogOfACrashIsKeptAndItsRowsRead) {
  EXPECT_EQ(CheckLeftoverLog(Path(), DatabasePassword()).value_or("?"), QString());  // no log
  WriteAndDie(1, 500);
  const QByteArray log = Bytes(LogPath(Path()));
  EXPECT_EQ(CheckLeftoverLog(Path(), DatabasePassword()).value_or("?"), QString());
  EXPECT_EQ(Bytes(LogPath(Path())), log);
  Database db;
  ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM List WHERE DZ LIKE '/b/%'").toInt(), 500);
}

TEST_F(DatabaseCheck, StaleLogBesideARestoredCopyIsSetAside) {
  const QByteArray copy = Bytes(Path());
  {
    // Later work, copied into the file when it closed ...
    Database db;
    ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
    Insert(db, 3000, 3000);
    ASSERT_TRUE(db.Execute("DELETE FROM List WHERE ID % 3 = 0"));
  }
  // ... then a run killed with its log, and the earlier copy restored.
  WriteAndDie(1, 2000, 1000);
  const QByteArray log = Bytes(LogPath(Path()));
  Write(Path(), copy);
  ASSERT_FALSE(QuickCheckFile(Path(), DatabasePassword(), false));

  const Result<QString> aside = CheckLeftoverLog(Path(), DatabasePassword());
  ASSERT_TRUE(aside) << aside.error().FullText().toStdString();
  ASSERT_FALSE(aside->isEmpty());
  EXPECT_FALSE(QFile::exists(LogPath(Path())));
  EXPECT_EQ(Bytes(*aside), log);  // kept, not deleted
  EXPECT_EQ(Bytes(Path()), copy);
  EXPECT_EQ(Rows(), 3000);  // the copy as it was
  EXPECT_TRUE(QuickCheckFile(Path(), DatabasePassword(), false));
}

TEST_F(DatabaseCheck, DamagedFileWithALogIsRefusedAndLeftAsItWas) {
  WriteAndDie(1, 200);
  // The log holds updates of every other page; the damage sits in the file.
  Damage(Path());
  const QByteArray file = Bytes(Path());
  const QByteArray log = Bytes(LogPath(Path()));
  const Result<QString> result = CheckLeftoverLog(Path(), DatabasePassword());
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind, Error::Kind::kCorrupt);
  EXPECT_EQ(Bytes(Path()), file);
  EXPECT_EQ(Bytes(LogPath(Path())), log);
}

TEST_F(DatabaseCheck, ADamagedPageMetByAStatementStopsWritesAndIsSaidOnce) {
  Damage(Path());
  Database db;
  ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
  QStringList said;
  db.SetDamageHandler([&said](const Error& error) { said << error.message; });
  ASSERT_TRUE(db.WritesAllowed());
  // Every page of the table and of each index that holds its rows is read,
  // wherever the damaged page lies in a later layout.
  Statement table = db.Prepare("SELECT max(DZ) FROM List");
  Statement titles = db.Prepare("SELECT count(*) FROM List INDEXED BY List_MC WHERE MC > ''");
  Statement dates = db.Prepare("SELECT count(*) FROM List INDEXED BY List_SJ WHERE SJ > ''");
  Statement queue = db.Prepare(
      "SELECT count(*) FROM List INDEXED BY List_FactsQueue WHERE LX IN (1, 2, 5, 6, 7, 10) "
      "AND SJ > ''");
  EXPECT_FALSE(table.Next() && titles.Next() && dates.Next() && queue.Next());
  EXPECT_FALSE(db.Execute("UPDATE SysSet SET UIType = 2"));
  EXPECT_FALSE(db.Execute("INSERT INTO Favorites(MC) VALUES('x')"));
  EXPECT_FALSE(Database::Transaction(db).active());
  ASSERT_FALSE(db.WritesAllowed());
  EXPECT_EQ(db.WritesAllowed().error().kind, Error::Kind::kCorrupt);
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said.first().startsWith(QStringLiteral("数据库文件已损坏")));
}

TEST_F(DatabaseCheck, BackgroundCheckAnswersOnTheCallersThread) {
  for (const bool damaged : {false, true}) {
    if (damaged) Damage(Path());
    BackgroundCheck check(Path(), DatabasePassword());
    std::optional<Result<void>> result;
    Qt::HANDLE thread = nullptr;
    check.Start([&](const Result<void>& r, qint64) {
      result = r;
      thread = QThread::currentThreadId();
    });
    EXPECT_TRUE(check.running());
    for (int i = 0; i < 300 && !result; ++i) QTest::qWait(20);
    ASSERT_TRUE(result);
    EXPECT_EQ(thread, QThread::currentThreadId());
    EXPECT_EQ(result->has_value(), !damaged);
    EXPECT_FALSE(check.running());
  }
  // Stopped at once: no answer comes afterwards.
  BackgroundCheck stopped(Path(), DatabasePassword());
  bool answered = false;
  stopped.Start([&](const Result<void>&, qint64) { answered = true; });
  stopped.Stop();
  EXPECT_FALSE(stopped.running());
  QTest::qWait(50);
  EXPECT_FALSE(answered);
}

}  // namespace
}  // namespace talvec
