#include "core/database.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/schema.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

using testing::TempDatabase;

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
    ASSERT_TRUE(db.Execute("Insert into List(MC,DZ,SJ,lx) values(?,?,?,?)", title,
                           "/x.html", "2016-03-25", 4));
    EXPECT_GT(db.LastInsertId(), last_id);
    last_id = db.LastInsertId();
  }
  ASSERT_TRUE(db.Execute("Insert into List(MC,DZ,SJ,lx) values(?,?,?,?)", "next day", "/y",
                         "2016-03-26", 4));

  Statement day = db.Query("Select MC from List where SJ=? order by ID", "2016-03-25");
  QStringList found;
  while (day.Next()) found << day.Text(0);
  EXPECT_EQ(found, titles);

  EXPECT_EQ(db.Scalar("Select count(*) from List where SJ >= ? and sj <= ?", "2016-03-01",
                      "2016-03-31").toInt(), 4);
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

TEST(Database, MissingIndexesAreAddedAgain) {
  TempDatabase temp;
  Database& db = temp.db();
  ASSERT_TRUE(db.Execute("DROP INDEX List_Queue"));
  ASSERT_TRUE(EnsureIndexes(db));
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM sqlite_master WHERE name=?", "List_Queue").toInt(), 1);
  EXPECT_TRUE(EnsureIndexes(db));  // and again is harmless
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

}  // namespace
}  // namespace talvec
