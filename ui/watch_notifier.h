// The notices of the watch matcher on the desktop: the notice sound, the
// watch-list window as pop-up (refilled when it is already open), and, where
// the desktop has a system tray, a tray icon with the unread count and a
// system notification for each run that added entries.
#pragma once

#include <QObject>
#include <QPointer>

#include "watch/watch_matcher.h"

class QSoundEffect;
class QSystemTrayIcon;
class QWidget;

namespace talvec {

class FrmGZ;
class Viewer;
struct AppContext;

class WatchNotifier : public QObject, public WatchNotices {
  Q_OBJECT

 public:
  // `owner` is the main window: the parent of the watch-list window. The
  // owner hands the notifier to the matcher (and takes it back).
  WatchNotifier(AppContext& context, Viewer& viewer, QWidget* owner);

  // The menu entry and the pop-up: a new window, modal for the user, or the
  // open one refilled and raised.
  FrmGZ* OpenWatchList();
  FrmGZ* watchList() const;

  void PlayNoticeSound() override;
  void ShowWatchList() override { OpenWatchList(); }
  void EntriesAdded(const WatchRunResult& result) override;
  void StopNoticeSound();

  // How often the sound was started, and with which file (for tests).
  int soundRequests() const { return sound_requests_; }
  QString SoundFile() const;
  QSystemTrayIcon* tray() const { return tray_; }
  // The text of the tray icon's tooltip for an unread count.
  static QString TrayToolTip(int unread);

 signals:
  void soundRequested();

 private:
  void UpdateTray();

  AppContext& context_;
  Viewer& viewer_;
  QWidget* owner_;
  QPointer<FrmGZ> window_;
  QSoundEffect* sound_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  int sound_requests_ = 0;
};

}  // namespace talvec
