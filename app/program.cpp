#include "app/program.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTimer>
#include <QTranslator>

#include "services/services.h"
#include "core/app_context.h"
#include "core/database.h"
#include "core/database_check.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/termination.h"
#include "ui/frmweath.h"
#include "dialogs/messages.h"
#include "ui/skin.h"

Q_LOGGING_CATEGORY(lcStartup, "talvec.startup")

namespace talvec {

namespace {

// What is wrong as the headline, the file and what to do below.
int DatabaseFailure(const Error& error) {
  ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("数据库登陆错误！"), error.message,
              error.detail);
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
  // SIGTERM, SIGINT and SIGHUP end the program as closing its window does.
  TerminationSignals termination;
  QPointer<FrmWeath> main_window;
  bool end_requested = false;
  QObject::connect(&termination, &TerminationSignals::received, &app, [&] {
    end_requested = true;
    if (main_window) {
      main_window->close();
    } else {
      QCoreApplication::quit();  // ends a message box of the start-up
    }
  });

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

  // 3. The database. A write-ahead log left beside the file by a run that
  // did not end in order is checked with the file before anything writes.
  const QString db_path =
      context.program_folder + QLatin1Char('/') + QLatin1String(kDatabaseFileName);
  const bool log_left = QFileInfo::exists(LogPath(db_path));
  const Result<QString> leftover = CheckLeftoverLog(db_path, DatabasePassword());
  if (!leftover) return DatabaseFailure(leftover.error());
  Database db;
  QElapsedTimer open_time;
  open_time.start();
  if (const Result<void> opened = db.OpenDatabase(db_path, DatabasePassword()); !opened) {
    return DatabaseFailure(opened.error());
  }
  qCInfo(lcStartup) << "OpenDatabase took" << open_time.elapsed() << "ms";
  if (!leftover->isEmpty()) {
    ShowMessage(nullptr, QMessageBox::Information, QStringLiteral("系统提示"),
                QStringLiteral("数据库文件旁遗留的日志文件与数据库文件不一致（例如数据库文件是从备份"
                               "恢复的），程序已使用数据库文件本身。"),
                QStringLiteral("原日志文件已改名保存为：%1")
                    .arg(QDir::toNativeSeparators(*leftover)));
  }
  context.db = &db;
  // A file of an older version is brought up to this one; one that cannot
  // be (duplicate titles, say) is not used at all.
  if (const Result<void> migrated = Migrate(db); !migrated) {
    db.CloseDatabase();
    return DatabaseFailure(Error{migrated.error().kind, QStringLiteral("无法升级数据库。"),
                                 migrated.error().FullText()});
  }

  // 4. The settings row; a file without it gets the delivered row back.
  const Result<bool> restored = RestoreMissingSettingsRow(db, QDate::currentDate());
  Result<void> loaded = restored ? LoadSystemSettings(db, &context.settings)
                                 : Result<void>(Fail(restored.error()));
  if (!loaded) {
    db.CloseDatabase();
    return DatabaseFailure(Error{loaded.error().kind, QStringLiteral("无法读取设置。"),
                                 loaded.error().FullText()});
  }
  if (*restored) {
    ShowMessage(nullptr, QMessageBox::Information, QStringLiteral("系统提示"),
                QStringLiteral("数据库中没有设置记录，已恢复为初始设置。"),
                QStringLiteral("请在【系统设置】和【我的观注】中检查设置。"));
  }

  // 5. The interface style.
  ApplySkin(app, context.program_folder, context.settings.UIType);

  // 6. and 7. The services, the main window and its load.
  UpdateCheckOptions update_options;
  update_options.program_folder = context.program_folder;
  update_options.own_version = context.version;
  Services services(db, context.settings, options.schedule, options.watch,
                    std::move(update_options), {}, options.reminder_clock);
  // What the last update left: its leftovers, and its failure for the
  // status bar.
  services.update.SettleLastUpdate();
  FrmWeath window(context, services);
  main_window = &window;
  if (!options.search_engine_base.isEmpty()) window.SetSearchEngineBase(options.search_engine_base);
  // A damaged file is said once; from then on every write is refused.
  db.SetDamageHandler([&window](const Error& error) {
    QTimer::singleShot(0, &window, [&window, error] {
      ShowMessage(&window, QMessageBox::Critical, QStringLiteral("数据安全"), error.message,
                  error.detail);
    });
  });
  BackgroundCheck check(db_path, DatabasePassword());
  // Shutdown, in order: the services stop (no request or statement after
  // that), the database closes (its log copied into it and deleted), the
  // event loop ends.
  window.SetShutdownHandler([&services, &db, &check] {
    db.SetDamageHandler(nullptr);
    check.Stop();
    services.Stop();
    db.CloseDatabase();
    QCoreApplication::quit();
  });
  window.Load();
  window.show();
  QTimer::singleShot(0, &window, [&since_start] {
    qCInfo(lcStartup) << "main window shown after" << since_start.elapsed() << "ms";
  });
  // The pages of the file, checked once while the program runs (at start
  // already when a log was left over).
  if (!log_left) {
    check.Start([&db](const Result<void>& result, qint64 elapsed_ms) {
      qCInfo(lcStartup) << "quick_check took" << elapsed_ms << "ms:"
                        << (result ? QStringLiteral("ok") : result.error().FullText());
      if (!result && result.error().Is(Error::Kind::kCorrupt)) db.RefuseWrites(result.error());
    });
  }
  if (options.on_shown) options.on_shown(window);
  if (end_requested) {
    window.close();
    return 0;
  }
  return app.exec();
}

}  // namespace talvec
