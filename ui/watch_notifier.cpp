#include "ui/watch_notifier.h"

#include <QIcon>
#include <QLoggingCategory>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QUrl>

#include "core/app_context.h"
#include "ui/frmgz.h"
#include "ui/result_list.h"
#include "ui/viewer.h"
#include "watch/watch_list.h"

Q_LOGGING_CATEGORY(lcNotice, "talvec.watch.notice")

namespace talvec {

WatchNotifier::WatchNotifier(AppContext& context, Viewer& viewer, QWidget* owner)
    : QObject(owner), context_(context), viewer_(viewer), owner_(owner) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    QIcon icon(QStringLiteral(":/talvec/talvec-32.png"));
    if (icon.isNull()) icon = ResultRowIcon();
    tray_ = new QSystemTrayIcon(icon, this);
    tray_->setObjectName(QStringLiteral("TrayGZ"));
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { OpenWatchList(); });
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
              if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                OpenWatchList();
            });
    UpdateTray();
    tray_->show();
  }
}

FrmGZ* WatchNotifier::watchList() const { return window_; }

QString WatchNotifier::SoundFile() const {
  return context_.program_folder + QStringLiteral("/Notice.wav");
}

QString WatchNotifier::TrayToolTip(int unread) {
  return unread > 0 ? QStringLiteral("我的观注: %1 条未阅").arg(unread)
                    : QStringLiteral("我的观注");
}

FrmGZ* WatchNotifier::OpenWatchList() {
  if (!context_.db) return nullptr;
  if (window_) {
    window_->Refill();
    window_->raise();
    window_->activateWindow();
    return window_;
  }
  Viewer* viewer = &viewer_;
  auto* window = new FrmGZ(
      *context_.db, context_.settings,
      [viewer](const QString& address, const QString& caption) {
        viewer->Open(address, caption, ViewerMode::kModal);
        return viewer->window();
      },
      {}, owner_);
  window_ = window;
  // The sound of a notice ends with the window.
  connect(window, &QDialog::finished, this, [this] {
    StopNoticeSound();
    UpdateTray();
  });
  connect(window, &FrmGZ::entriesChanged, this, &WatchNotifier::UpdateTray);
  connect(window, &FrmGZ::watchSaved, this, [this] { RequestRun(); });
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void WatchNotifier::PlayNoticeSound() {
  ++sound_requests_;
  if (!sound_) {
    sound_ = new QSoundEffect(this);
    sound_->setSource(QUrl::fromLocalFile(SoundFile()));
    sound_->setLoopCount(1);
    connect(sound_, &QSoundEffect::statusChanged, this, [this] {
      if (sound_->status() == QSoundEffect::Error)
        qCWarning(lcNotice) << "cannot play" << SoundFile();
    });
  }
  // Once, from its start; the run does not wait for it.
  sound_->stop();
  sound_->play();
  emit soundRequested();
}

void WatchNotifier::StopNoticeSound() {
  if (sound_) sound_->stop();
}

void WatchNotifier::EntriesAdded(const WatchRunResult& result) {
  UpdateTray();
  if (!tray_ || result.added.isEmpty()) return;
  QStringList lines = result.added.mid(0, 3);
  if (result.added.size() > 3) lines.append(QStringLiteral("……"));
  if (!result.rules.isEmpty()) lines.prepend(QStringLiteral("规则：") + result.rules.join(u'、'));
  tray_->showMessage(QStringLiteral("新增观注 %1 条").arg(result.added.size()), lines.join(u'\n'),
                     QSystemTrayIcon::Information, 15000);
}

void WatchNotifier::UpdateTray() {
  if (!tray_ || !context_.db) return;
  tray_->setToolTip(TrayToolTip(UnreadWatchCount(*context_.db)));
}

}  // namespace talvec
