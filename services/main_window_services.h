// What the main window may ask of the background services, and what they
// tell it: the window starts their work at its load, holds collection off
// around a window that reads whole tables, and shows what they report. It
// reaches no service beyond this.
#pragma once

#include <QObject>

#include "collect/collection_progress.h"

namespace talvec {

class DateFallbackSource;
class FactsReader;
class ReminderTimer;
class UpdateCheck;
class WatchNotices;

// What the status light and the status bar show, as the services report it.
class ServiceActivity : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 signals:
  // The procurement site became unreachable, or reachable again.
  void reachabilityChanged(bool unreachable);
  // A collection cycle starts; a page with items was read; the cycle ended.
  void cycleStarted();
  void working();
  void cycleFinished();
  // Automatic analysis ended its reading of result pages.
  void analysisEnded();
  void progressChanged(const talvec::CollectionProgress& progress);
};

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;

  // The load steps of the background work, in their order: the site counts
  // as unreachable until the probe says otherwise; TimerUpdate runs when
  // `research` is 1 (automatic collection); the watch matcher's TimerGZ
  // runs; the first schedule pass comes a minute later; the probe starts.
  virtual void StartAtLoad(qint16 research) = 0;

  // Collection and automatic analysis hold off (TimerUpdate and TimerAuto
  // off, StopCollection set) while a window that reads whole tables opens;
  // Resume switches both timers on again and gives StopCollection back the
  // value it had before the pause.
  virtual void PauseCollection() = 0;
  virtual void ResumeCollection() = 0;

  // After the settings dialog: automatic analysis follows the choice.
  virtual void SettingsClosed() = 0;

  virtual ServiceActivity& activity() = 0;
  virtual const CollectionProgress& progress() const = 0;
  // Where the collectors take the date of an item without one; nullptr
  // when the window goes.
  virtual void SetDateFallback(DateFallbackSource* source) = 0;
  // Who shows the watch matcher's notices; nullptr when the window goes.
  virtual void SetWatchNotices(WatchNotices* notices) = 0;
  // The update check behind TimerSystemUP and MenuUpdate.
  virtual UpdateCheck& updateCheck() = 0;
  // The facts reader: the page the user opens is read first
  // (ReadNow), and the command "读取近 N 天公告要素" runs on it.
  virtual FactsReader& factsReader() = 0;
  // The deadline reminders of the kept announcements, checked from the
  // window's load on; their notices go to the window.
  virtual ReminderTimer& reminders() = 0;
};

}  // namespace talvec
