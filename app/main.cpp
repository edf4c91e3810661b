// TALVEC: the start-up sequence of the main program.
#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "core/app_context.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "ui/frmweath.h"
#include "ui/messages.h"
#include "ui/skin.h"

Q_LOGGING_CATEGORY(lcStartup, "talvec.startup")

namespace {

int DatabaseFailure(const QString& cause) {
  talvec::ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("数据库登陆错误！"),
                      QStringLiteral("您的计算机未安装数据库引擎！"), cause);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  QElapsedTimer since_start;
  since_start.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TALVEC"));

  talvec::AppContext context;
  context.program_folder = QCoreApplication::applicationDirPath();

  // 1. One copy at a time.
  talvec::SingleInstance instance(context.program_folder);
  if (!instance.acquired()) {
    talvec::ShowMessage(nullptr, QMessageBox::Information, QStringLiteral("系统提示"),
                        QStringLiteral("系统已经运行，请关闭后再试。"));
    return 1;
  }

  // 2. The operating system's name.
  context.os_name = talvec::OsName(talvec::OsVersion());
  context.version = talvec::ProgramVersionString();

  // 3. The database.
  talvec::Database db;
  QElapsedTimer open_time;
  open_time.start();
  if (!db.OpenDatabase(context.program_folder + QLatin1Char('/') +
                           QLatin1String(talvec::kDatabaseFileName),
                       talvec::DatabasePassword())) {
    return DatabaseFailure(db.failureText());
  }
  qCInfo(lcStartup) << "OpenDatabase took" << open_time.elapsed() << "ms";
  context.db = &db;
  if (!talvec::Migrate(db)) {
    const QString cause = QStringLiteral("无法升级数据库: %1").arg(db.LastError());
    db.CloseDatabase();
    return DatabaseFailure(cause);
  }

  // 4. The settings row.
  if (!talvec::LoadSystemSettings(db, &context.settings)) {
    const QString cause = QStringLiteral("无法读取设置: %1").arg(db.LastError());
    db.CloseDatabase();
    return DatabaseFailure(cause);
  }

  // 5. The interface style.
  talvec::ApplySkin(app, context.program_folder, context.settings.UIType);

  // 6. and 7. The main window and its load.
  talvec::FrmWeath window(context);
  window.SetShutdownHandler([] {
    std::fflush(nullptr);
    std::_Exit(0);
  });
  window.Load();
  window.show();
  QTimer::singleShot(0, &window, [&since_start] {
    qCInfo(lcStartup) << "main window shown after" << since_start.elapsed() << "ms";
  });
  return app.exec();
}
