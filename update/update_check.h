// The check for a newer program version on the management server, from the
// window's timer TimerSystemUP and from the menu command MenuUpdate. When the
// server has a newer version the updater is started and updaterStarted()
// tells the window to close; the updater starts the program again.
//
// A version whose update failed is not offered again automatically for a
// day (update/update_failures.h); the menu command offers it after asking.
#pragma once

#include <qcorotask.h>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

#include "core/service.h"
#include "net/page_fetcher.h"
#include "update/update_failures.h"
#include "update/version_rules.h"

namespace talvec {

class Database;
struct SystemSettings;

// The updater program in the program folder ("MORVUP", with ".exe" on
// Windows).
QString UpdaterProgramPath(const QString& program_folder);

struct UpdateCheckOptions {
  QString program_folder;
  QString own_version;  // VersionString
  // Starts the updater; false when it could not be started. Default: the
  // updater of the program folder, detached, the program folder as its
  // working folder.
  std::function<bool(const QString& program_folder)> start_updater;
  // The clock of the failure records. Default: the local time.
  std::function<QDateTime()> now;
};

class UpdateCheck : public Service {
  Q_OBJECT

 public:
  // The version answer is a few bytes; anything longer is no version.
  static constexpr qint64 kAnswerBytes = 4096;
  // While the server offers a version that failed, the timer asks again
  // this often (a newer version may appear), not at every tick.
  static constexpr qint64 kQuietRecheckSeconds = 600;

  UpdateCheck(PageFetcher& fetcher, Database& db, const SystemSettings& settings,
              UpdateCheckOptions options, QObject* parent = nullptr);
  ~UpdateCheck() override;

  enum class Outcome {
    kBusy,           // a check was already running; this one did nothing
    kNoAnswer,       // the server gave nothing usable, twice
    kNewer,          // the updater was started
    kNotNewer,       // this program is the newest
    kUpdaterFailed,  // newer, but the updater could not be started
    kFailedBefore,   // newer, but its update failed less than a day ago
  };

  // At start, before the window: removes what an interrupted update left in
  // the program folder and settles the last update with the updater's
  // report. Does nothing while an updater still runs. Gives the failure of
  // the last update, if it failed (also kept as lastUpdateFailure()).
  std::optional<UpdateFailure> SettleLastUpdate();

  // The version query (one more request after an empty or unusable answer)
  // and what follows from it. from_menu only changes the signals' argument.
  QCoro::Task<Outcome> Check(bool from_menu);
  // Fire-and-forget forms for the timer and the menu. The timer's ticks ask
  // nothing while a failed version keeps quiet.
  void CheckFromTimer();
  void CheckFromMenu();
  // Starts the updater for `version` (the user's answer to
  // retryOffered()); false when it could not be started.
  bool StartUpdater(const QString& version);

  QString QueryAddress() const;
  const QString& lastFailure() const { return last_failure_; }
  const std::optional<UpdateFailure>& lastUpdateFailure() const { return update_failure_; }

 signals:
  void updaterStarted();
  void upToDate(bool from_menu);
  void noAnswer(bool from_menu);
  void updaterFailed(const QString& why);
  // The menu found a newer version whose update failed: the window asks
  // whether to try it again, and calls StartUpdater() if so.
  void retryOffered(const talvec::UpdateFailure& failure);

 private:
  QDateTime Now() const;
  bool Launch(const QString& version, bool automatic);

  PageFetcher& fetcher_;
  Database& db_;
  const SystemSettings& settings_;
  UpdateCheckOptions options_;
  bool running_ = false;
  QString last_failure_;
  std::optional<UpdateFailure> update_failure_;
  QDateTime quiet_until_;  // the timer asks nothing before this time
};

}  // namespace talvec
