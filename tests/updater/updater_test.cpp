// The updater's work: download against the simulator's management server
// with each of its faults, the signature, the install.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <random>

#include "tests/raw_http_server.h"
#include "tests/updater/updater_fixture.h"
#include "updater/install.h"

namespace talvec {
namespace {

using test_support::kNewFiles;
using test_support::MakePackage;
using test_support::MakerKey;
using test_support::Read;
using test_support::Updater;
using test_support::Write;


TEST(UpdaterTexts, DotsAndStateTexts) {
  qint16 counter = 0;
  QStringList dots;
  for (int i = 0; i < 9; ++i) dots << NextDotsText(&counter);
  EXPECT_EQ(dots.join(u'|'),
            QStringLiteral("系统升级中.|系统升级中..|系统升级中...|系统升级中|"
                           "系统升级中.|系统升级中..|系统升级中...|系统升级中|系统升级中."));
  const char* texts[] = {"",
                         "正在查询服务器IP地址",
                         "成功找到服务器IP地址",
                         "正在尝试与服务器连接",
                         "与服务器连接成功",
                         "正在向服务器发送请求",
                         "发送请求已成功",
                         "正在接收服务器响应",
                         "成功接受服务器响应",
                         "正在解除与服务器的连接",
                         "成功解除与服务器的连接",
                         "无法连接服务器，请重试！",
                         ""};
  for (int state = 0; state <= 12; ++state)
    EXPECT_EQ(TransferStateText(state), QString::fromUtf8(texts[state])) << state;
}

TEST(PackageSignature, OnlyTheMakersUntouchedPackageVerifies) {
  const QByteArray payload = package::SelfExtractor(QByteArray(5000, 'x'));
  const QByteArray good = MakerKey().SignPackage(payload);
  const QByteArray public_key = MakerKey().PublicKey();
  QByteArray flipped = good;
  flipped[100] = static_cast<char>(flipped[100] ^ 0x20);
  QByteArray bad_signature = good;
  bad_signature[good.size() - 1] = static_cast<char>(bad_signature[good.size() - 1] ^ 0x01);
  const QByteArray other = package::SigningKey::Generate()->SignPackage(payload);
  const struct {
    const char* name;
    QByteArray bytes;
    bool ok;
    const char* why;
  } cases[] = {
      {"good", good, true, ""},
      {"flipped payload byte", flipped, false, "签名与程序内置的公钥不符"},
      {"flipped signature byte", bad_signature, false, "签名与程序内置的公钥不符"},
      {"other key", other, false, "签名与程序内置的公钥不符"},
      {"no signature", payload, false, "升级包没有签名"},
      {"signature cut", good.left(good.size() - 1), false, "升级包没有签名"},
      {"empty", QByteArray(), false, "升级包没有签名"},
  };
  for (const auto& c : cases) {
    const Result<qsizetype> verdict = package::VerifyPackage(c.bytes, public_key);
    EXPECT_EQ(verdict.has_value(), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(*verdict, payload.size());
    } else {
      EXPECT_EQ(verdict.error().message, QString::fromUtf8(c.why)) << c.name;
    }
  }
}

TEST(UpdateRun, GoodPackageIsInstalledAndTheProgramStarted) {
  Updater u(MakePackage(kNewFiles));
  u.Run(u.Options());
  EXPECT_EQ(u.run->stage(), UpdateRun::Stage::kDone);
  EXPECT_EQ(u.status, QStringLiteral("升级成功！"));
  EXPECT_EQ(Read(u.Folder() + QStringLiteral("/TALVEC")), QByteArray(300000, 'N'));
  EXPECT_EQ(Read(u.Folder() + QStringLiteral("/help/index.html")), "<html>new help</html>");
  u.ExpectCleanFolder();
  EXPECT_FALSE(u.states.contains(11));
  EXPECT_EQ(u.states.first(), 1);
  EXPECT_EQ(u.states.last(), 12);
  EXPECT_TRUE(u.states.contains(7));
  for (qsizetype i = 0; i + 1 < u.chunks.size(); ++i) ASSERT_EQ(u.chunks[i], 1024);
  EXPECT_LE(u.chunks.last(), 1024);
}

TEST(UpdateRun, AnAnswerOf2500BytesIsWrittenIn1024_1024_452) {
  test_support::RawHttpServer server([](const QByteArray&) {
    return test_support::RawHttpServer::Answer{
        "HTTP/1.1 200 OK\r\nContent-Length: 2500\r\nConnection: close\r\n\r\n" +
        QByteArray(2500, 'z')};
  });
  Updater u(QByteArray("unused"));
  UpdaterOptions options = u.Options();
  options.management_base = server.base();
  u.Run(options);
  EXPECT_EQ(u.chunks, (QList<qint64>{1024, 1024, 452}));
  // Not a signed package: never run, nothing installed.
  EXPECT_EQ(u.run->stage(), UpdateRun::Stage::kFailed);
  EXPECT_TRUE(u.status.startsWith(QStringLiteral("升级包校验失败"))) << u.status.toStdString();
  EXPECT_EQ(Read(u.Folder() + QStringLiteral("/TALVEC")), "old program");
  u.ExpectCleanFolder();
}

// Each fault of the server's package: either the download recovers and the
// package is installed, or nothing is installed and the old program starts.
TEST(UpdateRun, DownloadFaults) {
  const QByteArray good = MakePackage(kNewFiles);
  const struct {
    const char* fault;
    int times;
    bool installed;
    const char* status;  // start of the final status text
    int attempts;
  } cases[] = {
      {"stall", 1, true, "升级成功！", 2},     // the watchdog starts it cleanly again
      {"nolength", 0, true, "升级成功！", 1},  // read to the end of the transfer
      {"throttle:4000", 0, true, "升级成功！", 1},
      {"truncate", 0, false, "下载升级包失败", 2},
      {"truncate", 1, true, "升级成功！", 2},
      {"liar:100", 0, false, "下载升级包失败", 2},   // claims more than it sends
      {"liar:-100", 0, false, "升级包校验失败", 1},  // claims less: the signature is cut off
      {"flip", 0, false, "升级包校验失败: 签名与程序内置的公钥不符", 1},
      {"otherkey", 0, false, "升级包校验失败: 签名与程序内置的公钥不符", 1},
      {"unsigned", 0, false, "升级包校验失败: 升级包没有签名", 1},
      {"stall", 0, false, "下载升级包失败: 下载 0 秒没有进展", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + " x" + std::to_string(c.times));
    Updater u(good);
    u.Fault(c.fault, c.times);
    u.Run(u.Options());
    EXPECT_EQ(u.run->stage(), c.installed ? UpdateRun::Stage::kDone : UpdateRun::Stage::kFailed);
    EXPECT_TRUE(u.status.startsWith(QString::fromUtf8(c.status))) << u.status.toStdString();
    EXPECT_EQ(u.run->attempts(), c.attempts);
    EXPECT_EQ(Read(u.Folder() + QStringLiteral("/TALVEC")),
              c.installed ? QByteArray(300000, 'N') : QByteArray("old program"));
    EXPECT_EQ(QFile::exists(u.Folder() + QStringLiteral("/help/index.html")), c.installed);
    u.ExpectCleanFolder();
    if (!c.installed && !QString::fromUtf8(c.status).contains(QStringLiteral("校验"))) {
      EXPECT_TRUE(u.states.contains(11));
    }
  }
}

// The package runs only to its end, within its bound, and must have
// filled "temp"; otherwise nothing of what it left is installed.
TEST(UpdateRun, APackageThatFailsHangsOrFillsNothingInstallsNothing) {
  const struct {
    const char* name;
    QByteArray script;
    const char* status;
  } cases[] = {
      {"fails",
       "#!/bin/sh\nd=$(dirname \"$0\")\nmkdir -p \"$d/temp\"\necho x > \"$d/temp/TALVEC\"\nexit "
       "3\n",
       "升级包运行失败 (退出码 3)"},
      {"hangs",
       "#!/bin/sh\nd=$(dirname \"$0\")\nmkdir -p \"$d/temp\"\necho x > \"$d/temp/TALVEC\"\nexec "
       "sleep 30\n",
       "升级包在 0 秒内没有结束"},
      {"fills nothing", "#!/bin/sh\nexit 0\n", "升级包没有放入任何文件"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Updater u(MakerKey().SignPackage(c.script));
    UpdaterOptions options = u.Options();
    options.package_wait_ms = 400;
    u.Run(options);
    EXPECT_EQ(u.run->stage(), UpdateRun::Stage::kFailed);
    EXPECT_EQ(u.status.toStdString(), c.status);
    EXPECT_EQ(Read(u.Folder() + QStringLiteral("/TALVEC")), "old program");
    u.ExpectCleanFolder();
  }
}

TEST(UpdateRun, NoServerRetriesThenGivesTheOldProgramBack) {
  Updater u(QByteArray("unused"));
  UpdaterOptions options = u.Options();
  options.management_base = QStringLiteral("http://127.0.0.1:1");
  u.Run(options);
  EXPECT_EQ(u.run->attempts(), 2);
  EXPECT_TRUE(u.states.contains(11));
  EXPECT_EQ(Read(u.Folder() + QStringLiteral("/TALVEC")), "old program");
  u.ExpectCleanFolder();
}

// A stalled download says that it waits, then that it retries, in every
// text of the attempt, not the last state of the first one.
TEST(UpdateRun, AStalledDownloadSaysThatItWaitsAndRetries) {
  Updater u(MakePackage(kNewFiles));
  u.Fault("stall", 1);
  UpdaterOptions options = u.Options();
  options.watchdog_ms = 3000;
  u.Run(options);
  EXPECT_EQ(u.run->stage(), UpdateRun::Stage::kDone);
  EXPECT_TRUE(u.texts.contains(WaitingText(2))) << u.texts.join(u'|').toStdString();
  const qsizetype failed = u.texts.indexOf(QStringLiteral(
      "无法连接服务器，请重试！ (下载 3 秒没有进展，重新开始)"));
  ASSERT_GE(failed, 0) << u.texts.join(u'|').toStdString();
  const qsizetype unpacking = u.texts.indexOf(QStringLiteral("正在解开升级包"));
  ASSERT_GT(unpacking, failed + 1);
  for (qsizetype i = failed + 1; i < unpacking; ++i) {
    EXPECT_TRUE(u.texts[i].startsWith(QStringLiteral("正在重试 2/2："))) << u.texts[i].toStdString();
  }
  EXPECT_TRUE(u.texts.contains(QStringLiteral("正在重试 2/2：发送请求已成功")));
  u.ExpectCleanFolder();
}

// After a failure the old program starts when the user acknowledges it (or
// the display time ends, as in every test above); closing the window
// during a download gives up the update at once.
TEST(UpdateRun, TheOldProgramStartsWhenTheUserSaysSo) {
  {
    Updater u(MakePackage(kNewFiles));
    u.Fault("flip");
    UpdaterOptions options = u.Options();
    options.failure_display_ms = 60000;
    u.run = std::make_unique<UpdateRun>(std::move(options));
    QString why;
    QObject::connect(u.run.get(), &UpdateRun::failed, [&why](const QString& w) { why = w; });
    u.run->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !why.isEmpty(); }, 10000));
    QTest::qWait(300);
    EXPECT_TRUE(u.started.isEmpty());
    EXPECT_FALSE(u.run->over());
    u.run->Acknowledge();
    EXPECT_EQ(u.started, QStringList{u.Folder() + QStringLiteral("/TALVEC")});
    ASSERT_TRUE(u.outcome_at_start);
    EXPECT_EQ(u.outcome_at_start->cause, why);
  }
  {
    Updater u(MakePackage(kNewFiles));
    u.Fault("stall");
    u.run = std::make_unique<UpdateRun>(u.Options());
    bool requested = false;
    QObject::connect(u.run.get(), &UpdateRun::transferState, [&](int s) { requested |= s == 6; });
    QObject::connect(u.run.get(), &UpdateRun::statusText, [&u](const QString& t) { u.status = t; });
    u.run->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return requested; }, 5000));
    u.run->Cancel();
    EXPECT_TRUE(u.run->over());
    u.ExpectCleanFolder();
    EXPECT_EQ(u.outcome_at_start->cause, QStringLiteral("升级已取消"));
  }
}

