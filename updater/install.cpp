#include "updater/install.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>
#include <vector>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include "update/handover.h"

namespace talvec {

namespace {

struct Staged {
  QString relative;
  QString staged;  // the new file beside its target
  QString target;
};

std::filesystem::path FsPath(const QString& path) {
#ifdef Q_OS_WIN
  return std::filesystem::path(path.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool LeavesFolder(const QString& relative) {
  if (relative.isEmpty() || QDir::isAbsolutePath(relative)) return true;
  const QStringList parts = relative.split(QLatin1Char('/'));
  return parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral("."));
}

tl::unexpected<Error> FileError(const QFile& file) {
  return Fail(Error::Kind::kOther, file.errorString());
}

// Writes `source` whole to `staged`, with the source's permissions, and
// flushes it to disk.
Result<void> WriteStaged(const QString& source, const QString& staged) {
  QFile in(source);
  QFile out(staged);
  if (!in.open(QIODevice::ReadOnly)) return FileError(in);
  QFile::remove(staged);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return FileError(out);
  char buffer[64 * 1024];
  for (;;) {
    const qint64 n = in.read(buffer, sizeof buffer);
    if (n < 0) return FileError(in);
    if (n == 0) break;
    if (out.write(buffer, n) != n) return FileError(out);
  }
  if (!out.flush()) return FileError(out);
#ifndef Q_OS_WIN
  if (::fsync(out.handle()) != 0) return Fail(Error::Kind::kOther, QStringLiteral("fsync failed"));
#endif
  out.close();
  if (!out.setPermissions(in.permissions())) return FileError(out);
  return {};
}

}  // namespace

bool IsUserDataFile(const QString& relative_path) {
  const QString name = relative_path.toLower();
  return name == QLatin1String("talvec.qzv") || name.startsWith(QLatin1String("talvec.qzv-")) ||
         name.startsWith(QLatin1String("talvec.qzv."));
}

Result<InstallReport> InstallFolder(const QString& source, const QString& destination) {
  InstallReport report;
  const QFileInfo source_info(source);
  if (source_info.isSymLink() || !source_info.isDir()) {
    return Fail(Error::Kind::kOther, QStringLiteral("%1: 不是文件夹").arg(source));
  }
  const QDir from(source);
  const QDir to(destination);
  std::vector<std::pair<QString, QString>> files;  // relative, source path
  QStringList folders;
  QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QFileInfo info(path);
    const QString relative = from.relativeFilePath(path);
    if (info.isSymLink()) {
      report.refused << QStringLiteral("%1: 符号链接").arg(relative);
    } else if (LeavesFolder(relative)) {
      report.refused << QStringLiteral("%1: 文件名无效").arg(relative);
    } else if (info.isDir()) {
      folders << relative;
    } else if (!info.isFile()) {
      report.refused << QStringLiteral("%1: 不是普通文件").arg(relative);
    } else if (IsUserDataFile(relative)) {
      report.refused << QStringLiteral("%1: 用户数据文件不替换").arg(relative);
    } else if (IsHandOverFile(relative) || IsStagedFileName(info.fileName())) {
      report.refused << QStringLiteral("%1: 升级程序自己的文件").arg(relative);
    } else {
      files.emplace_back(relative, path);
    }
  }
  // A file under a refused link is never reached: the iterator does not
  // follow links.

  // First pass: every new file whole beside its target.
  std::vector<Staged> staged;
  QStringList failed;
  for (const auto& [relative, path] : files) {
    const QFileInfo target(to.filePath(relative));
    QString why;
    if (!to.mkpath(QFileInfo(relative).path())) {
      why = QStringLiteral("无法建立文件夹");
    } else if (target.isDir() && !target.isSymLink()) {
      why = QStringLiteral("目标是文件夹");
    } else {
      const QString staged_path =
          target.absolutePath() + QLatin1Char('/') + StagedFileName(target.fileName());
      const Result<void> written = WriteStaged(path, staged_path);
      if (written) {
        staged.push_back({relative, staged_path, target.absoluteFilePath()});
        continue;
      }
      why = written.error().message;
      QFile::remove(staged_path);
    }
    failed << QStringLiteral("%1: %2").arg(relative, why);
  }
  if (!failed.isEmpty()) {
    for (const Staged& s : staged) QFile::remove(s.staged);
    return Fail(Error::Kind::kOther,
                QStringLiteral("无法替换文件: %1").arg(failed.join(QStringLiteral("; "))),
                report.refused.join(QStringLiteral("; ")));
  }
  // Second pass: each rename replaces one file at once.
  for (const Staged& s : staged) {
    std::error_code error;
    std::filesystem::rename(FsPath(s.staged), FsPath(s.target), error);
    if (error) {
      report.not_replaced << QStringLiteral("%1: %2").arg(s.relative,
                                                          QString::fromLocal8Bit(error.message()));
      QFile::remove(s.staged);
    } else {
      report.installed << s.relative;
    }
  }
  for (const QString& folder : std::as_const(folders)) to.mkpath(folder);
  return report;
}

}  // namespace talvec
