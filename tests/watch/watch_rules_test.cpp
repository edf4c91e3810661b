// The watch rules: what one rule lets through, how a run applies the
// default rule and the stored rules together, the editor's refusals and
// what the store keeps of outside text.
#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "core/settings.h"
#include "tests/test_support.h"
#include "watch/watch_matcher.h"
#include "watch/watch_rules.h"

namespace talvec {
namespace {

const QDate kToday(2026, 12, 9);

TEST(WatchRules, ARuleLetsThroughWhatItsFieldsAllow) {
  struct Case {
    const char* what;
    WatchRule rule;
    RuleCandidate c;
    bool matches;
  };
  auto rule = [](QString products, QString places, QString excludes, QString types,
                 std::optional<double> min = {}, std::optional<double> max = {},
                 bool unknown = true) {
    WatchRule r;
    r.name = "r";
    r.products = products;
    r.places = places;
    r.excludes = excludes;
    r.types = types;
    r.min_budget = min;
    r.max_budget = max;
    r.unknown_budget = unknown;
    return r;
  };
  auto ann = [](QString title, int type = 1, std::optional<double> budget = {}) {
    return RuleCandidate{title, "/a", "2026-12-09", type, budget};
  };
  const Case cases[] = {
      {"words", rule("电梯", "绵阳", "", ""), ann("绵阳市电梯采购"), true},
      {"place missing", rule("电梯", "绵阳", "", ""), ann("成都市电梯采购"), false},
      {"empty lists", rule("", "", "", ""), ann("任何公告"), true},
      {"exclude", rule("空调", "", "维修 保养", ""), ann("空调维修服务"), false},
      {"second exclude", rule("空调", "", "维修 保养", ""), ann("空调保养"), false},
      {"exclude absent", rule("空调", "", "维修", ""), ann("空调采购"), true},
      {"doubled blank excludes nothing", rule("空调", "", "维修  保养", ""), ann("空调采购"), true},
      {"type listed", rule("", "", "", "1,5"), ann("公告", 5), true},
      {"type not listed", rule("", "", "", "1,5"), ann("公告", 4), false},
      {"type 10", rule("", "", "", "10"), ann("公告", 10), true},
      {"no type, every type", rule("", "", "", ""), ann("公告", 0), true},
      {"no type, types listed", rule("", "", "", "1"), ann("公告", 0), false},
      {"min inclusive", rule("", "", "", "", 1e6, 2e6), ann("公告", 1, 1e6), true},
      {"max inclusive", rule("", "", "", "", 1e6, 2e6), ann("公告", 1, 2e6), true},
      {"below min", rule("", "", "", "", 1e6, 2e6), ann("公告", 1, 999999.99), false},
      {"above max", rule("", "", "", "", 1e6, 2e6), ann("公告", 1, 2000000.01), false},
      {"only a min", rule("", "", "", "", 1e6), ann("公告", 1, 5e9), true},
      {"unknown budget let through", rule("", "", "", "", 1e6, 2e6, true), ann("公告"), true},
      {"unknown budget kept out", rule("", "", "", "", 1e6, 2e6, false), ann("公告"), false},
      {"unknown budget, no range", rule("", "", "", "", {}, {}, false), ann("公告"), true},
      {"odd characters", rule("O'Neil%_\"", "", "", ""), ann("O'Neil%_\" 采购"), true},
  };
  for (const Case& c : cases) EXPECT_EQ(RuleTest(c.rule).Matches(c.c), c.matches) << c.what;
}

TEST(WatchRules, TheEditorRefusesWhatCannotBeStored) {
  WatchRule stored;
  stored.id = 1;
  stored.name = "电梯-绵阳";
  auto with = [](auto change) {
    WatchRule r;
    r.name = "新规则";
    change(r);
    return r;
  };
  struct Case {
    WatchRule rule;
    RuleRefusal refusal;
  };
  const Case cases[] = {
      {with([](WatchRule&) {}), RuleRefusal::kNone},
      {with([](WatchRule& r) { r.name = "  "; }), RuleRefusal::kNoName},
      {with([](WatchRule& r) { r.name = " 电梯-绵阳 "; }), RuleRefusal::kDuplicateName},
      {with([](WatchRule& r) { r.name = "默认规则"; }), RuleRefusal::kDuplicateName},
      {with([](WatchRule& r) { r.id = 1, r.name = "电梯-绵阳"; }), RuleRefusal::kNone},  // itself
      {with([](WatchRule& r) { r.name = QString(51, u'名'); }), RuleRefusal::kNameTooLong},
      {with([](WatchRule& r) { r.excludes = QString(10000, u'词'); }), RuleRefusal::kWordsTooLong},
      {with([](WatchRule& r) { r.types = "1,11"; }), RuleRefusal::kBadTypes},
      {with([](WatchRule& r) { r.types = "1;DROP"; }), RuleRefusal::kBadTypes},
      {with([](WatchRule& r) { r.types = "1，4 9"; }), RuleRefusal::kNone},
      {with([](WatchRule& r) { r.min_budget = -1; }), RuleRefusal::kNegativeBudget},
      {with([](WatchRule& r) { r.min_budget = 2, r.max_budget = 1; }), RuleRefusal::kMinAboveMax},
      {with([](WatchRule& r) { r.min_budget = 2, r.max_budget = 2; }), RuleRefusal::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckWatchRule(c.rule, {stored}), c.refusal) << c.rule.name.left(10).toStdString();
  }
  EXPECT_EQ(RuleRefusalText(RuleRefusal::kNoName), "规则名称不能为空");
  EXPECT_EQ(CopyRuleName("电梯-绵阳", {stored}), "电梯-绵阳 - 副本");
}

TEST(WatchRules, TheStoreKeepsOutsideTextAsGivenAndRefusesWhatFails) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  WatchRule r;
  r.name = "a'); DROP TABLE List; --";
  r.products = "  电梯\t扶梯\n  ";
  r.excludes = "维修  '%'";
  r.types = "9, 1";
  r.min_budget = 0;
  r.unknown_budget = false;
  r.sound = true;
  const Result<std::int64_t> id = SaveWatchRule(db, r);
  ASSERT_TRUE(id) << id.error().FullText().toStdString();
  r.name = "second";
  ASSERT_TRUE(SaveWatchRule(db, r));
  r.name = "second";
  EXPECT_FALSE(SaveWatchRule(db, r));  // duplicate name
  r.products = QString(10000, u'梯');
  r.name = "long";
  EXPECT_FALSE(SaveWatchRule(db, r));

