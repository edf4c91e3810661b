#include "core/database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "core/schema.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using test_support::TempDatabase;

TEST(Database, FileIsEncryptedAndNeedsThePassword) {
  QString path;
  {
    TempDatabase temp;
    path = temp.path();
    ASSERT_TRUE(temp.db().Execute("INSERT INTO List(MC,DZ,SJ,lx) VALUES(?,?,?,?)",
                                  "成都市政府采购公告", "/a/1.html", "2016-03-25", 1));
    temp.db().CloseDatabase();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_FALSE(content.startsWith("SQLite format 3"));
    EXPECT_FALSE(content.contains(QStringLiteral("成都市政府采购公告").toUtf8()));

    Database wrong;
    EXPECT_FALSE(wrong.OpenDatabase(path, "not-the-password"));
    EXPECT_EQ(wrong.failure(), OpenFailure::kNotDatabase);

    Database right;
    ASSERT_TRUE(right.OpenDatabase(path, DatabasePassword())) << right.failureText().toStdString();
    EXPECT_EQ(right.Scalar("SELECT MC FROM List").toString(), QStringLiteral("成都市政府采购公告"));
    EXPECT_EQ(right.Scalar("SELECT count(*) FROM SysSet").toInt(), 1);
    EXPECT_EQ(right.Scalar("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    EXPECT_EQ(right.Scalar("PRAGMA synchronous").toInt(), 2);  // FULL
  }
}

TEST(Database, DatesIdsAndVerbatimText) {
  TempDatabase temp;
  Database& db = temp.db();
  const QStringList titles = {QStringLiteral("O'Brien's 'quoted' title"),
                              QStringLiteral("x'); DROP TABLE List; --"),
                              QStringLiteral("\"双引号\" 与 ‘弯引号’")};
  std::int64_t last_id = 0;
  for (const QString& title : titles) {
    ASSERT_TRUE(db.Execute("Insert into List(MC,DZ,SJ,lx) values(?,?,?,?)", title, "/x.html",
                           "2016-03-25", 4));
    EXPECT_GT(db.LastInsertId(), last_id);
    last_id = db.LastInsertId();
  }
  ASSERT_TRUE(db.Execute("Insert into List(MC,DZ,SJ,lx) values(?,?,?,?)", "next day", "/y",
                         "2016-03-26", 4));

  Statement day = db.Query("Select MC from List where SJ=? order by ID", "2016-03-25");
  QStringList found;
  while (day.Next()) found << day.Text(0);
  EXPECT_EQ(found, titles);

  EXPECT_EQ(
      db.Scalar("Select count(*) from List where SJ >= ? and sj <= ?", "2016-03-01", "2016-03-31")
          .toInt(),
      4);
  EXPECT_EQ(db.Scalar("Select count(*) from list where mc=?", titles[1]).toInt(), 1);
}

TEST(Database, TransactionRollsBackWhenNotCommitted) {
  TempDatabase temp;
  Database& db = temp.db();
  {
    Database::Transaction tx(db);
    ASSERT_TRUE(tx.active());
    db.Execute("Insert into List(MC) values(?)", "lost");
  }
  EXPECT_EQ(db.Scalar("Select count(*) from List").toInt(), 0);
  {
    Database::Transaction tx(db);
    db.Execute("Insert into List(MC) values(?)", "kept");
    EXPECT_TRUE(tx.Commit());
  }
  EXPECT_EQ(db.Scalar("Select count(*) from List").toInt(), 1);
  // The title index refuses a second row of the same title.
  EXPECT_FALSE(db.Execute("Insert into List(MC) values(?)", "kept"));
  EXPECT_EQ(db.Scalar("Select count(*) from List").toInt(), 1);
}

TEST(Database, FailedBeginKeepsItsCauseAndDoesNotWaitLong) {
  TempDatabase temp;
  Database& db = temp.db();
  Database other;  // another program holding the write lock
  ASSERT_TRUE(other.OpenDatabase(temp.path(), DatabasePassword()));
  ASSERT_TRUE(other.Execute("BEGIN EXCLUSIVE"));

  QElapsedTimer clock;
  clock.start();
  {
    Database::Transaction tx(db);
    EXPECT_FALSE(tx.active());
  }
  // The short busy timeout, not the two seconds of the open (a loose bound:
  // the machine is shared).
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_TRUE(db.LastErrorIsBusy());
  EXPECT_EQ(db.LastErrorCode(), 5);  // SQLITE_BUSY
  EXPECT_TRUE(db.LastError().contains(QLatin1String("locked"))) << db.LastError().toStdString();

  // Once the other program lets go, the write goes through.
  ASSERT_TRUE(other.Execute("COMMIT"));
  Database::Transaction tx(db);
  EXPECT_TRUE(tx.active());
  EXPECT_TRUE(db.Execute("Insert into List(MC) values(?)", "later"));
  EXPECT_TRUE(tx.Commit());
}

TEST(Database, FileUnchangedUntilDeletedOrReplaced) {
  TempDatabase temp;
  Database& db = temp.db();
  EXPECT_TRUE(db.FileUnchanged());
  // Another database file moved over the path.
  const QString other = temp.path() + QStringLiteral(".new");
  {
    Database db2;
    ASSERT_TRUE(db2.CreateDatabase(other, DatabasePassword()));
    ASSERT_TRUE(CreateSchema(db2));
  }
  ASSERT_EQ(
      std::rename(QFile::encodeName(other).constData(), QFile::encodeName(temp.path()).constData()),
      0);
  EXPECT_FALSE(db.FileUnchanged());

  ASSERT_TRUE(db.OpenDatabase(temp.path(), DatabasePassword()));
  EXPECT_TRUE(db.FileUnchanged());
  ASSERT_TRUE(QFile::remove(temp.path()));
  EXPECT_FALSE(db.FileUnchanged());
  db.CloseDatabase();
  EXPECT_FALSE(db.FileUnchanged());
}

TEST(Database, BadStatementsFailWithoutCrashing) {
  TempDatabase temp;
  Statement st = temp.db().Prepare("Select nothing from nowhere");
  EXPECT_FALSE(st.ok());
  EXPECT_FALSE(st.Next());
  EXPECT_FALSE(st.Run());
  EXPECT_FALSE(st.error().isEmpty());

  Database closed;
  EXPECT_FALSE(closed.Execute("Select 1"));
  closed.CloseDatabase();  // closing twice, or when never opened, is harmless
  closed.CloseDatabase();
}

class OpenFailures : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString Path() const { return dir.filePath(QStringLiteral("talvec.qzv")); }
  void Write(const QByteArray& bytes) {
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Read() {
    QFile f(Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(OpenFailures, MissingFileIsNotCreated) {
  Database db;
  EXPECT_FALSE(db.OpenDatabase(Path(), DatabasePassword()));
  EXPECT_EQ(db.failure(), OpenFailure::kMissing);
  EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(OpenFailures, GarbageAndEmptyFilesAreLeftUntouched) {
  for (const QByteArray& content : {QByteArray(8192, 'x'), QByteArray()}) {
    Write(content);
    Database db;
    EXPECT_FALSE(db.OpenDatabase(Path(), DatabasePassword()));
    EXPECT_EQ(db.failure(), OpenFailure::kNotDatabase);
    EXPECT_EQ(Read(), content);
  }
}

TEST_F(OpenFailures, DamagedFirstPageIsRefused) {
  {
    Database db;
    ASSERT_TRUE(db.CreateDatabase(Path(), DatabasePassword()));
    ASSERT_TRUE(CreateSchema(db));
    db.Execute("PRAGMA journal_mode=DELETE");
  }
  QByteArray bytes = Read();
  ASSERT_GT(bytes.size(), 4096);
  for (int i = 100; i < 200; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
  Write(bytes);
  Database db;
  EXPECT_FALSE(db.OpenDatabase(Path(), DatabasePassword()));
  EXPECT_NE(db.failure(), OpenFailure::kNone);
  EXPECT_EQ(Read(), bytes);
}

TEST_F(OpenFailures, NewerSchemaIsRefused) {
  {
    Database db;
    ASSERT_TRUE(db.CreateDatabase(Path(), DatabasePassword()));
    ASSERT_TRUE(CreateSchema(db));
    ASSERT_TRUE(db.Execute("PRAGMA user_version=99"));
  }
  Database db;
  EXPECT_FALSE(db.OpenDatabase(Path(), DatabasePassword()));
  EXPECT_EQ(db.failure(), OpenFailure::kNewerSchema);
}

TEST_F(OpenFailures, FileHeldExclusivelyByAnotherConnectionIsLocked) {
  Database holder;
  ASSERT_TRUE(holder.CreateDatabase(Path(), DatabasePassword()));
  ASSERT_TRUE(CreateSchema(holder));
  ASSERT_TRUE(holder.Execute("PRAGMA locking_mode=EXCLUSIVE"));
  ASSERT_TRUE(holder.Execute("Insert into List(MC) values(?)", "held"));
  Database db;
  EXPECT_FALSE(db.OpenDatabase(Path(), DatabasePassword()));
  EXPECT_EQ(db.failure(), OpenFailure::kLocked) << db.failureText().toStdString();
}

// Opens `path` in a child process that runs as an ordinary user (root writes
// any file), and returns the OpenFailure it met.
int OpenFailureAsUser(const QString& path) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    Database db;
    db.OpenDatabase(path, DatabasePassword());
    _exit(static_cast<int>(db.failure()));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(OpenFailures, FileOrFolderThatCannotBeWrittenIsRefusedAtOpen) {
  struct Case {
    mode_t folder, file;
    bool wal;  // the file in WAL mode, as the program leaves it; else as delivered
    OpenFailure expected;
  } cases[] = {
      {0777, 0666, true, OpenFailure::kNone},  // the child can open a file it may write
      {0777, 0444, true, OpenFailure::kReadOnly},  {0777, 0444, false, OpenFailure::kReadOnly},
      {0555, 0666, true, OpenFailure::kReadOnly},  // no -wal/-shm beside it
      {0555, 0666, false, OpenFailure::kReadOnly},
  };
  for (const Case& c : cases) {
    QFile::remove(Path());
    chmod(QFile::encodeName(dir.path()).constData(), 0777);
    {
      Database db;
      ASSERT_TRUE(db.CreateDatabase(Path(), DatabasePassword()));
      ASSERT_TRUE(CreateSchema(db));
      if (!c.wal) {
        ASSERT_TRUE(db.Execute("PRAGMA journal_mode=DELETE"));
      }
    }
    const QByteArray before = Read();
    chmod(QFile::encodeName(Path()).constData(), c.file);
    chmod(QFile::encodeName(dir.path()).constData(), c.folder);
    EXPECT_EQ(OpenFailureAsUser(Path()), static_cast<int>(c.expected))
        << std::oct << c.folder << " " << c.file << " wal " << c.wal;
    chmod(QFile::encodeName(dir.path()).constData(), 0777);
    EXPECT_EQ(Read(), before);
  }
  chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

class Migration : public OpenFailures {
 protected:
  // A file of layout 1 holding `titles`, closed again.
  void WriteVersion1(const QStringList& titles, bool with_title_index) {
    Database db;
    ASSERT_TRUE(db.CreateDatabase(Path(), DatabasePassword()));
    ASSERT_TRUE(CreateSchema(db, 1));
    ASSERT_TRUE(InsertDeliveredSettings(db, QDate(2026, 3, 1)));
    if (with_title_index) {
      ASSERT_TRUE(db.Execute("CREATE UNIQUE INDEX List_MC ON List(MC)"));
    }
    for (const QString& title : titles)
      ASSERT_TRUE(db.Execute("Insert into List(MC) values(?)", title));
  }
  static int Objects(Database& db) {
    return db.Scalar("SELECT count(*) FROM sqlite_master").toInt();
  }
};

TEST_F(Migration, Version1FileGetsTheIndexesAndTheCycleLog) {
  for (bool with_title_index : {false, true}) {
    QFile::remove(Path());
    WriteVersion1({QStringLiteral("甲"), QStringLiteral("乙")}, with_title_index);
    Database db;
    ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword())) << db.failureText().toStdString();
    EXPECT_EQ(db.Scalar("PRAGMA user_version").toInt(), 1);
    ASSERT_TRUE(Migrate(db)) << db.LastError().toStdString();
    EXPECT_EQ(db.Scalar("PRAGMA user_version").toInt(), Database::kSchemaVersion);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM sqlite_master WHERE type='index' AND name IN "
                        "('List_MC','List_SJ','List_Queue','Favorites_MC','Attention_MC',"
                        "'Attention_SJ','GYS_GYS','GYS_MC')")
                  .toInt(),
              8);
    EXPECT_FALSE(db.Execute("Insert into List(MC) values(?)", "甲"));  // the title is unique now
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM List").toInt(), 2);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM SysSet").toInt(), 1);

    // The cycle log keeps one row, the last cycle's.
    EXPECT_FALSE(ReadLastCycle(db).has_value());
    ASSERT_TRUE(WriteLastCycle(db, QStringLiteral("2026-03-10 12:00:00"), 7));
    ASSERT_TRUE(WriteLastCycle(db, QStringLiteral("2026-03-10 12:10:05"), 0));
    EXPECT_EQ(ReadLastCycle(db), std::make_pair(QStringLiteral("2026-03-10 12:10:05"), 0));
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM CycleLog").toInt(), 1);

    const int objects = Objects(db);
    EXPECT_TRUE(Migrate(db));  // at the layout already: nothing to do
    EXPECT_EQ(Objects(db), objects);
  }
}

TEST_F(Migration, DuplicateTitlesRefuseTheMigrationAndLeaveTheFile) {
  WriteVersion1({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("甲")}, false);
  Database db;
  ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
  const int objects = Objects(db);
  EXPECT_FALSE(Migrate(db));
  EXPECT_TRUE(db.LastError().contains(QStringLiteral("重复的公告标题")))
      << db.LastError().toStdString();
  EXPECT_EQ(db.Scalar("PRAGMA user_version").toInt(), 1);
  EXPECT_EQ(Objects(db), objects);
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM List").toInt(), 3);
  // A step out of order is refused as well.
  EXPECT_FALSE(MigrateTo(db, 1));
  db.CloseDatabase();

  ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
  EXPECT_EQ(db.Scalar("PRAGMA user_version").toInt(), 1);
  EXPECT_EQ(Objects(db), objects);
}

}  // namespace
}  // namespace talvec
