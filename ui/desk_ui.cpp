#include "ui/desk_ui.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "core/app_context.h"
#include "ui/frmjz.h"
#include "ui/watch_notifier.h"

namespace talvec {

DeskUi::DeskUi(AppContext& context, Viewer& viewer, ReminderTimer& reminders,
               WatchNotifier& notices, QMenu* menu, QWidget* window)
    : QObject(window),
      context_(context),
      viewer_(viewer),
      reminders_(reminders),
      notices_(notices),
      window_(window) {
  MenuJZ = menu->addAction(QStringLiteral("即将截止(&J)"));
  MenuJZ->setObjectName(QStringLiteral("MenuJZ"));
  MenuJZ->setShortcut(QKeySequence(Qt::Key_F6));
  connect(MenuJZ, &QAction::triggered, this, [this] { OpenDesk(); });
  connect(&reminders_, &ReminderTimer::reminded, this, &DeskUi::ShowNotices);
}

FrmJZ* DeskUi::OpenDesk() {
  if (!context_.db) return nullptr;
  if (desk_) {
    desk_->Refill();
    desk_->raise();
    desk_->activateWindow();
    return desk_;
  }
  ReminderTimer* timer = &reminders_;
  desk_ = new FrmJZ(*context_.db, &viewer_, context_.settings.SiteBaseAddress,
                    [timer] { return timer->Now(); }, window_);
  desk_->Highlight(given_titles_);
  desk_->show();
  return desk_;
}

void DeskUi::ShowNotices(const QList<ReminderNotice>& notices) {
  if (notices.isEmpty()) return;
  QStringList lines, titles;
  for (const ReminderNotice& n : notices) {
    lines.append(n.Text());
    titles.append(n.title);
  }
  given.append(lines);
  given_titles_.append(titles);
  if (QSystemTrayIcon* tray = notices_.tray()) {
    QStringList shown = lines.mid(0, 3);
    if (lines.size() > 3) shown.append(QStringLiteral("……"));
    tray->showMessage(notices.size() == 1 ? QStringLiteral("截止提醒")
                                          : QStringLiteral("截止提醒 %1 条").arg(notices.size()),
                      shown.join(u'\n'), QSystemTrayIcon::Information, 15000);
  }
  if (context_.settings.SoundNotice) notices_.PlayNoticeSound();
  if (desk_) {
    desk_->Refill();
    desk_->Highlight(titles);
  }
  emit noted(lines.constLast());
}

}  // namespace talvec
