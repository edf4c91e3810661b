#include "core/database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

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
    EXPECT_EQ(wrong.OpenDatabase(path, "not-the-password").error().kind,
              Error::Kind::kNotDatabase);

    Database right;
    const Result<void> opened = right.OpenDatabase(path, DatabasePassword());
    ASSERT_TRUE(opened) << opened.error().FullText().toStdString();
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
  qint64 last_id = 0;
  for (const QString& title : titles) {
    ASSERT_TRUE(db.Execute("Insert into List(MC,DZ,SJ,lx) values(?,?,?,?)", title, "/x.html",
                           "2016-03-25", 4));
    const qint64 id = db.Scalar("Select ID from List where MC=?", title).toLongLong();
    EXPECT_GT(id, last_id);
    last_id = id;
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
    // Busy: another program holds the lock, said in the user's words with
    // the engine's text below.
    EXPECT_EQ(tx.error().kind, Error::Kind::kBusy);
    EXPECT_EQ(tx.error().code, 5);  // SQLITE_BUSY
    EXPECT_EQ(tx.error().message, QStringLiteral("数据库文件正被其他程序使用，请稍后再试。"));
    EXPECT_TRUE(tx.error().detail.contains(QLatin1String("locked")));
    EXPECT_EQ(tx.Commit().error().kind, Error::Kind::kBusy);
  }
  // The short busy timeout, not the two seconds of the open (a loose bound:
  // the machine is shared).
  EXPECT_LT(clock.elapsed(), 1000);
  const Result<void> write = db.Execute("Insert into List(MC) values(?)", "now");
  ASSERT_FALSE(write);
  EXPECT_EQ(write.error().kind, Error::Kind::kBusy);

  // Once the other program lets go, the write goes through.
  ASSERT_TRUE(other.Execute("COMMIT"));
  Database::Transaction tx(db);
  EXPECT_TRUE(tx.active());
  EXPECT_TRUE(db.Execute("Insert into List(MC) values(?)", "later"));
  EXPECT_TRUE(tx.Commit());
}

TEST(Database, WritesStopOnceTheFileIsDeletedOrReplaced) {
  for (const bool replace : {false, true}) {
    TempDatabase temp;
    Database& db = temp.db();
    ASSERT_TRUE(db.WritesAllowed());
    ASSERT_TRUE(db.Execute("Insert into List(MC) values(?)", "before"));
    auto begun = std::make_unique<Database::Transaction>(db);
    ASSERT_TRUE(begun->active());
    ASSERT_TRUE(db.Execute("Insert into List(MC) values(?)", "in the transaction"));
    if (replace) {
      // Another database file moved over the path.
      const QString other = temp.path() + QStringLiteral(".new");
      Database db2;
      ASSERT_TRUE(db2.CreateDatabase(other, DatabasePassword()));
      ASSERT_TRUE(CreateSchema(db2));
      db2.CloseDatabase();
      ASSERT_EQ(std::rename(QFile::encodeName(other).constData(),
                            QFile::encodeName(temp.path()).constData()),
                0);
    } else {
      ASSERT_TRUE(QFile::remove(temp.path()));
    }
    // Every write path refuses, and says why.
    const Result<void> committed = begun->Commit();
    ASSERT_FALSE(committed);
    EXPECT_TRUE(committed.error().message.contains(QStringLiteral("已被删除或替换"))) << replace;
    const Result<void> written = db.Execute("Insert into List(MC) values(?)", "after");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, Error::Kind::kReplaced);
    EXPECT_EQ(Database::Transaction(db).error().kind, Error::Kind::kReplaced);
    const Result<void> allowed = db.WritesAllowed();
    ASSERT_FALSE(allowed);
    EXPECT_EQ(allowed.error().kind, Error::Kind::kReplaced);
    // Reading goes on.
    EXPECT_EQ(db.Scalar("Select count(*) from List").toInt(), 1);
    begun.reset();

    if (replace) {
      // The file now at the path, once opened, takes writes again.
      ASSERT_TRUE(db.OpenDatabase(temp.path(), DatabasePassword()));
      EXPECT_TRUE(db.WritesAllowed());
      EXPECT_TRUE(db.Execute("Insert into List(MC) values(?)", "new file"));
    }
  }
}

