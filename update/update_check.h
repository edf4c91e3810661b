// The check for a newer program version on the management server, from the
// window's timer TimerSystemUP and from the menu command MenuUpdate. When the
// server has a newer version the updater is started and updaterStarted()
// tells the window to close; the updater starts the program again.
#pragma once

#include <qcorotask.h>
#include <QString>
#include <functional>

#include "net/page_fetcher.h"
#include "core/service.h"
#include "update/version_rules.h"

namespace talvec {

struct SystemSettings;

// The updater program in the program folder ("MORVUP", with ".exe" on
// Windows), and the main program beside it.
QString UpdaterProgramPath(const QString& program_folder);
QString MainProgramPath(const QString& program_folder);

struct UpdateCheckOptions {
  QString program_folder;
  QString own_version;  // VersionString
  // Starts the updater; false when it could not be started. Default: the
  // updater of the program folder, detached, the program folder as its
  // working folder.
  std::function<bool(const QString& program_folder)> start_updater;
};

class UpdateCheck : public Service {
  Q_OBJECT

 public:
  // The version answer is a few bytes; anything longer is no version.
  static constexpr qint64 kAnswerBytes = 4096;

  UpdateCheck(PageFetcher& fetcher, const SystemSettings& settings, UpdateCheckOptions options,
              QObject* parent = nullptr);
  ~UpdateCheck() override;

  enum class Outcome {
    kBusy,           // a check was already running; this one did nothing
    kNoAnswer,       // the server gave nothing usable, twice
    kNewer,          // the updater was started
    kNotNewer,       // this program is the newest
    kUpdaterFailed,  // newer, but the updater could not be started
  };

  // The version query (one more request after an empty or unusable answer)
  // and what follows from it. from_menu only changes the signals' argument.
  QCoro::Task<Outcome> Check(bool from_menu);
  // Fire-and-forget forms for the timer and the menu.
  void CheckFromTimer();
  void CheckFromMenu();

  QString QueryAddress() const;
  const QString& lastFailure() const { return last_failure_; }

 signals:
  void updaterStarted();
  void upToDate(bool from_menu);
  void noAnswer(bool from_menu);
  void updaterFailed(const QString& why);

 private:
  PageFetcher& fetcher_;
  const SystemSettings& settings_;
  UpdateCheckOptions options_;
  bool running_ = false;
  QString last_failure_;
};

}  // namespace talvec
