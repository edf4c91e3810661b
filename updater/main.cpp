// MORVUP: the updater. Reads the management server's address from the
// program's database, downloads, checks and runs the update package,
// installs the new files and starts TALVEC again.
#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <cstdio>
#include <optional>

#include "core/database.h"
#include "core/text.h"
#include "dialogs/messages.h"
#include "updater/frmupdate.h"

namespace {

// WebDZ of the settings row; nothing when the row cannot be read.
std::optional<QString> ReadWebDZ(talvec::Database& db) {
  talvec::Statement st = db.Query("Select * from SysSet ");
  if (!st.Next()) return std::nullopt;
  for (int c = 0; c < st.ColumnCount(); ++c) {
    if (st.ColumnName(c).compare(QLatin1String("WebDZ"), Qt::CaseInsensitive) == 0)
      return st.Text(c);
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("MORVUP"));
  const QString folder = QCoreApplication::applicationDirPath();

  QFile style(folder + QStringLiteral("/U6.she"));
  if (style.open(QIODevice::ReadOnly) && style.size() < (1 << 20)) {
    app.setStyleSheet(QString::fromUtf8(style.readAll()));
  }

  talvec::UpdaterOptions options;
  options.program_folder = folder;
  talvec::Database db;
  std::optional<QString> web_dz;
  QString cause;
  if (!db.OpenDatabase(folder + QLatin1Char('/') + QLatin1String(talvec::kDatabaseFileName),
                       talvec::DatabasePassword())) {
    cause = db.failureText();
  } else if (!(web_dz = ReadWebDZ(db))) {
    cause = QStringLiteral("无法读取设置: %1").arg(db.LastError());
  }
  db.CloseDatabase();
  if (!web_dz) {
    talvec::ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("数据库登陆错误！"),
                        QStringLiteral("无法打开数据库，系统没有升级。"), cause);
    // The program as it was: it says itself what is wrong with its file.
    QProcess::startDetached(talvec::MainProgramFile(folder), {}, folder);
    return 2;
  }
  options.management_base = QStringLiteral("http://") + talvec::TrimBlanks(*web_dz);

  talvec::FrmUpdate window(options);
  QObject::connect(&window.run(), &talvec::UpdateRun::finished, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  window.show();
  window.run().Start();
  const int code = app.exec();
  std::fflush(nullptr);
  return code;
}
