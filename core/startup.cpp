#include "core/startup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSysInfo>

#include "core/version_config.h"

namespace talvec {

QString VersionString(int major, int minor, int revision) {
  return QString::number(major) + QLatin1Char('.') +
         QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0')) + QLatin1Char('.') +
         QStringLiteral("%1").arg(revision, 4, 10, QLatin1Char('0'));
}

QString ProgramVersionString() {
  static const QString text =
      VersionString(kVersionMajor, kVersionMinor, kVersionRevision);
  return text;
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

QString SingleInstance::LockPath(const QString& program_folder) {
  const QByteArray key = QCryptographicHash::hash(
      QDir(program_folder).canonicalPath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QDir::temp().filePath(QStringLiteral("TALVEC-%1.lock").arg(QString::fromLatin1(key)));
}

SingleInstance::SingleInstance(const QString& program_folder)
    : lock_(std::make_unique<QLockFile>(LockPath(program_folder))) {
  // A lock left by a copy that died is taken over: QLockFile checks whether
  // the holder's process still runs.
  lock_->setStaleLockTime(0);
  acquired_ = lock_->tryLock(0);
}

}  // namespace talvec
