#include "ui/viewer_engine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLoggingCategory>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

Q_LOGGING_CATEGORY(lcViewerEngine, "talvec.viewer")

namespace talvec {

namespace {

constexpr const char* kHelperName = "QtWebEngineProcess";

// Where the engine looks for its helper program: the variable it reads
// itself when set, else Qt's folder of helper programs, then the program
// folder.
QString FindHelperProgram(QString* looked_at) {
  const QString from_engine_variable = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
  QStringList candidates;
  if (!from_engine_variable.isEmpty()) {
    candidates << from_engine_variable;
  } else {
    candidates << QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QLatin1Char('/') +
                      QLatin1String(kHelperName)
               << QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                      QLatin1String(kHelperName);
  }
  *looked_at = candidates.join(QStringLiteral(", "));
  for (const QString& candidate : candidates) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isExecutable()) return candidate;
  }
  return QString();
}

#ifdef Q_OS_LINUX
bool WriteAll(const char* path, const char* text) {
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const auto length = static_cast<ssize_t>(std::strlen(text));
  const bool written = write(fd, text, static_cast<size_t>(length)) == length;
  close(fd);
  return written;
}

// Whether this user may build the engine's namespace sandbox: a child makes
// a user namespace, maps its own ids into it and makes the process and
// network namespaces the sandbox uses. A system that forbids any step makes
// the engine end the process, so it is tried in a child first.
bool NamespaceSandboxUsable() {
  char uid_map[64];
  char gid_map[64];
  std::snprintf(uid_map, sizeof uid_map, "0 %u 1\n", static_cast<unsigned>(getuid()));
  std::snprintf(gid_map, sizeof gid_map, "0 %u 1\n", static_cast<unsigned>(getgid()));
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // Only system calls from here on: the child of a threaded process.
    if (unshare(CLONE_NEWUSER) != 0) _exit(1);
    WriteAll("/proc/self/setgroups", "deny");
    if (!WriteAll("/proc/self/uid_map", uid_map) || !WriteAll("/proc/self/gid_map", gid_map)) {
      _exit(2);
    }
    if (unshare(CLONE_NEWPID | CLONE_NEWNET) != 0) _exit(3);
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

}  // namespace

QString PrepareBrowserEngine() {
  QString looked_at;
  if (FindHelperProgram(&looked_at).isEmpty()) {
    qCWarning(lcViewerEngine) << "the browser engine's helper program is missing:" << looked_at;
    return QStringLiteral(
               "找不到浏览器引擎的辅助程序 %1（查找位置：%2）。"
               "请安装软件包 libqt6webenginecore6-bin。")
        .arg(QLatin1String(kHelperName), looked_at);
  }
#ifdef Q_OS_LINUX
  if (geteuid() == 0) {
    // The engine refuses to run as root with its sandbox; nobody else gets
    // it switched off.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qCInfo(lcViewerEngine) << "running as root: the browser engine's sandbox is switched off";
    return QString();
  }
  if (getuid() == 0) {
    // The engine tests the real user for root.
    qCWarning(lcViewerEngine) << "real user root, effective user" << geteuid()
                              << ": the browser engine cannot start";
    return QStringLiteral(
        "程序以 root 的实际用户身份、非 root 的有效用户身份运行，"
        "浏览器引擎无法在这种身份下启动。");
  }
  // The engine's own switches, when the user has set them, leave it
  // without a sandbox to check.
  if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
      qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox"))) {
    qCInfo(lcViewerEngine) << "the browser engine's sandbox is switched off by its own variables";
    return QString();
  }
  if (!NamespaceSandboxUsable()) {
    qCWarning(lcViewerEngine) << "no user namespaces for the browser engine's sandbox";
    return QStringLiteral(
        "系统不允许普通用户创建用户命名空间，浏览器引擎的沙箱无法启用，"
        "网页无法显示。");
  }
#endif
  return QString();
}

}  // namespace talvec
