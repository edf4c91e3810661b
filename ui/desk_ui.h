// The desk in the main window: the command "即将截止" (F6) of 【个人管理】
// and the deadline reminders' notices (a tray message where there is a
// tray, the notice sound when sound notices are on, the row highlighted in
// an open "即将截止", a line in the status bar). Nothing here is modal.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "desk/reminders.h"
#include "ui/frmjz.h"

class QAction;
class QMenu;
class QWidget;

namespace talvec {

struct AppContext;
class Viewer;
class WatchNotifier;

class DeskUi : public QObject {
  Q_OBJECT

 public:
  DeskUi(AppContext& context, Viewer& viewer, ReminderTimer& reminders, WatchNotifier& notices,
         QMenu* menu, QWidget* window);

  // The window, or the open one refilled and raised.
  FrmJZ* OpenDesk();
  FrmJZ* desk() const { return desk_; }
  void ShowNotices(const QList<ReminderNotice>& notices);

  QAction* MenuJZ = nullptr;
  // Every notice given in this run, newest last (the status bar shows the last).
  QStringList given;

 signals:
  void noted(const QString& text);

 private:
  AppContext& context_;
  Viewer& viewer_;
  ReminderTimer& reminders_;
  WatchNotifier& notices_;
  QPointer<QWidget> window_;
  QPointer<FrmJZ> desk_;
  QStringList given_titles_;
};

}  // namespace talvec
