#include "core/startup.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

#include "core/database.h"

Q_LOGGING_CATEGORY(lcInstance, "talvec.startup.instance")

namespace talvec {

QString VersionString(int major, int minor, int revision) {
  return QString::number(major) + QLatin1Char('.') +
         QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0')) + QLatin1Char('.') +
         QStringLiteral("%1").arg(revision, 4, 10, QLatin1Char('0'));
}

QString OsName(const QString& os_version) {
  const QString head = os_version.left(3);
  if (head == QLatin1String("5.2")) return QStringLiteral("Windows2003");
  if (head == QLatin1String("5.0")) return QStringLiteral("Windows2000");
  if (head == QLatin1String("5.1")) return QStringLiteral("WindosXP");
  if (head == QLatin1String("6.0")) return QStringLiteral("Windosvisita");
  return QStringLiteral("Win7");
}

QString OsVersion() {
#ifdef Q_OS_WIN
  return QSysInfo::kernelVersion();
#else
  return QString();
#endif
}

QString SingleInstance::LockPath(const QString& program_folder, const QString& lock_name) {
  return QDir(program_folder)
      .absoluteFilePath(lock_name.isEmpty()
                            ? QLatin1String(kDatabaseFileName) + QLatin1String(".lock")
                            : lock_name);
}

#ifdef Q_OS_WIN

SingleInstance::SingleInstance(const QString& program_folder, const QString& lock_name) {
  // A file opened without sharing: a second open fails while this handle
  // lives, and the system closes the handle when the process ends.
  const std::wstring path =
      QDir::toNativeSeparators(LockPath(program_folder, lock_name)).toStdWString();
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    handle_ = reinterpret_cast<qintptr>(handle);
    acquired_ = true;
  } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
    acquired_ = false;
  } else {
    qCWarning(lcInstance) << "cannot open the lock file" << LockPath(program_folder, lock_name)
                          << "error" << GetLastError();
    acquired_ = true;
  }
}

SingleInstance::~SingleInstance() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

#else

SingleInstance::SingleInstance(const QString& program_folder, const QString& lock_name) {
  const QByteArray path = QFile::encodeName(LockPath(program_folder, lock_name));
  // Close-on-exec: a program this one starts must not inherit the lock and
  // keep it after this process ends.
  int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    qCWarning(lcInstance) << "cannot open the lock file" << path << std::strerror(errno);
    acquired_ = true;
    return;
  }
  // flock belongs to the open file description: a second open of the same
  // file, in this process or another, cannot take it.
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    handle_ = fd;
    acquired_ = true;
    return;
  }
  const int error = errno;
  ::close(fd);
  acquired_ = error != EWOULDBLOCK;
  if (acquired_) qCWarning(lcInstance) << "cannot lock" << path << std::strerror(error);
}

SingleInstance::~SingleInstance() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

#endif

}  // namespace talvec