TEST(Database, BadStatementsFailWithoutCrashing) {
  TempDatabase temp;
  Statement st = temp.db().Prepare("Select nothing from nowhere");
  EXPECT_FALSE(st.ok());
  EXPECT_FALSE(st.Next());
  EXPECT_FALSE(st.Run());
  EXPECT_FALSE(st.error().detail.isEmpty());

  Database closed;
  EXPECT_FALSE(closed.Execute("Select 1"));
  closed.CloseDatabase();  // closing twice, or when never opened, is harmless
  closed.CloseDatabase();
}

TEST(Database, CommonCausesAreSaidInChineseWithTheEnginesTextBelow) {
  TempDatabase temp;
  Database& db = temp.db();
  // Two met for real: a full disk (the file may not grow) and a file that
  // may not be written.
  ASSERT_TRUE(db.Execute("PRAGMA max_page_count = 1"));  // kept at the file's size: no growth
  const Result<void> full =
      db.Execute("INSERT INTO List(MC) VALUES(?)", QString(64 * 1024, QLatin1Char('x')));
  ASSERT_FALSE(full);
  EXPECT_EQ(full.error().kind, Error::Kind::kDiskFull);
  EXPECT_EQ(full.error().message,
            QStringLiteral("磁盘空间已满，无法写入数据库。请清理磁盘空间后再试。"));
  EXPECT_TRUE(full.error().detail.contains(QLatin1String("full")))
      << full.error().FullText().toStdString();
  ASSERT_TRUE(db.Execute("PRAGMA query_only = 1"));
  const Result<void> read_only = db.Execute("UPDATE SysSet SET UIType = 2");
  ASSERT_FALSE(read_only);
  EXPECT_EQ(read_only.error().kind, Error::Kind::kReadOnly);
  EXPECT_TRUE(read_only.error().message.startsWith(QStringLiteral("数据库文件只读")));
  EXPECT_TRUE(read_only.error().detail.contains(QLatin1String("readonly")));

  // The rest by their codes (extended codes read by their primary one).
  struct Case {
    int code;
    Error::Kind kind;
    const char* starts;
  } cases[] = {
      {5, Error::Kind::kBusy, "数据库文件正被其他程序使用"},            // SQLITE_BUSY
      {6, Error::Kind::kBusy, "数据库文件正被其他程序使用"},            // SQLITE_LOCKED
      {11, Error::Kind::kCorrupt, "数据库文件已损坏"},                 // SQLITE_CORRUPT
      {26, Error::Kind::kCorrupt, "数据库文件已损坏"},                 // SQLITE_NOTADB
      {14, Error::Kind::kMissing, "无法打开数据库文件"},               // SQLITE_CANTOPEN
      {13 | (1 << 8), Error::Kind::kDiskFull, "磁盘空间已满"},         // extended SQLITE_FULL
      {10 | (4 << 8), Error::Kind::kOther, "读写数据库文件时出错"},    // SQLITE_IOERR_SHORT_READ
  };
  for (const Case& c : cases) {
    const Error e =
        DatabaseError(c.code, QStringLiteral("engine words"), QStringLiteral("/x/f.qzv"));
    EXPECT_EQ(e.kind, c.kind) << c.code;
    EXPECT_TRUE(e.message.startsWith(QString::fromUtf8(c.starts))) << c.code;
    EXPECT_EQ(e.detail, QDir::toNativeSeparators(QStringLiteral("/x/f.qzv")) +
                            QStringLiteral("\nengine words"))
        << c.code;
  }
}