  const Result<std::vector<WatchRule>> rules = LoadWatchRules(db);
  ASSERT_TRUE(rules);
  ASSERT_EQ(rules->size(), 2u);
  const WatchRule& got = rules->front();
  EXPECT_EQ(got.id, *id);
  EXPECT_EQ(got.name, "a'); DROP TABLE List; --");
  EXPECT_EQ(got.products, "电梯 扶梯");
  EXPECT_EQ(got.excludes, "维修 '%'");
  EXPECT_EQ(got.types, "1,9");
  EXPECT_EQ(got.min_budget, 0.0);
  EXPECT_FALSE(got.max_budget);
  EXPECT_FALSE(got.unknown_budget);
  EXPECT_TRUE(got.sound);
  EXPECT_FALSE(got.popup);
  EXPECT_TRUE(db.Scalar("SELECT count(*) FROM List").isValid());

  ASSERT_TRUE(SetWatchRuleEnabled(db, *id, false));
  ASSERT_TRUE(DeleteWatchRule(db, rules->back().id));
  const Result<std::vector<WatchRule>> after = LoadWatchRules(db);
  ASSERT_TRUE(after);
  ASSERT_EQ(after->size(), 1u);
  EXPECT_FALSE(after->front().enabled);
}

struct Notices : WatchNotices {
  void PlayNoticeSound() override { ++sounds; }
  void ShowWatchList() override { ++popups; }
  void EntriesAdded(const WatchRunResult& r) override { rules = r.rules; }
  int sounds = 0, popups = 0;
  QStringList rules;
};

// A run over the default words "电梯" / "成都" and the rules given.
struct RuleRun {
  explicit RuleRun(const std::vector<WatchRule>& rules, bool default_sound = false) {
    settings.SoundNotice = default_sound;
    Database& db = temp.db();
    EXPECT_TRUE(
        db.Execute("UPDATE SysSet SET AttentionProduct = '电梯', AttentionPlace = '成都', "
                   "AttentionTime = 7"));
    for (const WatchRule& r : rules) EXPECT_TRUE(SaveWatchRule(db, r));
    const struct {
      const char* title;
      int type;
      QVariant budget;
    } list[] = {
        {"成都市电梯采购", 1, QVariant()}, {"绵阳市电梯采购", 1, 5e5},
        {"绵阳市电梯维修", 1, 5e5},        {"绵阳市电梯结果公告", 4, QVariant()},
        {"绵阳市空调采购", 1, 3e6},
    };
    for (const auto& a : list) {
      EXPECT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, '/a', '2026-12-08', ?)",
                             a.title, a.type));
      if (a.budget.isValid()) {
        EXPECT_TRUE(
            db.Execute("INSERT INTO Facts(MC, State, Budget) VALUES(?, 1, ?)", a.title, a.budget));
      }
    }
    WatchMatcher matcher(db, settings, WatchOptions{0, [] { return kToday; }, 1000});
    matcher.SetNotices(&notices);
    result = QCoro::waitFor(matcher.Run());
    Statement st = db.Prepare("SELECT MC, Rule FROM Attention ORDER BY MC");
    while (st.Next()) entries.append(st.Text(0) + "=" + st.Text(1));
  }
  test_support::TempDatabase temp;
  SystemSettings settings;
  Notices notices;
  WatchRunResult result;
  QStringList entries;
};

