#include "ui/list_export.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QStandardPaths>

#include "collect/channels.h"
#include "core/database.h"
#include "desk/desk_rows.h"
#include "dialogs/messages.h"
#include "facts/facts_store.h"

namespace talvec {

QString AnnouncementTypeName(int type) {
  const ChannelInfo* channel = ChannelOfType(type);
  if (!channel) return QString();
  QString name = channel->Heading();
  if (name.endsWith(QStringLiteral("列表"))) name.chop(2);
  return name;
}

QString AnnouncementTypeOf(Database& db, const QString& title) {
  const Result<std::optional<QueuedPage>> page = ReadQueuedPage(db, title);
  return page && *page ? AnnouncementTypeName((*page)->type) : QString();
}

void ExportShownRows(QWidget* parent, Database& db, const QString& suggested_name,
                     std::function<QList<ShownRow>()> rows,
                     std::function<void(const QString&)> done) {
  // The documents folder, or home where there is none (never the
  // program's working folder).
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  auto* dialog = new QFileDialog(parent, QStringLiteral("导出"),
                                 QDir(folder).filePath(suggested_name + QStringLiteral(".csv")),
                                 QStringLiteral("CSV 文件 (*.csv)"));
  dialog->setObjectName(QStringLiteral("ExportDialog"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix(QStringLiteral("csv"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<QWidget> owner = parent;
  Database* database = &db;
  QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                   [owner, database, rows = std::move(rows), done = std::move(done)](
                       const QString& path) {
                     if (!owner) return;
                     const QList<ShownRow> shown = rows();
                     Result<QList<ExportRow>> full = ExportRowsOf(*database, shown);
                     Result<void> written =
                         full ? WriteExport(path, *full) : Result<void>(Fail(full.error()));
                     if (!written) {
                       ShowMessage(owner, QMessageBox::Warning, QStringLiteral("导出"),
                                   QStringLiteral("导出失败，文件未写入。"),
                                   written.error().FullText());
                       done(QStringLiteral("导出失败"));
                       return;
                     }
                     done(QStringLiteral("已导出 %1 条：%2")
                              .arg(shown.size())
                              .arg(QDir::toNativeSeparators(path)));
                   });
  dialog->open();
}

}  // namespace talvec
