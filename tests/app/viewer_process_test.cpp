// The real program in a real window (xvfb-run with openbox), started as the
// user who runs the tests (root on CI and a fresh machine) without any
// variable of the browser engine set: it opens two announcements by double
// click and help by F1 (tests/app/program_script.h). A viewer that cannot
// start says so and the program runs on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHttpServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "core/database.h"

namespace talvec {
namespace {

struct Outcome {
  int exit_code = -1;
  QString report;
  QString boxes;
  QString output;
};

class ViewerProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
      GTEST_SKIP() << "needs a real display (xvfb-run)";
    }
    server_.route("/v/<arg>", [](const QString& name) {
      return QHttpServerResponse(
          "text/html; charset=utf-8",
          QStringLiteral("<html><head><meta charset='utf-8'><title>公告页 %1</title></head>"
                         "<body><h2>公告正文 %1</h2></body></html>")
              .arg(name)
              .toUtf8());
    });
    port_ = server_.listen(QHostAddress::LocalHost, 0);
    ASSERT_NE(port_, 0);
  }

  // A program folder with the test build of the program, help pages and,
  // unless left out, the viewer module; its database has two announcements
  // on the local server.
  void MakeFolder(bool with_viewer_module) {
    dir_.emplace();
    ASSERT_TRUE(dir_->isValid());
    const QString bin = QStringLiteral(TALVEC_BIN_DIR);
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALVEC_TEST_PROGRAM), dir_->filePath("TALVEC")));
    if (with_viewer_module) {
      ASSERT_TRUE(QFile::copy(bin + "/talvec_viewer.so", dir_->filePath("talvec_viewer.so")));
    }
    QDir().mkpath(dir_->filePath("help"));
    for (const QString& name : QDir(bin + "/help").entryList({"*.html", "*.css"}, QDir::Files)) {
      ASSERT_TRUE(QFile::copy(bin + "/help/" + name, dir_->filePath("help/" + name)));
    }
    const QString db_path = dir_->filePath(QLatin1String(kDatabaseFileName));
    ASSERT_EQ(QProcess::execute(QStringLiteral(TALVEC_TOOLS_DIR "/talvec_mkdb"), {db_path}), 0);
    Database db;
    ASSERT_TRUE(db.OpenDatabase(db_path, DatabasePassword()));
    ASSERT_TRUE(
        db.Execute("UPDATE SysSet SET ServerDZ = ?", QStringLiteral("127.0.0.1:%1").arg(port_)));
    // Dated yesterday: inside the searched period whatever the clock does.
    const QString day = QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
    for (int i = 1; i <= 2; ++i) {
      ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, 4)",
                             QStringLiteral("第%1号中标结果公告").arg(i),
                             QStringLiteral("/v/%1.html").arg(i), day));
    }
    db.CloseDatabase();
  }

  Outcome Start(const QStringList& extra_environment = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The program finds its own way as root: nothing of the engine is set.
    env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
    env.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
    env.remove(QStringLiteral("QTWEBENGINEPROCESS_PATH"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("TALVEC_MESSAGE_LOG"), dir_->filePath("boxes.txt"));
    env.insert(QStringLiteral("TALVEC_TEST_VIEWER_SCRIPT"), dir_->filePath("report.txt"));
    env.insert(QStringLiteral("TALVEC_TEST_FIRST_CHECK_SECONDS"), QStringLiteral("3600"));
    for (const QString& pair : extra_environment) {
      env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir_->path());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(dir_->filePath("TALVEC"), {});
    Outcome run;
    // The local server answers while the program runs.
    if (!QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 200000)) {
      program.kill();
      program.waitForFinished();
    }
    run.exit_code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.output = QString::fromUtf8(program.readAll());
    run.report = ReadFile("report.txt");
    run.boxes = ReadFile("boxes.txt");
    return run;
  }

  QString ReadFile(const char* name) const {
    QFile file(dir_->filePath(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  QHttpServer server_;
  quint16 port_ = 0;
  std::optional<QTemporaryDir> dir_;
};

TEST_F(ViewerProcess, OpensPagesAndHelpAsTheUserWhoRunsIt) {
  MakeFolder(true);
  const Outcome run = Start();
  EXPECT_EQ(run.exit_code, 0) << run.output.toStdString();
  // Two pages in the one viewer, the second replacing the first, then help.
  EXPECT_EQ(run.report.toStdString(),
            "page|第1号中标结果公告|公告页 1.html\n"
            "page|第2号中标结果公告|公告页 2.html\n"
            "help|帮助信息|使用帮助 - Veltrano 帮助\n"
            "end|ok\n")
      << run.output.toStdString();
  EXPECT_TRUE(run.boxes.isEmpty()) << run.boxes.toStdString();
  const int said = run.output.count(QStringLiteral("the browser engine's sandbox is switched off"));
  EXPECT_EQ(said, geteuid() == 0 ? 1 : 0) << run.output.toStdString();
}

TEST_F(ViewerProcess, ViewerThatCannotStartSaysSoAndTheProgramGoesOn) {
  struct Case {
    const char* name;
    bool module;
    QStringList environment;
    const char* cause;
  };
  const Case cases[] = {
      {"no viewer module", false, {}, "无法载入网页浏览组件"},
      {"no engine helper program",
       true,
       {QStringLiteral("QTWEBENGINEPROCESS_PATH=/nonexistent/QtWebEngineProcess")},
       "找不到浏览器引擎的辅助程序"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeFolder(c.module);
    const Outcome run = Start(c.environment);
    EXPECT_EQ(run.exit_code, 0) << run.output.toStdString();
    EXPECT_EQ(run.report.toStdString(), "page|none\npage|none\nhelp|none\nend|ok\n")
        << run.output.toStdString();
    // One box per attempt, each with the cause.
    EXPECT_EQ(run.boxes.count(QStringLiteral("|系统提示|网页浏览窗口无法打开。")), 3)
        << run.boxes.toStdString();
    EXPECT_EQ(run.boxes.count(QString::fromUtf8(c.cause)), 3) << run.boxes.toStdString();
  }
}

}  // namespace
}  // namespace talvec