WatchRule Rule(const char* name, const char* products, const char* places,
               const char* excludes = "", const char* types = "", bool enabled = true,
               bool sound = false, bool popup = false) {
  WatchRule r;
  r.name = name;
  r.products = products;
  r.places = places;
  r.excludes = excludes;
  r.types = types;
  r.enabled = enabled;
  r.sound = sound;
  r.popup = popup;
  return r;
}

TEST(WatchRules, ARunAddsEachTitleOnceUnderTheFirstMatchingRule) {
  struct Case {
    const char* what;
    std::vector<WatchRule> rules;
    QStringList entries;
  };
  const Case cases[] = {
      {"default only", {}, {"成都市电梯采购=默认规则"}},
      {"exclude and types",
       {Rule("电梯-绵阳", "电梯", "绵阳", "维修", "1,2")},
       {"成都市电梯采购=默认规则", "绵阳市电梯采购=电梯-绵阳"}},
      {"the default comes first, then by ID",
       {Rule("全部电梯", "电梯", ""), Rule("电梯-绵阳", "电梯", "绵阳")},
       {"成都市电梯采购=默认规则", "绵阳市电梯维修=全部电梯", "绵阳市电梯结果公告=全部电梯",
        "绵阳市电梯采购=全部电梯"}},
      {"a disabled rule does nothing",
       {Rule("电梯-绵阳", "电梯", "绵阳", "", "", false), Rule("空调", "空调", "")},
       {"成都市电梯采购=默认规则", "绵阳市空调采购=空调"}},
  };
  for (const Case& c : cases) {
    RuleRun run(c.rules);
    QStringList expected = c.entries;
    expected.sort();
    EXPECT_EQ(run.entries, expected) << c.what;
    EXPECT_EQ(run.result.added.size(), expected.size()) << c.what;
  }
}

