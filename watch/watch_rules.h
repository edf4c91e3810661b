// The watch rules a user adds beside the default one (the words of the
// settings row): each names product and place words, words that exclude a
// title, announcement types and a budget range. The one owner of the
// statements on WatchRules; the matcher applies the rules, the watch-list
// window edits them.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/error.h"

namespace talvec {

class Database;
struct WatchSettings;

// The name the default rule's entries carry.
inline const QString kDefaultRuleName = QStringLiteral("默认规则");
// The longest name and word list a rule may hold.
inline constexpr int kRuleNameMax = 50;
inline constexpr int kRuleWordsMax = 1000;
// Announcement types are 1 to 10.
inline constexpr int kRuleTypeMin = 1, kRuleTypeMax = 10;

struct WatchRule {
  std::int64_t id = 0;  // ID; 0 until stored
  QString name;
  bool enabled = true;
  QString products, places, excludes;            // word lists, split at single blanks
  QString types;                                 // "1,4,9"; empty: every type
  std::optional<double> min_budget, max_budget;  // yuan, both ends included
  bool unknown_budget = true;                    // announcements without a known budget pass
  bool sound = false, popup = false;
};

// What a rule is tested against: one announcement of List and its budget.
struct RuleCandidate {
  QString title, address, date;
  int type = 0;                  // LX
  std::optional<double> budget;  // the facts' budget in yuan, when known
};

// A rule made ready for many tests: its types as a mask, the exclude words
// split once.
class RuleTest {
 public:
  explicit RuleTest(const WatchRule& rule);
  bool Matches(const RuleCandidate& c) const;
  const WatchRule& rule() const { return rule_; }

 private:
  WatchRule rule_;
  unsigned types_ = 0;  // bit n: type n; all bits for every type
  QStringList excludes_;
};

// The default rule as a candidate test: the product and place words of the
// settings row, nothing else.
bool DefaultRuleMatches(const WatchSettings& words, const RuleCandidate& c);

// "1, 4,9" as a mask of types; nullopt when a part is not a type number.
// An empty text is every type.
std::optional<unsigned> ParseRuleTypes(const QString& text);
QString RuleTypesText(unsigned mask);  // "1,4,9"; empty for every type

// A word list as the editor stores it: control characters become blanks,
// runs of blanks one blank, none at either end (so no empty word).
QString NormalizeRuleWords(const QString& words);

enum class RuleRefusal {
  kNone,
  kNoName,
  kNameTooLong,
  kDuplicateName,
  kWordsTooLong,
  kBadTypes,
  kMinAboveMax,
  kNegativeBudget
};
// Why a rule cannot be stored as it is, checked in this order; `others`
// are the stored rules (the rule itself, by ID, is skipped) and the default
// rule's name is taken.
RuleRefusal CheckWatchRule(const WatchRule& rule, const std::vector<WatchRule>& others);
QString RuleRefusalText(RuleRefusal refusal);
// The name of a copy: "名称 - 副本", then "名称 - 副本 2" ... as needed.
QString CopyRuleName(const QString& name, const std::vector<WatchRule>& rules);

// The stored rules by ID.
Result<std::vector<WatchRule>> LoadWatchRules(Database& db);
// Stores the rule (a new row when its ID is 0, after CheckWatchRule passes
// against the stored rules); the rule's ID.
Result<std::int64_t> SaveWatchRule(Database& db, const WatchRule& rule);
Result<void> DeleteWatchRule(Database& db, std::int64_t id);
Result<void> SetWatchRuleEnabled(Database& db, std::int64_t id, bool enabled);

// One day's announcements with their type and budget, appended; the same
// days as AppendWatchDay.
Result<void> AppendRuleDay(Database& db, const QDate& day, bool last_day,
                           std::vector<RuleCandidate>* candidates);
// What the rule would have matched among the announcements dated from
// `first` to `last`, newest first.
Result<std::vector<RuleCandidate>> TryWatchRule(Database& db, const WatchRule& rule,
                                                const QDate& first, const QDate& last);

}  // namespace talvec
