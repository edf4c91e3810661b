// The whole update, with real programs in real windows (run under Xvfb with
// a window manager): the simulator offers a newer version whose package
// holds a TALVEC built with that version; TALVEC finds it, starts MORVUP and
// closes; MORVUP downloads, verifies and installs it and starts the new
// TALVEC, which finds itself the newest. A tampered package installs
// nothing, brings the old program back once and is not tried again.
// Screenshots of frmUpdate go to SCREENSHOT_DIR.
#include <gtest/gtest.h>
#include <signal.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "core/database.h"
#include "core/schema.h"
#include "updater/package.h"

namespace talvec {
namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Processes whose program is `path` (the programs the updater starts are
// not our children).
QList<qint64> ProcessesOf(const QString& path) {
  QList<qint64> found;
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool ok = false;
    const qint64 id = pid.toLongLong(&ok);
    if (ok && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == path)
      found << id;
  }
  return found;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    program = QDir(work.filePath(QStringLiteral("program"))).absolutePath();
    QDir().mkpath(program + QStringLiteral("/help"));
    for (const char* name : {"TALVEC", "MORVUP", "U6.she"}) {
      ASSERT_TRUE(QFile::copy(QStringLiteral(TALVEC_BIN_DIR "/") + QLatin1String(name),
                              program + QLatin1Char('/') + QLatin1String(name)));
    }
    for (int n = 1; n <= 9; ++n) {
      QFile::copy(QStringLiteral(TALVEC_BIN_DIR "/help/U%1.qzv").arg(n),
                  program + QStringLiteral("/help/U%1.qzv").arg(n));
    }
    log = work.filePath(QStringLiteral("programs.log"));
  }
  void TearDown() override {
    for (const QString& name : {QStringLiteral("TALVEC"), QStringLiteral("MORVUP")}) {
      for (qint64 pid : ProcessesOf(program + QLatin1Char('/') + name))
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    if (sim.state() != QProcess::NotRunning) {
      sim.kill();
      sim.waitForFinished();
    }
  }

  // The delivered database, pointed at the simulator, checking for upgrades,
  // collecting by hand, with one favorite of the user's.
  void MakeDatabase(const QString& address) {
    Database db;
    ASSERT_TRUE(db.CreateDatabase(program + QStringLiteral("/talvec.qzv"), DatabasePassword()));
    ASSERT_TRUE(CreateSchema(db));
    ASSERT_TRUE(InsertDeliveredSettings(db, QDate::currentDate()));
    ASSERT_TRUE(db.Execute("UPDATE SysSet SET WebDZ = ?, ServerDZ = ?, Upgrade = 1, research = 2",
                           address, address));
    ASSERT_TRUE(
        db.Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES('我的收藏', '/x', '2026-12-01')"));
    db.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
    db.Execute("PRAGMA journal_mode=DELETE");
    db.CloseDatabase();
  }
  bool FavoriteKept() {
    Database db;
    if (!db.OpenDatabase(program + QStringLiteral("/talvec.qzv"), DatabasePassword())) return false;
    return db.Scalar("SELECT count(*) FROM Favorites WHERE MC = '我的收藏'").toInt() == 1;
  }

  // A signed package holding the new TALVEC (stripped, to keep it small) and
  // an empty database that must not replace the user's.
  QString MakePackage() {
    const QString files = work.filePath(QStringLiteral("package"));
    QDir().mkpath(files);
    new_program = files + QStringLiteral("/TALVEC");
    EXPECT_TRUE(QFile::copy(QStringLiteral(TALVEC_NEXT), new_program));
    QProcess::execute(QStringLiteral("strip"), {new_program});
    QFile(files + QStringLiteral("/talvec.qzv")).open(QIODevice::WriteOnly);
    Result<package::SigningKey> key =
        package::SigningKey::Load(QStringLiteral(TALVEC_UPDATE_KEY_FILE));
    EXPECT_TRUE(key) << key.error().FullText().toStdString();
    Result<QByteArray> tar = package::TarFolder(files);
    EXPECT_TRUE(tar) << tar.error().FullText().toStdString();
    const QString path = work.filePath(QStringLiteral("Update.exe"));
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(key->SignPackage(package::SelfExtractor(*tar)));
    return path;
  }

  // The simulator as its own process; its address.
  QString StartSimulator(const QStringList& update_args) {
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(QStringLiteral(TALVEC_BIN_DIR "/sitesim"),
              QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--new-every"), QStringLiteral("0")} +
                  update_args);
    static const QRegularExpression serving(QStringLiteral("serving http://([0-9.:]+)"));
    QString said;
    while (sim.waitForReadyRead(10000)) {
      said += QString::fromUtf8(sim.readAll());
      const QRegularExpressionMatch m = serving.match(said);
      if (m.hasMatch()) return m.captured(1);
    }
    ADD_FAILURE() << "the simulator did not start: " << said.toStdString();
    return {};
  }

  // Starts a program of the folder as the user would, its log lines to `log`.
  void StartProgram(const char* name) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("talvec.update*.info=true"));
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(log, QIODevice::Append);
    p.setStandardErrorFile(log, QIODevice::Append);
    p.setProgram(program + QLatin1Char('/') + QLatin1String(name));
    p.setWorkingDirectory(program);
    ASSERT_TRUE(p.startDetached());
  }
  bool Running(const char* name) {
    return !ProcessesOf(program + QLatin1Char('/') + QLatin1String(name)).isEmpty();
  }
  QString Log() { return QString::fromUtf8(Read(log)); }
  void Screenshot(const QString& name) {
    QDir().mkpath(QStringLiteral(SCREENSHOT_DIR));
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 QStringLiteral(SCREENSHOT_DIR "/") + name});
  }

  QTemporaryDir work;
  QString program;
  QString log;
  QString new_program;
  QProcess sim;
};