TEST(Database, AResetStatementStartsClean) {
  TempDatabase temp;
  Database& db = temp.db();
  ASSERT_TRUE(db.Execute("Insert into List(MC) values(?)", "已有"));
  Statement insert = db.Prepare("Insert into List(MC) values(?)");
  QStringList results;
  for (const char* title : {"甲", "已有", "乙"}) {  // the second breaks the unique title
    insert.Reset();
    results << (insert.BindAll(title).Run() ? "ok" : "failed");
  }
  EXPECT_EQ(results, QStringList({"ok", "failed", "ok"}));
  EXPECT_EQ(db.Scalar("Select count(*) from List").toInt(), 3);

  // A statement that never prepared stays failed.
  Statement bad = db.Prepare("Select nothing from nowhere");
  bad.Reset();
  EXPECT_FALSE(bad.ok());
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
  const Result<void> opened = db.OpenDatabase(Path(), DatabasePassword());
  ASSERT_FALSE(opened);
  EXPECT_EQ(opened.error().kind, Error::Kind::kMissing);
  // What is wrong in the headline; the file and what to do below.
  EXPECT_EQ(opened.error().message, QStringLiteral("数据库文件不存在。"));
  EXPECT_TRUE(opened.error().detail.contains(QDir::toNativeSeparators(Path())));
  EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(OpenFailures, GarbageAndEmptyFilesAreLeftUntouched) {
  for (const QByteArray& content : {QByteArray(8192, 'x'), QByteArray()}) {
    Write(content);
    Database db;
    EXPECT_EQ(db.OpenDatabase(Path(), DatabasePassword()).error().kind,
              Error::Kind::kNotDatabase);
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
  EXPECT_EQ(db.OpenDatabase(Path(), DatabasePassword()).error().kind, Error::Kind::kNewerSchema);
}

TEST_F(OpenFailures, FileHeldExclusivelyByAnotherConnectionIsLocked) {
  Database holder;
  ASSERT_TRUE(holder.CreateDatabase(Path(), DatabasePassword()));
  ASSERT_TRUE(CreateSchema(holder));
  ASSERT_TRUE(holder.Execute("PRAGMA locking_mode=EXCLUSIVE"));
  ASSERT_TRUE(holder.Execute("Insert into List(MC) values(?)", "held"));
  Database db;
  const Result<void> opened = db.OpenDatabase(Path(), DatabasePassword());
  ASSERT_FALSE(opened);
  EXPECT_EQ(opened.error().kind, Error::Kind::kBusy) << opened.error().FullText().toStdString();
}

// Opens `path` in a child process that runs as an ordinary user (root writes
// any file), and returns what it met: "" when the file opened, else the
// headline of the error.
QString OpenAsUser(const QString& path) {
  int out[2];
  if (pipe(out) != 0) return QStringLiteral("no pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    Database db;
    const Result<void> opened = db.OpenDatabase(path, DatabasePassword());
    const QByteArray said = opened ? QByteArray() : opened.error().message.toUtf8();
    _exit(write(out[1], said.constData(), said.size()) == said.size() ? 0 : 1);
  }
  close(out[1]);
  QByteArray said;
  char buffer[512];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) said.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(said)
                                                        : QStringLiteral("child failed");
}

TEST_F(OpenFailures, FileOrFolderThatCannotBeWrittenIsRefusedAtOpen) {
  const char* file_read_only = "数据库文件只读，无法写入。";
  const char* folder_read_only = "数据库所在的文件夹不能写入，无法创建日志文件 (-wal/-shm)。";
  struct Case {
    mode_t folder, file;
    bool wal;  // the file in WAL mode, as the program leaves it; else as delivered
    const char* headline;
  } cases[] = {
      {0777, 0666, true, ""},  // the child can open a file it may write
      {0777, 0444, true, file_read_only},
      {0777, 0444, false, file_read_only},
      {0555, 0666, true, folder_read_only},  // no -wal/-shm beside it
      {0555, 0666, false, folder_read_only},
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
    EXPECT_EQ(OpenAsUser(Path()), QString::fromUtf8(c.headline))
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
    ASSERT_TRUE(db.OpenDatabase(Path(), DatabasePassword()));
    EXPECT_EQ(db.Scalar("PRAGMA user_version").toInt(), 1);
    const Result<void> migrated = Migrate(db);
    ASSERT_TRUE(migrated) << migrated.error().FullText().toStdString();
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
  const Result<void> migrated = Migrate(db);
  ASSERT_FALSE(migrated);
  EXPECT_TRUE(migrated.error().message.contains(QStringLiteral("重复的公告标题")))
      << migrated.error().FullText().toStdString();
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