// The install by itself: each case is one folder with an old program file,
// the user's data, and a temp folder from a package.
TEST(Install, ReplacesWholeFilesAndRefusesWhatItMustNot) {
  QTemporaryDir dir;
  const QString program = dir.filePath(QStringLiteral("program"));
  const QString temp = dir.filePath(QStringLiteral("program/temp"));
  Write(program + QStringLiteral("/TALVEC"), "old program");
  Write(program + QStringLiteral("/readonly.txt"), "old read-only");
  QFile::setPermissions(program + QStringLiteral("/readonly.txt"), QFileDevice::ReadOwner);
  Write(program + QStringLiteral("/talvec.qzv"), "data");
  Write(program + QStringLiteral("/talvec.qzv-wal"), "wal");
  Write(dir.filePath(QStringLiteral("secret")), "outside");
  Write(temp + QStringLiteral("/TALVEC"), "new program");
  Write(temp + QStringLiteral("/readonly.txt"), "new read-only");
  Write(temp + QStringLiteral("/sub/deep.txt"), "deep");
  Write(temp + QStringLiteral("/talvec.qzv"), "empty database");
  Write(temp + QStringLiteral("/TALVEC.qzv-wal"), "other wal");
  Write(temp + QStringLiteral("/MORVUP.outcome"), "outcome=done");
  Write(temp + QStringLiteral("/.TALVEC.talvec-new"), "a staged name");
  ASSERT_TRUE(
      QFile::link(dir.filePath(QStringLiteral("secret")), temp + QStringLiteral("/linked.txt")));
  ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("program")), temp + QStringLiteral("/loop")));
  QFile::setPermissions(temp + QStringLiteral("/TALVEC"),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  // The running program keeps its open file; the name gets the new one.
  QFile in_use(program + QStringLiteral("/TALVEC"));
  ASSERT_TRUE(in_use.open(QIODevice::ReadOnly));

  const Result<InstallReport> report = InstallFolder(temp, program);
  ASSERT_TRUE(report) << report.error().FullText().toStdString();
  QStringList installed = report->installed;
  installed.sort();
  EXPECT_EQ(installed, (QStringList{QStringLiteral("TALVEC"), QStringLiteral("readonly.txt"),
                                    QStringLiteral("sub/deep.txt")}));
  EXPECT_EQ(report->refused.size(), 6) << report->refused.join(u';').toStdString();
  EXPECT_EQ(Read(program + QStringLiteral("/TALVEC")), "new program");
  EXPECT_TRUE(QFileInfo(program + QStringLiteral("/TALVEC")).isExecutable());
  EXPECT_EQ(in_use.readAll(), "old program");
  EXPECT_EQ(Read(program + QStringLiteral("/readonly.txt")), "new read-only");
  EXPECT_EQ(Read(program + QStringLiteral("/sub/deep.txt")), "deep");
  EXPECT_EQ(Read(program + QStringLiteral("/talvec.qzv")), "data");
  EXPECT_EQ(Read(program + QStringLiteral("/talvec.qzv-wal")), "wal");
  EXPECT_FALSE(QFile::exists(program + QStringLiteral("/linked.txt")));
  EXPECT_FALSE(QFile::exists(program + QStringLiteral("/loop")));
  EXPECT_TRUE(QDir(program)
                  .entryList({QStringLiteral("*.talvec-new")}, QDir::Hidden | QDir::Files)
                  .isEmpty());
}

