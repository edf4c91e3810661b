#include "watch/watch_matcher.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include "core/database.h"
#include "core/numeric.h"
#include "core/settings.h"
#include "core/text.h"
#include "watch/watch_rules.h"

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
  // The check and the insert in one statement: a title already listed
  // changes nothing.
  Statement insert = db.Prepare(
      "INSERT INTO Attention(MC, DZ, SJ, ZT, Rule) SELECT ?1, ?2, ?3, '1', ?4 "
      "WHERE NOT EXISTS (SELECT 1 FROM Attention WHERE MC = ?1)");
  for (const WatchCandidate& c : matches) {
    insert.Reset();
    insert.BindAll(c.title, c.address, c.date, c.rule.isEmpty() ? QVariant() : QVariant(c.rule));
    if (!insert.Run()) {
      qCWarning(lcWatch) << "insert failed:" << insert.error().FullText();
      continue;
    }
    if (db.Changes() == 0) continue;
    added.append(c.title);
  }
  insert = Statement();
  if (const Result<void> committed = tx.Commit(); !committed) {
    qCWarning(lcWatch) << "watch entries not stored:" << committed.error().FullText();
    return {};
  }
  return added;
}

namespace {

struct RuleMatch {
  int first = -2;       // -2 none, -1 the default rule, else the index of the rule
  unsigned notice = 0;  // 1 sound, 2 pop-up: of every rule that matched
};

RuleMatch MatchRules(const WatchSettings& words, const std::vector<RuleTest>& rules,
                     const RuleCandidate& c, bool default_sound, bool default_popup) {
  RuleMatch m;
  if (DefaultRuleMatches(words, c)) {
    m.first = -1;
    m.notice = (default_sound ? 1u : 0u) | (default_popup ? 2u : 0u);
  }
  for (int i = 0; i < static_cast<int>(rules.size()); ++i) {
    const WatchRule& rule = rules[i].rule();
    // Once a rule names the entry, the others only add their notices.
    const unsigned flags = (rule.sound ? 1u : 0u) | (rule.popup ? 2u : 0u);
    if (m.first >= -1 && (m.notice | flags) == m.notice) continue;
    if (!rules[i].Matches(c)) continue;
    if (m.first < -1) m.first = i;
    m.notice |= flags;
  }
  return m;
}

// The notices and the rules' names of the entries a run added (`added`
// keeps the order of `matches`).
void SummarizeNotices(const std::vector<WatchCandidate>& matches,
                      const std::vector<unsigned>& notice, const std::vector<int>& first_rule,
                      const std::vector<RuleTest>& rules, WatchRunResult* result) {
  std::vector<bool> named(rules.size() + 1, false);  // [0] the default rule
  unsigned flags = 0;
  qsizetype next = 0;
  for (size_t i = 0; i < matches.size() && next < result->added.size(); ++i) {
    if (matches[i].title != result->added[next]) continue;
    ++next;
    flags |= notice[i];
    named[first_rule[i] + 1] = true;
  }
  result->sound = flags & 1u;
  result->popup = flags & 2u;
  if (named[0]) result->rules.append(kDefaultRuleName);
  for (size_t i = 0; i < rules.size(); ++i) {
    if (named[i + 1]) result->rules.append(rules[i].rule().name);
  }
}

}  // namespace

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
  requested_.setSingleShot(true);
  requested_.setInterval(kRequestedRunDelayMs);
  connect(&requested_, &QTimer::timeout, this, [this] {
    if (stopping()) return;
    if (running_) {
      run_again_ = true;
      return;
    }
    Run();
  });
}

WatchMatcher::~WatchMatcher() {
  SetNotices(nullptr);
  Stop();
}

void WatchMatcher::SetNotices(WatchNotices* notices) {
  if (notices_) notices_->SetRunRequest({});
  notices_ = notices;
  if (notices_) notices_->SetRunRequest([this] { RequestRun(); });
}

void WatchMatcher::OnStop() {
  TimerGZ.stop();
  requested_.stop();
}

void WatchMatcher::RequestRun() {
  if (stopping()) return;
  if (running_)
    run_again_ = true;
  else
    requested_.start();
}

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
    // A rule that cannot be read leaves the default rule alone at work.
    std::vector<RuleTest> rules;
    if (Result<std::vector<WatchRule>> stored = LoadWatchRules(db_); stored) {
      for (const WatchRule& rule : *stored) {
        if (rule.enabled) rules.emplace_back(rule);
      }
    }
    const QDate today = Today();
    const QDate from = today.addDays(-words->look_back_days);
    std::vector<RuleCandidate> candidates;
    std::vector<WatchCandidate> matches;
    std::vector<unsigned> notice;  // per match: 1 sound, 2 pop-up
    std::vector<int> first_rule;   // per match: -1 the default rule, else its index
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
      read = AppendRuleDay(db_, day, day == today, &candidates).has_value();
    }
    if (read && !stopping()) {
      result.candidates = static_cast<int>(candidates.size());
      for (RuleCandidate& c : candidates) {
        if (due()) {
          if (!co_await Pause(0)) break;
          slice.restart();
        }
        const RuleMatch match =
            MatchRules(*words, rules, c, settings_.SoundNotice, settings_.PopupNotice);
        if (match.first < -1) continue;
        matches.push_back({std::move(c.title), std::move(c.address), std::move(c.date),
                           match.first < 0 ? kDefaultRuleName : rules[match.first].rule().name});
        notice.push_back(match.notice);
        first_rule.push_back(match.first);
      }
      // The write starts a stretch of its own; a stop ends the run here:
      // nothing is written after it.
      if (!stopping() && due()) co_await Pause(0);
      if (!stopping()) {
        result.ran = true;
        result.matched = static_cast<int>(matches.size());
        result.added = AddWatchEntries(db_, matches);
        SummarizeNotices(matches, notice, first_rule, rules, &result);
      }
    }
  }

  // Also after a stop: a stopped matcher does not report a run.
  running_ = false;
  if (stopping()) co_return WatchRunResult{};
  if (timer_was_on && !stopping()) TimerGZ.start();
  if (run_again_ && !stopping()) {
    run_again_ = false;
    requested_.start();
  }
  qCInfo(lcWatch) << "run:" << result.candidates << "candidates," << result.matched << "matching,"
                  << result.added.size() << "added";
  emit runFinished(result);
  if (!result.added.isEmpty() && notices_ && !stopping()) {
    if (result.sound) notices_->PlayNoticeSound();
    if (result.popup) notices_->ShowWatchList();
    notices_->EntriesAdded(result);
  }
  co_return result;
}

}  // namespace talvec
