// Starts the real program from a program folder of its own.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "core/database.h"

namespace {

class ProgramFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALVEC_TEST_PROGRAM), Program()));
    log = dir.filePath(QStringLiteral("messages.log"));
  }
  void TearDown() override {
    for (QProcess* p : running) {
      p->kill();
      p->waitForFinished();
      delete p;
    }
  }
  QString Program() const { return dir.filePath(QStringLiteral("TALVEC")); }
  QString Db() const { return dir.filePath(QStringLiteral("talvec.qzv")); }
  void MakeDatabase() {
    ASSERT_EQ(QProcess::execute(QStringLiteral(TALVEC_TOOLS_DIR "/talvec_mkdb"), {Db()}), 0);
    // Keep the program away from any real site during the test.
    QFile::remove(Db() + "-wal");
  }
  QProcess* Start() {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TALVEC_MESSAGE_LOG"), log);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(Program(), {});
    running.push_back(p);
    return p;
  }
  QString Messages() const {
    QFile f(log);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  QByteArray FileBytes() const {
    QFile f(Db());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  // Waits until the program is up: it has opened its file (the log exists)
  // and shown its window, or until it ends.
  bool WaitUntilUp(QProcess* p) {
    for (int i = 0; i < 200 && !QFile::exists(Db() + "-wal"); ++i) p->waitForFinished(100);
    p->waitForFinished(1500);
    return p->state() == QProcess::Running;
  }
  // `rows` announcements more, so that the file has pages in its middle.
  void AddRows(int rows) {
    talvec::Database db;
    ASSERT_TRUE(db.OpenDatabase(Db(), talvec::DatabasePassword()));
    talvec::Database::Transaction tx(db);
    for (int i = 0; i < rows; ++i) {
      ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, '/a.html', ?, 1)",
                             QStringLiteral("测试公告 %1").arg(i), QStringLiteral("2026-01-01")));
    }
    ASSERT_TRUE(tx.Commit());
  }
  // Flips bytes inside a page in the middle of the file.
  void Damage() {
    QByteArray bytes = FileBytes();
    ASSERT_GT(bytes.size(), 64 * 1024);
    for (int i = 0; i < 64; ++i) bytes[bytes.size() / 2 + i] ^= 0x5a;
    QFile f(Db());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  int Count(const QString& text) const { return Messages().count(text); }

  QTemporaryDir dir;
  QString log;
  std::vector<QProcess*> running;
};

TEST_F(ProgramFolder, AFileWithoutItsSettingsRowGetsTheDeliveredRowBack) {
  MakeDatabase();
  {
    talvec::Database db;
    ASSERT_TRUE(db.OpenDatabase(Db(), talvec::DatabasePassword()));
    ASSERT_TRUE(db.Execute("DELETE FROM SysSet"));
  }
  QProcess* p = Start();
  ASSERT_TRUE(WaitUntilUp(p)) << Messages().toStdString();
  EXPECT_TRUE(Messages().contains(QStringLiteral("|系统提示|数据库中没有设置记录，已恢复为初始设置。|")))
      << Messages().toStdString();
  p->terminate();
  ASSERT_TRUE(p->waitForFinished(20000));
  talvec::Database db;
  ASSERT_TRUE(db.OpenDatabase(Db(), talvec::DatabasePassword()));
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM SysSet").toInt(), 1);
}

TEST_F(ProgramFolder, TerminationSignalsEndInOrderAndLeaveNoLog) {
  MakeDatabase();
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    QProcess* p = Start();
    ASSERT_TRUE(WaitUntilUp(p)) << p->readAll().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(p->processId()), signal_number), 0);
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << signal_number;
    EXPECT_EQ(p->exitCode(), 0) << signal_number;
    // Checkpointed and closed: nothing is left beside the file.
    EXPECT_FALSE(QFile::exists(Db() + "-wal")) << signal_number;
    EXPECT_FALSE(QFile::exists(Db() + "-shm")) << signal_number;
  }
  EXPECT_EQ(Messages(), QString());
}

TEST_F(ProgramFolder, ADamagedFileIsSaidOnceWhileTheWindowRuns) {
  MakeDatabase();
  AddRows(3000);
  Damage();
  QProcess* p = Start();
  const QString said = QStringLiteral("|数据安全|数据库文件已损坏");
  for (int i = 0; i < 200 && Count(said) == 0; ++i) p->waitForFinished(100);
  ASSERT_EQ(Count(said), 1) << Messages().toStdString();
  p->waitForFinished(1000);
  EXPECT_EQ(p->state(), QProcess::Running);
  EXPECT_EQ(Count(said), 1);
  p->terminate();
  ASSERT_TRUE(p->waitForFinished(20000));
  EXPECT_EQ(p->exitCode(), 0);
}

TEST_F(ProgramFolder, ADamagedFileWithALeftoverLogIsRefusedAtStart) {
  MakeDatabase();
  AddRows(3000);
  // A run killed with its file open leaves its log.
  QProcess* first = Start();
  ASSERT_TRUE(WaitUntilUp(first));
  first->kill();
  ASSERT_TRUE(first->waitForFinished(20000));
  ASSERT_TRUE(QFile::exists(Db() + "-wal"));
  Damage();
  const QByteArray before = FileBytes();
  QProcess* p = Start();
  ASSERT_TRUE(p->waitForFinished(20000));
  EXPECT_EQ(p->exitCode(), 2);
  EXPECT_TRUE(Messages().contains(QStringLiteral("|数据库登陆错误！|数据库文件已损坏")))
      << Messages().toStdString();
  EXPECT_EQ(FileBytes(), before);
  EXPECT_TRUE(QFile::exists(Db() + "-wal"));
}

TEST_F(ProgramFolder, MissingDatabaseEndsWithAMessageThatSaysSo) {
  QProcess* p = Start();
  ASSERT_TRUE(p->waitForFinished(20000));
  EXPECT_EQ(p->exitCode(), 2);
  const QString messages = Messages();
  EXPECT_TRUE(messages.contains(QStringLiteral("|数据库登陆错误！|数据库文件不存在。|")))
      << messages.toStdString();
  EXPECT_TRUE(messages.contains(QDir::toNativeSeparators(Db())));
  EXPECT_FALSE(QFile::exists(Db()));  // never created
}

TEST_F(ProgramFolder, ForeignDatabaseIsRefusedAndLeftAsItWas) {
  {
    QFile f(Db());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(10000, '\x42'));
  }
  const QByteArray before = FileBytes();
  QProcess* p = Start();
  ASSERT_TRUE(p->waitForFinished(20000));
  EXPECT_EQ(p->exitCode(), 2);
  EXPECT_TRUE(Messages().contains(QStringLiteral("密码错误")));
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ProgramFolder, SecondCopyIsRefusedAndTheFirstRunsOn) {
  MakeDatabase();
  QProcess* first = Start();
  ASSERT_TRUE(first->waitForStarted());
  // The first copy is up once it has opened the database.
  for (int i = 0; i < 100 && !QFile::exists(Db() + "-wal"); ++i) first->waitForFinished(100);
  ASSERT_EQ(first->state(), QProcess::Running) << first->readAll().toStdString();

  QProcess* second = Start();
  ASSERT_TRUE(second->waitForFinished(20000));
  EXPECT_EQ(second->exitCode(), 1);
  EXPECT_TRUE(Messages().contains(QStringLiteral("|系统提示|系统已经运行，请关闭后再试。|")))
      << Messages().toStdString();
  EXPECT_EQ(first->state(), QProcess::Running);
}

}  // namespace
