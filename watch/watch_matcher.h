// The watch matcher: a service that, on every 481st tick of its timer
// TimerGZ, rescans the announcements of the last few days and adds each
// title holding a watched product word and a watched place word to the
// watch list, unread, then gives the notices the user chose.
#pragma once

#include <qcorotask.h>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

#include "core/error.h"
#include "core/service.h"
#include "core/settings.h"

namespace talvec {

class Database;
struct SystemSettings;

// One word list's test: an empty list passes; otherwise the list is split
// at every single blank and any word occurring in the title passes (a
// doubled blank gives an empty word, which occurs in every non-empty title).
bool WatchWordsPass(const QString& title, const QString& words);
// Both the product and the place test pass.
bool WatchMatches(const QString& title, const WatchSettings& settings);

struct WatchCandidate {
  QString title;      // MC, trimmed
  QString address;    // DZ, trimmed
  QString date;       // SJ, trimmed
  QString rule = {};  // the name of the first rule that matched (Attention.Rule)
};

// One day's part of a date window, appended: dates from `day` up to the
// next day's text, or up to `day` itself when it is the window's last. The
// days of a window together select exactly what the whole window (both ends
// included) selects.
Result<void> AppendWatchDay(Database& db, const QDate& day, bool last_day,
                            std::vector<WatchCandidate>* candidates);
// Adds, in one transaction, each candidate whose title is not yet on the
// watch list as an unread entry; a title whose check or insert fails is
// not added. The titles added, in order.
QStringList AddWatchEntries(Database& db, const std::vector<WatchCandidate>& matches);

struct WatchRunResult {
  bool ran = false;  // the settings were read and the window scanned
  int candidates = 0;
  int matched = 0;
  QStringList added;   // titles that became new entries
  QStringList rules;   // the rules that added them, default first, then by ID
  bool sound = false;  // a rule matching an added title has its sound on
  bool popup = false;  // ... its pop-up on
};

// The notices of a run that added entries; the window side gives them.
class WatchNotices {
 public:
  virtual ~WatchNotices() = default;
  // Starts the notice sound and returns at once.
  virtual void PlayNoticeSound() = 0;
  // Shows the watch-list window, or refills it when it is open.
  virtual void ShowWatchList() = 0;
  // After every run that added entries, after the two above.
  virtual void EntriesAdded(const WatchRunResult& result) { (void)result; }

  // The window side's way back: the words or rules changed, a run soon.
  void SetRunRequest(std::function<void()> request) { run_request_ = std::move(request); }
  void RequestRun() {
    if (run_request_) run_request_();
  }

 private:
  std::function<void()> run_request_;
};

struct WatchOptions {
  qint16 initial_ticks = 0;      // the counter's value at load
  std::function<QDate()> today;  // default: the current date
  int slice_ms = 4;              // the longest stretch between yields
};

class WatchMatcher : public Service {
  Q_OBJECT

 public:
  // A run comes on the tick that takes the counter past this.
  static constexpr qint16 kTicksBetweenRuns = 480;

  WatchMatcher(Database& db, const SystemSettings& settings, WatchOptions options = {},
               QObject* parent = nullptr);
  ~WatchMatcher() override;

  // The main window's load: TimerGZ runs from now on.
  void Load();
  // TimerGZ's handler, one call a second: every 481st starts a run.
  void Tick();
  // One run: TimerGZ is off while it lasts and on again before the notices.
  // A request while a run is going gives an empty result.
  QCoro::Task<WatchRunResult> Run();
  // The words or a rule changed: a run within a few seconds, or right after
  // the one going; the tick counter goes on as it is.
  void RequestRun();
  static constexpr int kRequestedRunDelayMs = 2000;

  // Where the notices go; nullptr: none.
  void SetNotices(WatchNotices* notices);

  QTimer& timerGZ() { return TimerGZ; }
  qint16 ticks() const { return ticks_; }
  bool running() const { return running_; }

 signals:
  // After every run, before its notices.
  void runFinished(const talvec::WatchRunResult& result);

 protected:
  void OnStop() override;

 private:
  QDate Today() const { return today_ ? today_() : QDate::currentDate(); }

  Database& db_;
  const SystemSettings& settings_;
  std::function<QDate()> today_;
  int slice_ms_;
  WatchNotices* notices_ = nullptr;
  qint16 ticks_;
  bool running_ = false;
  bool run_again_ = false;
  QTimer TimerGZ;
  QTimer requested_;
};

}  // namespace talvec
