#include "ui/update_menu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include "dialogs/messages.h"
#include "update/update_check.h"

namespace talvec {

void InstallUpdateCommands(QMainWindow* window, QMenu* menu, QTimer* timer, UpdateCheck& check) {
  menu->addSeparator();
  QAction* update = menu->addAction(QStringLiteral("系统升级(&Upgrade)"));
  update->setObjectName(QStringLiteral("MenuUpdate"));
  QObject::connect(update, &QAction::triggered, &check, &UpdateCheck::CheckFromMenu);
  QObject::connect(timer, &QTimer::timeout, &check, &UpdateCheck::CheckFromTimer);

  // The updater replaces the program files; this program gets out of its way.
  QObject::connect(&check, &UpdateCheck::updaterStarted, window, [window] { window->close(); });
  QObject::connect(&check, &UpdateCheck::upToDate, window, [window, timer](bool from_menu) {
    timer->stop();
    if (!from_menu) return;
    // Shown after the check has ended, not from inside it.
    QTimer::singleShot(0, window, [window] {
      ShowMessage(window, QMessageBox::Information, QStringLiteral("系统信息"),
                  QStringLiteral("您正在使用的软件为最新版,不需要升级!"));
    });
  });
  QObject::connect(&check, &UpdateCheck::noAnswer, window, [window](bool from_menu) {
    if (from_menu) window->statusBar()->showMessage(QLatin1String(kNoUpdateAnswerText), 15000);
  });
  QObject::connect(&check, &UpdateCheck::updaterFailed, window,
                   [window, timer](const QString& why) {
                     timer->stop();
                     window->statusBar()->showMessage(why, 15000);
                   });
}

}  // namespace talvec