TEST_F(EndToEnd, NewerVersionIsInstalledAndTheNewProgramFindsItselfNewest) {
  const QString package = MakePackage();
  // A slow download, so that the window can be seen at work.
  const QString address =
      StartSimulator({QStringLiteral("--update-version"), QStringLiteral("1.01.0021"),
                      QStringLiteral("--update-package"), package, QStringLiteral("--update-fault"),
                      QStringLiteral("throttle:200")});
  ASSERT_FALSE(address.isEmpty());
  MakeDatabase(address);
  const QByteArray old_program = Read(program + QStringLiteral("/TALVEC"));
  StartProgram("TALVEC");
  // The first check comes ten seconds after start.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Running("MORVUP"); }, 30000)) << Log().toStdString();
  QElapsedTimer since;
  since.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Running("TALVEC"); }, 10000))
      << "the old program stayed open";
  QTest::qWait(std::max<int>(
      0, 4500 - static_cast<int>(since.elapsed())));  // Timer2, then part of the download
  Screenshot(QStringLiteral("frmUpdate_downloading.png"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Running("MORVUP"); }, 60000)) << Log().toStdString();
  EXPECT_EQ(Read(program + QStringLiteral("/TALVEC")), Read(new_program));
  EXPECT_NE(Read(program + QStringLiteral("/TALVEC")), old_program);
  EXPECT_FALSE(QFile::exists(program + QStringLiteral("/temp")));
  EXPECT_FALSE(QFile::exists(program + QStringLiteral("/Update.exe")));
  // The new program runs and, at its first check, finds itself the newest.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Running("TALVEC"); }, 10000)) << Log().toStdString();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Log().contains(QStringLiteral("this program is the newest: \"1.01.0021\"")); },
      30000))
      << Log().toStdString();
  EXPECT_FALSE(Running("MORVUP"));
  Screenshot(QStringLiteral("after_update.png"));
  EXPECT_TRUE(FavoriteKept());
}

// Automatic upgrade on and a tampered package: one failed update, one
// message in the status bar of the old program that comes back, and no
// loop of the two programs starting each other.
TEST_F(EndToEnd, TamperedPackageFailsOnceAndTheOldProgramStaysOpen) {
  const QString package = MakePackage();
  const QString address =
      StartSimulator({QStringLiteral("--update-version"), QStringLiteral("1.01.0021"),
                      QStringLiteral("--update-package"), package, QStringLiteral("--update-fault"),
                      QStringLiteral("flip")});
  ASSERT_FALSE(address.isEmpty());
  MakeDatabase(address);
  // What an updater killed during its install would have left.
  const QStringList leftovers = {QStringLiteral("temp/TALVEC"), QStringLiteral("Update.exe.part"),
                                 QStringLiteral("help/.U1.qzv.talvec-new")};
  for (const QString& name : leftovers) {
    QDir(program).mkpath(QFileInfo(program + QLatin1Char('/') + name).path());
    QFile(program + QLatin1Char('/') + name).open(QIODevice::WriteOnly);
  }
  const QByteArray old_program = Read(program + QStringLiteral("/TALVEC"));
  StartProgram("TALVEC");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Running("MORVUP"); }, 30000)) << Log().toStdString();
  for (const QString& name : leftovers)
    EXPECT_FALSE(QFile::exists(program + QLatin1Char('/') + name)) << name.toStdString();
  // The failure stays on screen until 确定 or 15 s.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Log().contains(QStringLiteral("升级包校验失败")); },
                              20000))
      << Log().toStdString();
  QTest::qWait(1500);
  Screenshot(QStringLiteral("frmUpdate_failed.png"));
  EXPECT_TRUE(Running("MORVUP"));
  EXPECT_FALSE(Running("TALVEC"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Running("MORVUP"); }, 25000)) << Log().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Running("TALVEC"); }, 10000))
      << "the old program did not come back";
  // Its first check comes ten seconds after start and finds the failed
  // version; nothing starts the updater again.
  QTest::qWait(16000);
  Screenshot(QStringLiteral("after_failed_update.png"));
  EXPECT_TRUE(Running("TALVEC"));
  EXPECT_FALSE(Running("MORVUP"));
  const QString log = Log();
  EXPECT_EQ(log.count(QStringLiteral("starting the updater")), 1) << log.toStdString();
  EXPECT_EQ(log.count(QStringLiteral("the last update failed")), 1) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("not offered again before"))) << log.toStdString();
  EXPECT_EQ(Read(program + QStringLiteral("/TALVEC")), old_program);
  EXPECT_FALSE(QFile::exists(program + QStringLiteral("/Update.exe")));
  EXPECT_FALSE(QFile::exists(program + QStringLiteral("/temp")));
  EXPECT_TRUE(FavoriteKept());
}

}  // namespace
}  // namespace talvec
