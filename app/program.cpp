#include "app/program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTimer>
#include <QTranslator>

#include "services/services.h"
#include "core/app_context.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "ui/frmweath.h"
#include "dialogs/messages.h"
#include "ui/skin.h"

Q_LOGGING_CATEGORY(lcStartup, "talvec.startup")

namespace talvec {

namespace {

int DatabaseFailure(const QString& cause) {
  ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("数据库登陆错误！"),
              QStringLiteral("您的计算机未安装数据库引擎！"), cause);
  return 2;
}

// Standard buttons, the calendar and other texts of Qt's own dialogs in
// Chinese, whatever language the machine is set to.
void LoadChineseTranslations(QApplication& app) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  } else {
    qCInfo(lcStartup) << "no Chinese translation of Qt found";
  }
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

}  // namespace

int RunProgram(int argc, char** argv, const ProgramOptions& options) {
  QElapsedTimer since_start;
  since_start.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TALVEC"));
  // The desktop entry that scripts/install-desktop writes, and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("talvec"));
  QApplication::setWindowIcon(TalvecIcon());
  SetMessageSink(options.messages);
  LoadChineseTranslations(app);

  AppContext context;
  context.program_folder = QCoreApplication::applicationDirPath();

  // 1. One copy at a time.
  SingleInstance instance(context.program_folder);
  if (!instance.acquired()) {
    ShowMessage(nullptr, QMessageBox::Information, QStringLiteral("系统提示"),
                QStringLiteral("系统已经运行，请关闭后再试。"));
    return 1;
  }

  // 2. The operating system's name.
  context.os_name = OsName(OsVersion());
  context.version = ProgramVersionString();

  // 3. The database.
  Database db;
  QElapsedTimer open_time;
  open_time.start();
  if (!db.OpenDatabase(context.program_folder + QLatin1Char('/') + QLatin1String(kDatabaseFileName),
                       DatabasePassword())) {
    return DatabaseFailure(db.failureText());
  }
  qCInfo(lcStartup) << "OpenDatabase took" << open_time.elapsed() << "ms";
  context.db = &db;
  // A file of an older version is brought up to this one; one that cannot
  // be (duplicate titles, say) is not used at all.
  if (!Migrate(db)) {
    const QString cause = QStringLiteral("无法升级数据库: %1").arg(db.LastError());
    db.CloseDatabase();
    return DatabaseFailure(cause);
  }

  // 4. The settings row.
  if (!LoadSystemSettings(db, &context.settings)) {
    const QString cause = QStringLiteral("无法读取设置: %1").arg(db.LastError());
    db.CloseDatabase();
    return DatabaseFailure(cause);
  }

  // 5. The interface style.
  ApplySkin(app, context.program_folder, context.settings.UIType);

  // 6. and 7. The services, the main window and its load.
  UpdateCheckOptions update_options;
  update_options.program_folder = context.program_folder;
  update_options.own_version = context.version;
  Services services(db, context.settings, options.schedule, options.watch,
                    std::move(update_options));
  // What the last update left: its leftovers, and its failure for the
  // status bar.
  services.update.SettleLastUpdate();
  FrmWeath window(context, services);
  if (!options.search_engine_base.isEmpty()) window.SetSearchEngineBase(options.search_engine_base);
  // Shutdown, in order: the services stop (no request or statement after
  // that), the database closes, the event loop ends.
  window.SetShutdownHandler([&services, &db] {
    services.Stop();
    db.CloseDatabase();
    QCoreApplication::quit();
  });
  window.Load();
  window.show();
  QTimer::singleShot(0, &window, [&since_start] {
    qCInfo(lcStartup) << "main window shown after" << since_start.elapsed() << "ms";
  });
  if (options.on_shown) options.on_shown(window);
  return app.exec();
}

}  // namespace talvec
