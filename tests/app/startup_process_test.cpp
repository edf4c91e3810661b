// Starts the real program from a program folder of its own.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

  QTemporaryDir dir;
  QString log;
  std::vector<QProcess*> running;
};

TEST_F(ProgramFolder, MissingDatabaseEndsWithTheEngineMessage) {
  QProcess* p = Start();
  ASSERT_TRUE(p->waitForFinished(20000));
  EXPECT_EQ(p->exitCode(), 2);
  const QString messages = Messages();
  EXPECT_TRUE(messages.contains(QStringLiteral("|数据库登陆错误！|您的计算机未安装数据库引擎！|")))
      << messages.toStdString();
  EXPECT_TRUE(messages.contains(QStringLiteral("数据库文件不存在")));
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
