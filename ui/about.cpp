#include "ui/about.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "core/app_context.h"
#include "dialogs/messages.h"
#include "search/announcement_count.h"

namespace talvec {

AboutFacts GatherAboutFacts(AppContext& context, const QString& program_name,
                            const QString& version) {
  AboutFacts facts;
  facts.program_name = program_name;
  facts.version = version;
  facts.database_path = QDir::toNativeSeparators(
      QDir(context.program_folder).absoluteFilePath(QLatin1String(kDatabaseFileName)));
  const QFileInfo file(facts.database_path);
  if (file.isFile()) facts.database_bytes = file.size();
  // Changes not yet written back into the file wait in its log.
  const QFileInfo log(facts.database_path + QStringLiteral("-wal"));
  if (log.isFile()) facts.log_bytes = log.size();
  facts.announcements =
      context.db ? CountAnnouncements(*context.db)
                 : Result<std::int64_t>(Fail(Error::Kind::kOther, QStringLiteral("数据库未打开")));
  return facts;
}

QString AboutText(const AboutFacts& facts) {
  const QLocale locale(QLocale::Chinese, QLocale::China);
  auto bytes = [&locale](std::int64_t n) {
    return locale.formattedDataSize(n, 1, QLocale::DataSizeTraditionalFormat);
  };
  QString size = facts.database_bytes < 0
                     ? QStringLiteral("无法读取")
                     : QStringLiteral("%1（%2 字节）")
                           .arg(bytes(facts.database_bytes),
                                locale.toString(static_cast<qlonglong>(facts.database_bytes)));
  if (facts.log_bytes > 0) size += QStringLiteral("，另有日志 %1").arg(bytes(facts.log_bytes));
  const QString count =
      facts.announcements
          ? QStringLiteral("%1 条").arg(
                locale.toString(static_cast<qlonglong>(*facts.announcements)))
          : QStringLiteral("无法统计（%1）").arg(facts.announcements.error().FullText());
  return QStringLiteral("%1\n版本：%2\n数据库文件：%3\n文件大小：%4\n已存公告：%5")
      .arg(facts.program_name, facts.version, facts.database_path, size, count);
}

void ShowAbout(QWidget* parent, AppContext& context, const QString& program_name,
               const QString& version) {
  ShowMessage(parent, QMessageBox::Information, QStringLiteral("系统信息"),
              AboutText(GatherAboutFacts(context, program_name, version)));
}

}  // namespace talvec