TEST(Install, AFileThatCannotBeWrittenInstallsNothingAndSaysWhich) {
  QTemporaryDir dir;
  const QString program = dir.filePath(QStringLiteral("program"));
  const QString temp = dir.filePath(QStringLiteral("temp"));
  Write(program + QStringLiteral("/TALVEC"), "old program");
  QDir().mkpath(program + QStringLiteral("/help.html/inside"));  // a folder where the file goes
  Write(temp + QStringLiteral("/TALVEC"), "new program");
  Write(temp + QStringLiteral("/help.html"), "new help");
  const Result<InstallReport> report = InstallFolder(temp, program);
  ASSERT_FALSE(report);
  EXPECT_TRUE(report.error().message.startsWith(QStringLiteral("无法替换文件: help.html: ")))
      << report.error().message.toStdString();
  EXPECT_EQ(Read(program + QStringLiteral("/TALVEC")), "old program");
  EXPECT_TRUE(QDir(program)
                  .entryList({QStringLiteral("*.talvec-new")}, QDir::Hidden | QDir::Files)
                  .isEmpty());
}

// The install killed at random moments: every file is whole, old or new.
TEST(Install, KilledInTheMiddleLeavesEveryFileWhole) {
  QTemporaryDir dir;
  const QString program = dir.filePath(QStringLiteral("program"));
  const QString temp = dir.filePath(QStringLiteral("temp"));
  constexpr int kFiles = 24;
  const QByteArray old_bytes(512 * 1024, 'o');
  const QByteArray new_bytes(700 * 1024, 'n');
  for (int i = 0; i < kFiles; ++i) Write(temp + QStringLiteral("/f%1.bin").arg(i), new_bytes);
  std::mt19937 random(7);
  int mixed = 0;
  for (int round = 0; round < 6; ++round) {
    for (int i = 0; i < kFiles; ++i) Write(program + QStringLiteral("/f%1.bin").arg(i), old_bytes);
    QProcess child;
    child.start(QStringLiteral(INSTALL_CHILD), {temp, program});
    ASSERT_TRUE(child.waitForStarted());
    QTest::qWait(static_cast<int>(random() % 60));
    child.kill();
    child.waitForFinished();
    int now_new = 0;
    for (int i = 0; i < kFiles; ++i) {
      const QByteArray bytes = Read(program + QStringLiteral("/f%1.bin").arg(i));
      ASSERT_TRUE(bytes == old_bytes || bytes == new_bytes) << "round " << round << " file " << i;
      now_new += bytes == new_bytes;
    }
    mixed += now_new > 0 && now_new < kFiles;
    // The next start of either program removes the half-written files.
    RemoveUpdateLeftovers(program);
    EXPECT_TRUE(QDir(program)
                    .entryList({QStringLiteral("*.talvec-new")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
  }
  RecordProperty("rounds_with_old_and_new_files", mixed);
}

}  // namespace
}  // namespace talvec
