// The updater's window frmUpdate against the simulator: the file and the
// bytes as they arrive, a failure's cause on screen until "确定", closing
// the window during a download.
#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "tests/updater/updater_fixture.h"
#include "updater/frmupdate.h"

namespace talvec {
namespace {

using test_support::MakePackage;
using test_support::Updater;

template <typename T>
T* Find(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QLatin1String(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(FrmUpdate, ShowsTheFileAndTheBytesAsTheyArrive) {
  // About two seconds of download.
  Updater u(MakePackage({{QStringLiteral("TALVEC"), QByteArray(600 * 1024, 'N')}}));
  u.Fault("throttle:300");
  FrmUpdate window(u.Options());
  window.show();
  QLabel* name = Find<QLabel>(window, "LabName");
  QProgressBar* bar = Find<QProgressBar>(window, "ProgressBar1");
  QLabel* label1 = Find<QLabel>(window, "Label1");
  window.run().Start();
  EXPECT_EQ(name->text(), QStringLiteral("Update.exe"));  // before the first request
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return bar->value() > 0 && bar->value() < bar->maximum() / 2; }, 10000));
  EXPECT_TRUE(bar->text().contains(QStringLiteral(" / "))) << bar->text().toStdString();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.run().over(); }, 20000));
  EXPECT_EQ(label1->text(), QStringLiteral("升级成功!"));
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(FrmUpdate, AFailureStaysOnScreenUntilTheUserSaysOk) {
  Updater u(MakePackage(test_support::kNewFiles));
  u.Fault("flip");
  UpdaterOptions options = u.Options();
  options.failure_display_ms = 15000;
  FrmUpdate window(options);
  window.show();
  QPushButton* ok = Find<QPushButton>(window, "Command2");
  QLabel* cause = Find<QLabel>(window, "LabCause");
  QLabel* label1 = Find<QLabel>(window, "Label1");
  QLabel* panel = Find<QLabel>(window, "Panel1");
  EXPECT_FALSE(ok->isVisible());
  window.run().Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ok->isVisible(); }, 10000));
  EXPECT_EQ(ok->text(), QStringLiteral("确定"));
  EXPECT_EQ(cause->text(),
            QStringLiteral("失败原因: 升级包校验失败: 签名与程序内置的公钥不符"));
  EXPECT_EQ(panel->text(), QStringLiteral("升级包校验失败: 签名与程序内置的公钥不符"));
  EXPECT_EQ(label1->text(), QStringLiteral("升级失败，15 秒后启动原程序"));
  QTest::qWait(1500);
  EXPECT_TRUE(u.started.isEmpty());
  EXPECT_TRUE(label1->text().startsWith(QStringLiteral("升级失败，14 秒")))
      << label1->text().toStdString();
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(u.started, QStringList{u.Folder() + QStringLiteral("/TALVEC")});
}

TEST(FrmUpdate, ClosingTheWindowGivesTheOldProgramBack) {
  Updater u(MakePackage(test_support::kNewFiles));
  u.Fault("stall");
  FrmUpdate window(u.Options());
  window.show();
  QLabel* panel = Find<QLabel>(window, "Panel1");
  window.run().Start();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return panel->text() == QStringLiteral("发送请求已成功"); }, 5000));
  window.close();
  EXPECT_EQ(u.started, QStringList{u.Folder() + QStringLiteral("/TALVEC")});
  ASSERT_TRUE(u.outcome_at_start);
  EXPECT_EQ(u.outcome_at_start->cause, QStringLiteral("升级已取消"));
  EXPECT_FALSE(QFile::exists(u.Folder() + QStringLiteral("/Update.exe.part")));
}

}  // namespace
}  // namespace talvec
