#include "ui/update_menu.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include "dialogs/messages.h"
#include "update/update_check.h"

namespace talvec {

namespace {

void ShowUpdateFailure(QLabel* label, const QString& cause, const QString& detail) {
  label->setText(QString::fromUtf8(kUpdateFailedPrefix) + cause);
  label->setToolTip(detail.isEmpty() ? label->text() : detail);
  label->show();
}

}  // namespace

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
    if (from_menu) window->statusBar()->showMessage(QString::fromUtf8(kNoUpdateAnswerText), 15000);
  });
  // Stays beside the collection's status until the program ends.
  auto* label = new QLabel(window->statusBar());
  label->setObjectName(QStringLiteral("LabelUpdate"));
  label->hide();
  window->statusBar()->addPermanentWidget(label);
  if (const std::optional<UpdateFailure>& last = check.lastUpdateFailure()) {
    ShowUpdateFailure(
        label, last->cause,
        last->version.isEmpty()
            ? QString()
            : QStringLiteral("版本 %1，%2")
                  .arg(last->version, last->at.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
  }
  QObject::connect(&check, &UpdateCheck::updaterFailed, window, [timer, label](const QString& why) {
    timer->stop();
    ShowUpdateFailure(label, why, QString());
  });
  QObject::connect(
      &check, &UpdateCheck::retryOffered, window, [window, &check](const UpdateFailure& failure) {
        QTimer::singleShot(0, window, [window, &check, failure] {
          const QMessageBox::StandardButton answer = ShowMessage(
              window, QMessageBox::Question, QStringLiteral("系统信息"),
              QStringLiteral("版本 %1 于 %2 升级失败：%3\n是否再试一次？")
                  .arg(failure.version, failure.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                       failure.cause),
              QString(), QMessageBox::Yes | QMessageBox::No);
          if (answer == QMessageBox::Yes) check.StartUpdater(failure.version);
        });
      });
}

}  // namespace talvec