TEST(WatchRules, TheNoticesCombineTheMatchingRules) {
  struct Case {
    const char* what;
    bool default_sound;
    std::vector<WatchRule> rules;
    int sounds, popups;
    QStringList named;
  };
  const Case cases[] = {
      {"default sound", true, {}, 1, 0, {"默认规则"}},
      {"a second rule's pop-up on a title the default names",
       false,
       {Rule("成都-弹出", "", "成都", "", "", true, false, true)},
       0,
       1,
       {"默认规则"}},
      {"a rule's sound",
       false,
       {Rule("空调", "空调", "", "", "", true, true, false)},
       1,
       0,
       {"默认规则", "空调"}},
      {"a disabled rule's flags",
       false,
       {Rule("空调", "空调", "", "", "", false, true, true)},
       0,
       0,
       {"默认规则"}},
      {"a rule without flags gives none",
       false,
       {Rule("空调", "空调", "")},
       0,
       0,
       {"默认规则", "空调"}},
  };
  for (const Case& c : cases) {
    RuleRun run(c.rules, c.default_sound);
    EXPECT_EQ(run.notices.sounds, c.sounds) << c.what;
    EXPECT_EQ(run.notices.popups, c.popups) << c.what;
    EXPECT_EQ(run.notices.rules, c.named) << c.what;
  }
}

TEST(WatchRules, TryListsWhatTheRuleWouldHaveCaught) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  for (const auto& [title, day] : std::initializer_list<std::pair<const char*, const char*>>{
           {"绵阳市电梯采购", "2026-12-09"},
           {"绵阳市电梯改造", "2026-11-10"},
           {"绵阳市电梯老旧", "2026-11-09"},
           {"绵阳市电梯维修", "2026-12-01"}}) {
    ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, '/a', ?, 1)", title, day));
  }
  const Result<std::vector<RuleCandidate>> found =
      TryWatchRule(db, Rule("t", "电梯", "绵阳", "维修"), kToday.addDays(-29), kToday);
  ASSERT_TRUE(found);
  QStringList titles;
  for (const RuleCandidate& c : *found) titles.append(c.title);
  EXPECT_EQ(titles, QStringList({"绵阳市电梯采购", "绵阳市电梯改造"}));
}

TEST(WatchRules, ASaveBringsARunWithinSecondsAndTheTicksGoOn) {
  test_support::TempDatabase temp;
  SystemSettings settings;
  Notices notices;
  ASSERT_TRUE(temp.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES('电脑', '/a', ?, 1)",
                                kToday.toString("yyyy-MM-dd")));
  // A yield before every day and candidate: a run is under way across them.
  WatchMatcher matcher(temp.db(), settings, WatchOptions{100, [] { return kToday; }, 0});
  matcher.SetNotices(&notices);
  QSignalSpy runs(&matcher, &WatchMatcher::runFinished);
  QElapsedTimer waited;
  waited.start();
  notices.RequestRun();  // as the window does after a save
  notices.RequestRun();  // a second save soon after: still one run
  ASSERT_TRUE(runs.wait(10000));
  EXPECT_LT(waited.elapsed(), 10000);
  QTest::qWait(WatchMatcher::kRequestedRunDelayMs + 200);
  EXPECT_EQ(runs.count(), 1);
  EXPECT_EQ(matcher.ticks(), 100);
  matcher.Tick();
  EXPECT_EQ(matcher.ticks(), 101);

  // A save during a run brings another run after it.
  auto running = matcher.Run();
  EXPECT_TRUE(matcher.running());
  notices.RequestRun();
  QCoro::waitFor(std::move(running));
  ASSERT_TRUE(runs.count() == 3 || runs.wait(10000));
  EXPECT_EQ(runs.count(), 3);

  // Once the matcher goes, the window's request goes nowhere.
  matcher.SetNotices(nullptr);
  notices.RequestRun();
}

}  // namespace
}  // namespace talvec
