#include "core/startup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>

namespace talvec {
namespace {

TEST(Startup, VersionString) {
  EXPECT_EQ(VersionString(1, 1, 20), QStringLiteral("1.01.0020"));
  EXPECT_EQ(VersionString(2, 12, 345), QStringLiteral("2.12.0345"));
  EXPECT_EQ(VersionString(3, 123, 12345), QStringLiteral("3.123.12345"));
  EXPECT_EQ(ProgramVersionString(), QStringLiteral("1.01.0020"));
}

TEST(Startup, OsNames) {
  EXPECT_EQ(OsName(QStringLiteral("5.2.3790")), QStringLiteral("Windows2003"));
  EXPECT_EQ(OsName(QStringLiteral("5.0.2195")), QStringLiteral("Windows2000"));
  EXPECT_EQ(OsName(QStringLiteral("5.1.2600")), QStringLiteral("WindosXP"));
  EXPECT_EQ(OsName(QStringLiteral("6.0.6002")), QStringLiteral("Windosvisita"));
  EXPECT_EQ(OsName(QStringLiteral("6.1.7601")), QStringLiteral("Win7"));
  EXPECT_EQ(OsName(QStringLiteral("10.0.19045")), QStringLiteral("Win7"));
  EXPECT_EQ(OsName(QString()), QStringLiteral("Win7"));
}

// Takes the lock in a child process; returns its pid and whether it got it.
// A child that `holds` keeps the lock until it is killed.
std::pair<pid_t, bool> LockInChild(const QString& folder, bool holds) {
  int ends[2];
  if (pipe(ends) != 0) return {-1, false};
  const pid_t pid = fork();
  if (pid == 0) {
    close(ends[0]);
    SingleInstance instance(folder);
    const char answer = instance.acquired() ? '1' : '0';
    (void)!write(ends[1], &answer, 1);
    while (holds) pause();
    _exit(0);
  }
  close(ends[1]);
  char answer = '?';
  (void)!read(ends[0], &answer, 1);
  close(ends[0]);
  if (!holds) waitpid(pid, nullptr, 0);
  return {pid, answer == '1'};
}

TEST(Startup, OneRunningCopyPerProgramFolderAndNoLockOutliveItsProcess) {
  QTemporaryDir a, b;
  const QByteArray tmpdir = qgetenv("TMPDIR");
  qputenv("TMPDIR", "/nonexistent/talvec");  // the lock does not live there
  const QString lock_path = SingleInstance::LockPath(a.path());
  EXPECT_EQ(lock_path, a.filePath(QStringLiteral("talvec.qzv.lock")));

  // Whatever a lock file left behind holds, it keeps nobody out.
  for (const QByteArray& content : {QByteArray(), QByteArrayLiteral("12345\nTALVEC\nhost\n")}) {
    QFile file(lock_path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    SingleInstance instance(a.path());
    EXPECT_TRUE(instance.acquired()) << content.size();
  }

  {
    SingleInstance first(a.path());
    ASSERT_TRUE(first.acquired());
    EXPECT_FALSE(SingleInstance(a.path()).acquired());  // in this process
    EXPECT_FALSE(LockInChild(a.path(), false).second);  // in another
    EXPECT_TRUE(SingleInstance(b.path()).acquired());   // another folder
  }
  EXPECT_TRUE(SingleInstance(a.path()).acquired());

  // A copy in another process holds the folder until it dies, even by kill -9.
  const auto [holder, held] = LockInChild(a.path(), true);
  ASSERT_GT(holder, 0);
  EXPECT_TRUE(held);
  EXPECT_FALSE(SingleInstance(a.path()).acquired());
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(SingleInstance(a.path()).acquired());

  if (tmpdir.isNull())
    qunsetenv("TMPDIR");
  else
    qputenv("TMPDIR", tmpdir);
}

}  // namespace
}  // namespace talvec
