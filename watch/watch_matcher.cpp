#include "watch/watch_matcher.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include "core/database.h"
#include "core/numeric.h"
#include "core/settings.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcWatch, "talvec.watch")

namespace talvec {

bool WatchWordsPass(const QString& title, const QString& words) {
  if (words.isEmpty()) return true;
  // Nothing occurs in an empty title, not even the empty word.
  return !title.isEmpty() && AnyWordOccurs(title, words);
}

bool WatchMatches(const QString& title, const WatchSettings& settings) {
  return WatchWordsPass(title, settings.product) && WatchWordsPass(title, settings.place);
}

Result<void> AppendWatchDay(Database& db, const QDate& day, bool last_day,
                            std::vector<WatchCandidate>* candidates) {
  const QString first = day.toString(QStringLiteral("yyyy-MM-dd"));
  Statement st =
      last_day ? db.Query("SELECT MC, DZ, SJ FROM List WHERE SJ >= ? AND SJ <= ?", first, first)
               : db.Query("SELECT MC, DZ, SJ FROM List WHERE SJ >= ? AND SJ < ?", first,
                          day.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
  auto cell = [&st](int column) {
    return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
  };
  while (st.Next()) candidates->push_back({cell(0), cell(1), cell(2)});
  if (!st.ok()) {
    qCWarning(lcWatch) << "candidates of" << first << "unreadable:" << st.error().FullText();
    return Fail(st.error());
  }
  return {};
}

QStringList AddWatchEntries(Database& db, const std::vector<WatchCandidate>& matches) {
  if (matches.empty()) return {};
  Database::Transaction tx(db);
  if (!tx.active()) {
    qCWarning(lcWatch) << "watch list not writable:" << tx.error().FullText();
    return {};
  }
  QStringList added;
  Statement count = db.Prepare("SELECT count(*) FROM Attention WHERE MC = ?");
  Statement insert = db.Prepare("INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES(?, ?, ?, '1')");
  for (const WatchCandidate& c : matches) {
    count.Reset();
    count.BindAll(c.title);
    if (!count.Next()) {
      qCWarning(lcWatch) << "check failed:" << count.error().FullText();
      continue;
    }
    if (count.Int(0) != 0) continue;
    insert.Reset();
    insert.BindAll(c.title, c.address, c.date);
    if (!insert.Run()) {
      qCWarning(lcWatch) << "insert failed:" << insert.error().FullText();
      continue;
    }
    added.append(c.title);
  }
  count = Statement();
  insert = Statement();
  if (const Result<void> committed = tx.Commit(); !committed) {
    qCWarning(lcWatch) << "watch entries not stored:" << committed.error().FullText();
    return {};
  }
  return added;
}

WatchMatcher::WatchMatcher(Database& db, const SystemSettings& settings, WatchOptions options,
                           QObject* parent)
    : Service(parent),
      db_(db),
      settings_(settings),
      today_(std::move(options.today)),
      slice_ms_(options.slice_ms),
      ticks_(options.initial_ticks),
      TimerGZ(this) {
  setObjectName(QStringLiteral("WatchMatcher"));
  TimerGZ.setObjectName(QStringLiteral("TimerGZ"));
  TimerGZ.setInterval(1000);
  connect(&TimerGZ, &QTimer::timeout, this, &WatchMatcher::Tick);
}

WatchMatcher::~WatchMatcher() { Stop(); }

void WatchMatcher::OnStop() { TimerGZ.stop(); }

void WatchMatcher::Load() {
  if (!stopping()) TimerGZ.start();
}

void WatchMatcher::Tick() {
  if (running_ || stopping()) return;
  ++ticks_;
  if (ticks_ <= kTicksBetweenRuns) return;
  ticks_ = 0;
  Run();
}

QCoro::Task<WatchRunResult> WatchMatcher::Run() {
  WatchRunResult result;
  if (running_ || stopping()) co_return result;
  running_ = true;
  const bool timer_was_on = TimerGZ.isActive();
  TimerGZ.stop();

  // A file that takes no more writes gets no run: nothing could be added.
  const Result<void> writable = db_.WritesAllowed();
  if (!writable) qCWarning(lcWatch) << "no run:" << writable.error().FullText();
  const Result<WatchSettings> words =
      writable ? ReadWatchSettings(db_) : Result<WatchSettings>(Fail(writable.error()));
  if (words) {
    const QDate today = Today();
    const QDate from = today.addDays(-words->look_back_days);
    std::vector<WatchCandidate> candidates;
    std::vector<WatchCandidate> matches;
    QElapsedTimer slice;
    slice.start();
    // Clicks and the other timers are served between slices of the work;
    // no statement stays open across a yield.
    auto due = [&slice, this] { return slice.elapsed() >= slice_ms_; };
    bool read = true;
    for (QDate day = from; read && day <= today; day = day.addDays(1)) {
      if (due()) {
        if (!co_await Pause(0)) break;
        slice.restart();
      }
      read = AppendWatchDay(db_, day, day == today, &candidates).has_value();
    }
    if (read && !stopping()) {
      result.candidates = static_cast<int>(candidates.size());
      for (WatchCandidate& c : candidates) {
        if (due()) {
          if (!co_await Pause(0)) break;
          slice.restart();
        }
        if (WatchMatches(c.title, *words)) matches.push_back(std::move(c));
      }
      // A stop ends the run here: nothing is written after it.
      if (!stopping()) {
        result.ran = true;
        result.matched = static_cast<int>(matches.size());
        result.added = AddWatchEntries(db_, matches);
      }
    }
  }

  // Also after a stop: a stopped matcher does not report a run.
  running_ = false;
  if (stopping()) co_return WatchRunResult{};
  if (timer_was_on && !stopping()) TimerGZ.start();
  qCInfo(lcWatch) << "run:" << result.candidates << "candidates," << result.matched << "matching,"
                  << result.added.size() << "added";
  emit runFinished(result);
  if (!result.added.isEmpty() && notices_ && !stopping()) {
    if (settings_.SoundNotice) notices_->PlayNoticeSound();
    if (settings_.PopupNotice) notices_->ShowWatchList();
    notices_->EntriesAdded(result);
  }
  co_return result;
}

}  // namespace talvec
