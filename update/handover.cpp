#include "update/handover.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace talvec {

namespace {

constexpr qint64 kOutcomeBytes = 16 * 1024;
constexpr char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
constexpr char kStagedSuffix[] = ".talvec-new";

QString OutcomePath(const QString& folder) {
  return QDir(folder).filePath(QLatin1String(kUpdateOutcomeFileName));
}

// One line per value: a cause never breaks the form.
QString OneLine(QString text) {
  text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

constexpr int kStagedDepth = 4;

void RemoveStaged(const QString& folder, int depth, QStringList* removed) {
  const QFileInfoList entries = QDir(folder).entryInfoList(
      QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& entry : entries) {
    if (entry.isSymLink()) continue;
    if (entry.isDir()) {
      if (depth > 1) RemoveStaged(entry.filePath(), depth - 1, removed);
    } else if (IsStagedFileName(entry.fileName()) && QFile::remove(entry.filePath())) {
      *removed << entry.filePath();
    }
  }
}

}  // namespace

Result<void> WriteUpdateOutcome(const QString& program_folder, const UpdateOutcome& outcome) {
  QSaveFile file(OutcomePath(program_folder));
  const QString text =
      QStringLiteral("outcome=%1\nat=%2\ncause=%3\n")
          .arg(outcome.succeeded ? QLatin1String("done") : QLatin1String("failed"),
               outcome.at.toString(QLatin1String(kTimeFormat)), OneLine(outcome.cause));
  const QByteArray bytes = text.toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    return Fail(Error::Kind::kOther,
                QStringLiteral("无法写入升级结果 %1").arg(OutcomePath(program_folder)),
                file.errorString());
  }
  return {};
}

Result<std::optional<UpdateOutcome>> TakeUpdateOutcome(const QString& program_folder) {
  QFile file(OutcomePath(program_folder));
  if (!file.exists()) return std::optional<UpdateOutcome>();
  if (!file.open(QIODevice::ReadOnly)) {
    return Fail(Error::Kind::kOther, QStringLiteral("无法读取升级结果"), file.errorString());
  }
  const QByteArray bytes = file.read(kOutcomeBytes + 1);
  file.close();
  if (!file.remove()) {
    return Fail(Error::Kind::kOther, QStringLiteral("无法删除升级结果"), file.errorString());
  }
  std::optional<bool> succeeded;
  UpdateOutcome outcome;
  bool has_cause = false;
  for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    const QStringView key = QStringView(line).left(eq);
    const QString value = line.mid(eq + 1);
    if (key == QLatin1String("outcome") &&
        (value == QLatin1String("done") || value == QLatin1String("failed"))) {
      succeeded = value == QLatin1String("done");
    } else if (key == QLatin1String("at")) {
      outcome.at = QDateTime::fromString(value, QLatin1String(kTimeFormat));
    } else if (key == QLatin1String("cause")) {
      outcome.cause = value;
      has_cause = true;
    }
  }
  if (bytes.size() > kOutcomeBytes || !succeeded || !outcome.at.isValid() || !has_cause ||
      (!*succeeded && outcome.cause.isEmpty())) {
    return Fail(Error::Kind::kBadData, QStringLiteral("升级结果文件无法识别"),
                QString::fromUtf8(bytes.left(200)));
  }
  outcome.succeeded = *succeeded;
  return outcome;
}

QString StagedFileName(const QString& file_name) {
  return QLatin1Char('.') + file_name + QLatin1String(kStagedSuffix);
}

bool IsStagedFileName(const QString& file_name) {
  return file_name.size() > 1 + qsizetype(sizeof kStagedSuffix - 1) &&
         file_name.startsWith(QLatin1Char('.')) && file_name.endsWith(QLatin1String(kStagedSuffix));
}

bool IsHandOverFile(const QString& relative_path) {
  return relative_path.compare(QLatin1String(kUpdateOutcomeFileName), Qt::CaseInsensitive) == 0 ||
         relative_path.compare(QLatin1String(kUpdaterLockName), Qt::CaseInsensitive) == 0;
}

QStringList RemoveUpdateLeftovers(const QString& program_folder) {
  QStringList removed;
  const QDir folder(program_folder);
  const QString temp = folder.filePath(QLatin1String(kPackageFolderName));
  const QFileInfo temp_info(temp);
  if (temp_info.isSymLink()) {
    if (QFile::remove(temp)) removed << temp;
  } else if (temp_info.isDir()) {
    if (QDir(temp).removeRecursively()) removed << temp;
  }
  const QString package = folder.filePath(QLatin1String(kPackageFileName));
  for (const QString& path : {package, package + QLatin1String(kPartSuffix)}) {
    if (QFileInfo(path).isFile() && QFile::remove(path)) removed << path;
  }
  // Staged files: whole or half written, never renamed into place. A
  // package's tree is shallow; the walk stays so, whatever else shares the
  // folder.
  RemoveStaged(program_folder, kStagedDepth, &removed);
  return removed;
}

}  // namespace talvec
