#include "watch/watch_rules.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QVariant>
#include <algorithm>
#include <cmath>

#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"
#include "watch/watch_matcher.h"

Q_LOGGING_CATEGORY(lcWatchRules, "talvec.watch.rules")

namespace talvec {

namespace {

constexpr unsigned kAllTypes = ((1u << (kRuleTypeMax + 1)) - 1) & ~((1u << kRuleTypeMin) - 1);

QString Cell(const Statement& st, int column) {
  return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
}

std::optional<double> Amount(const Statement& st, int column) {
  if (st.IsNull(column)) return std::nullopt;
  const double value = st.Double(column);
  return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QVariant AmountValue(const std::optional<double>& amount) {
  return amount ? QVariant(*amount) : QVariant();
}

// The candidates of one statement of List joined to the facts' budget.
Result<void> ReadCandidates(Statement& st, std::vector<RuleCandidate>* out) {
  while (st.Next()) {
    out->push_back({Cell(st, 0), Cell(st, 1), Cell(st, 2),
                    st.IsNull(3) ? 0 : static_cast<int>(st.Int(3)), Amount(st, 4)});
  }
  if (!st.ok()) {
    qCWarning(lcWatchRules) << "candidates unreadable:" << st.error().FullText();
    return Fail(st.error());
  }
  return {};
}

}  // namespace

std::optional<unsigned> ParseRuleTypes(const QString& text) {
  unsigned mask = 0;
  const QStringList parts =
      text.split(QRegularExpression(QStringLiteral("[,，\\s]+")), Qt::SkipEmptyParts);
  if (parts.isEmpty()) return kAllTypes;
  for (const QString& part : parts) {
    bool ok = false;
    const int type = part.toInt(&ok);
    if (!ok || type < kRuleTypeMin || type > kRuleTypeMax) return std::nullopt;
    mask |= 1u << type;
  }
  return mask;
}

QString RuleTypesText(unsigned mask) {
  if ((mask & kAllTypes) == kAllTypes) return QString();
  QStringList parts;
  for (int type = kRuleTypeMin; type <= kRuleTypeMax; ++type) {
    if (mask & (1u << type)) parts.append(QString::number(type));
  }
  return parts.join(u',');
}

QString NormalizeRuleWords(const QString& words) {
  QString out;
  out.reserve(words.size());
  bool blank = false;
  for (const QChar ch : words) {
    if (ch.isSpace() || ch.category() == QChar::Other_Control ||
        ch.category() == QChar::Other_Format) {
      blank = !out.isEmpty();
      continue;
    }
    if (blank) out.append(u' ');
    blank = false;
    out.append(ch);
  }
  return out;
}

RuleTest::RuleTest(const WatchRule& rule) : rule_(rule) {
  types_ = ParseRuleTypes(rule.types).value_or(0);
  // An empty exclude word would exclude every title: only real words count.
  excludes_ = rule.excludes.split(u' ', Qt::SkipEmptyParts);
}

bool RuleTest::Matches(const RuleCandidate& c) const {
  // An empty list passes every announcement, one of no known type too.
  if (!rule_.types.isEmpty() && !(types_ & (c.type >= 0 && c.type < 32 ? 1u << c.type : 0u))) {
    return false;
  }
  if (c.budget) {
    if (rule_.min_budget && *c.budget < *rule_.min_budget) return false;
    if (rule_.max_budget && *c.budget > *rule_.max_budget) return false;
  } else if (!rule_.unknown_budget && (rule_.min_budget || rule_.max_budget)) {
    return false;
  }
  if (!WatchWordsPass(c.title, rule_.products) || !WatchWordsPass(c.title, rule_.places)) {
    return false;
  }
  for (const QString& word : excludes_) {
    if (c.title.contains(word, Qt::CaseSensitive)) return false;
  }
  return true;
}

bool DefaultRuleMatches(const WatchSettings& words, const RuleCandidate& c) {
  return WatchMatches(c.title, words);
}

RuleRefusal CheckWatchRule(const WatchRule& rule, const std::vector<WatchRule>& others) {
  const QString name = TrimBlanks(rule.name).trimmed();
  if (name.isEmpty()) return RuleRefusal::kNoName;
  if (name.size() > kRuleNameMax) return RuleRefusal::kNameTooLong;
  if (name == kDefaultRuleName) return RuleRefusal::kDuplicateName;
  for (const WatchRule& other : others) {
    if (other.id != rule.id && TrimBlanks(other.name).trimmed() == name) {
      return RuleRefusal::kDuplicateName;
    }
  }
  for (const QString* words : {&rule.products, &rule.places, &rule.excludes, &rule.types}) {
    if (words->size() > kRuleWordsMax) return RuleRefusal::kWordsTooLong;
  }
  if (!ParseRuleTypes(rule.types)) return RuleRefusal::kBadTypes;
  for (const std::optional<double>* amount : {&rule.min_budget, &rule.max_budget}) {
    if (*amount && (!std::isfinite(**amount) || **amount < 0)) return RuleRefusal::kNegativeBudget;
  }
  if (rule.min_budget && rule.max_budget && *rule.min_budget > *rule.max_budget) {
    return RuleRefusal::kMinAboveMax;
  }
  return RuleRefusal::kNone;
}

QString RuleRefusalText(RuleRefusal refusal) {
  switch (refusal) {
    case RuleRefusal::kNone:
      return QString();
    case RuleRefusal::kNoName:
      return QStringLiteral("规则名称不能为空");
    case RuleRefusal::kNameTooLong:
      return QStringLiteral("规则名称不能超过%1个字").arg(kRuleNameMax);
    case RuleRefusal::kDuplicateName:
      return QStringLiteral("已有同名的规则");
    case RuleRefusal::kWordsTooLong:
      return QStringLiteral("词语不能超过%1个字").arg(kRuleWordsMax);
    case RuleRefusal::kBadTypes:
      return QStringLiteral("公告类型应为1至10的数字，以逗号分隔");
    case RuleRefusal::kMinAboveMax:
      return QStringLiteral("最低预算不能高于最高预算");
    case RuleRefusal::kNegativeBudget:
      return QStringLiteral("预算应为不小于0的数");
  }
  return QString();
}

QString CopyRuleName(const QString& name, const std::vector<WatchRule>& rules) {
  auto taken = [&rules](const QString& candidate) {
    return candidate == kDefaultRuleName ||
           std::any_of(rules.begin(), rules.end(),
                       [&candidate](const WatchRule& r) { return r.name == candidate; });
  };
  const QString base = TrimBlanks(name).left(kRuleNameMax - 8) + QStringLiteral(" - 副本");
  if (!taken(base)) return base;
  for (int n = 2;; ++n) {
    const QString candidate = base + QStringLiteral(" %1").arg(n);
    if (!taken(candidate)) return candidate;
  }
}

Result<std::vector<WatchRule>> LoadWatchRules(Database& db) {
  std::vector<WatchRule> rules;
  Statement st = db.Prepare(
      "SELECT ID, Name, Enabled, Products, Places, Excludes, Types, MinBudget, MaxBudget, "
      "UnknownBudget, Sound, Popup FROM WatchRules ORDER BY ID");
  while (st.Next()) {
    WatchRule r;
    r.id = st.Int(0);
    r.name = Cell(st, 1);
    r.enabled = !st.IsNull(2) && st.Int(2) != 0;
    r.products = Cell(st, 3);
    r.places = Cell(st, 4);
    r.excludes = Cell(st, 5);
    r.types = Cell(st, 6);
    r.min_budget = Amount(st, 7);
    r.max_budget = Amount(st, 8);
    r.unknown_budget = st.IsNull(9) || st.Int(9) != 0;
    r.sound = !st.IsNull(10) && st.Int(10) != 0;
    r.popup = !st.IsNull(11) && st.Int(11) != 0;
    rules.push_back(std::move(r));
  }
  if (!st.ok()) {
    qCWarning(lcWatchRules) << "rules unreadable:" << st.error().FullText();
    return Fail(st.error());
  }
  return rules;
}

Result<std::int64_t> SaveWatchRule(Database& db, const WatchRule& rule) {
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  Result<std::vector<WatchRule>> stored = LoadWatchRules(db);
  if (!stored) return Fail(stored.error());
  if (const RuleRefusal refusal = CheckWatchRule(rule, *stored); refusal != RuleRefusal::kNone) {
    return Fail(Error::Kind::kOther, RuleRefusalText(refusal));
  }
  const QString name = TrimBlanks(rule.name).trimmed();
  const QString products = NormalizeRuleWords(rule.products);
  const QString places = NormalizeRuleWords(rule.places);
  const QString excludes = NormalizeRuleWords(rule.excludes);
  const QString types = RuleTypesText(ParseRuleTypes(rule.types).value_or(kAllTypes));
  std::int64_t id = rule.id;
  if (id == 0) {
    if (Result<void> done = db.Execute(
            "INSERT INTO WatchRules(Name, Enabled, Products, Places, Excludes, Types, MinBudget, "
            "MaxBudget, UnknownBudget, Sound, Popup) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            name, int(rule.enabled), products, places, excludes, types,
            AmountValue(rule.min_budget), AmountValue(rule.max_budget), int(rule.unknown_budget),
            int(rule.sound), int(rule.popup));
        !done) {
      return Fail(done.error());
    }
    id = db.Scalar("SELECT last_insert_rowid()").toLongLong();
  } else {
    if (Result<void> done = db.Execute(
            "UPDATE WatchRules SET Name = ?, Enabled = ?, Products = ?, Places = ?, Excludes = ?, "
            "Types = ?, MinBudget = ?, MaxBudget = ?, UnknownBudget = ?, Sound = ?, Popup = ? "
            "WHERE ID = ?",
            name, int(rule.enabled), products, places, excludes, types,
            AmountValue(rule.min_budget), AmountValue(rule.max_budget), int(rule.unknown_budget),
            int(rule.sound), int(rule.popup), id);
        !done) {
      return Fail(done.error());
    }
    if (db.Changes() == 0) return Fail(Error::Kind::kOther, QStringLiteral("该规则已被删除"));
  }
  if (Result<void> committed = tx.Commit(); !committed) return Fail(committed.error());
  return id;
}

Result<void> DeleteWatchRule(Database& db, std::int64_t id) {
  return db.Execute("DELETE FROM WatchRules WHERE ID = ?", id);
}

Result<void> SetWatchRuleEnabled(Database& db, std::int64_t id, bool enabled) {
  return db.Execute("UPDATE WatchRules SET Enabled = ? WHERE ID = ?", int(enabled), id);
}

Result<void> AppendRuleDay(Database& db, const QDate& day, bool last_day,
                           std::vector<RuleCandidate>* candidates) {
  const QString first = day.toString(QStringLiteral("yyyy-MM-dd"));
  Statement st = last_day ? db.Query(
                                "SELECT L.MC, L.DZ, L.SJ, L.LX, F.Budget FROM List L "
                                "LEFT JOIN Facts F ON F.MC = L.MC WHERE L.SJ >= ? AND L.SJ <= ?",
                                first, first)
                          : db.Query(
                                "SELECT L.MC, L.DZ, L.SJ, L.LX, F.Budget FROM List L "
                                "LEFT JOIN Facts F ON F.MC = L.MC WHERE L.SJ >= ? AND L.SJ < ?",
                                first, day.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
  return ReadCandidates(st, candidates);
}

Result<std::vector<RuleCandidate>> TryWatchRule(Database& db, const WatchRule& rule,
                                                const QDate& first, const QDate& last) {
  std::vector<RuleCandidate> all;
  Statement st = db.Query(
      "SELECT L.MC, L.DZ, L.SJ, L.LX, F.Budget FROM List L LEFT JOIN Facts F ON F.MC = L.MC "
      "WHERE L.SJ >= ? AND L.SJ < ? ORDER BY L.SJ DESC, L.ID DESC",
      first.toString(QStringLiteral("yyyy-MM-dd")),
      last.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
  if (Result<void> read = ReadCandidates(st, &all); !read) return Fail(read.error());
  WatchRule normalized = rule;
  normalized.products = NormalizeRuleWords(rule.products);
  normalized.places = NormalizeRuleWords(rule.places);
  normalized.excludes = NormalizeRuleWords(rule.excludes);
  const RuleTest test(normalized);
  std::vector<RuleCandidate> matched;
  for (RuleCandidate& c : all) {
    if (test.Matches(c)) matched.push_back(std::move(c));
  }
  return matched;
}

}  // namespace talvec
