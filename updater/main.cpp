// MORVUP: the updater. Reads the management server's address from the
// program's database, downloads, checks and runs the update package,
// installs the new files, leaves its outcome for TALVEC and starts TALVEC
// again. One copy at a time: it holds the updater's lock for its whole run.
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <cstdio>
#include <memory>

#include "core/database.h"
#include "core/startup.h"
#include "core/text.h"
#include "dialogs/messages.h"
#include "update/handover.h"
#include "updater/frmupdate.h"

namespace {

// WebDZ of the settings row.
talvec::Result<QString> ReadWebDZ(talvec::Database& db) {
  talvec::Statement st = db.Query("Select * from SysSet ");
  if (!st.Next()) {
    return talvec::Fail(talvec::Error::Kind::kBadData, QStringLiteral("无法读取设置"),
                        st.ok() ? QStringLiteral("没有设置记录") : st.error().FullText());
  }
  for (int c = 0; c < st.ColumnCount(); ++c) {
    if (st.ColumnName(c).compare(QLatin1String("WebDZ"), Qt::CaseInsensitive) == 0)
      return st.Text(c);
  }
  return talvec::Fail(talvec::Error::Kind::kBadData, QStringLiteral("无法读取设置"),
                      QStringLiteral("设置中没有 WebDZ"));
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

  // Another updater at work finishes the update and starts TALVEC itself.
  auto lock =
      std::make_unique<talvec::SingleInstance>(folder, QLatin1String(talvec::kUpdaterLockName));
  if (!lock->acquired()) return 0;
  // What an updater that was killed left behind.
  talvec::RemoveUpdateLeftovers(folder);

  talvec::UpdaterOptions options;
  options.program_folder = folder;
  options.release_folder = [&lock] { lock.reset(); };
  talvec::Database db;
  talvec::Result<QString> web_dz = talvec::Fail(talvec::Error::Kind::kOther, QString());
  QString cause;
  if (const talvec::Result<void> opened = db.OpenDatabase(
          folder + QLatin1Char('/') + QLatin1String(talvec::kDatabaseFileName),
          talvec::DatabasePassword());
      !opened) {
    cause = opened.error().FullText();
  } else if (!(web_dz = ReadWebDZ(db))) {
    cause = web_dz.error().message + QStringLiteral(": ") + web_dz.error().detail;
  }
  db.CloseDatabase();
  if (!web_dz) {
    talvec::WriteUpdateOutcome(folder, {false, cause, QDateTime::currentDateTime()});
    talvec::ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("数据库登陆错误！"),
                        QStringLiteral("无法打开数据库，系统没有升级。"), cause);
    lock.reset();
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
