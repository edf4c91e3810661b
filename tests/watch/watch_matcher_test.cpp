// The watch matcher: the word test, the tick timing, the date window, the
// entries a run adds and the notices it gives.
#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QSignalSpy>

#include "core/settings.h"
#include "tests/test_support.h"
#include "watch/watch_matcher.h"

namespace talvec {
namespace {

const QDate kToday(2026, 12, 9);

QString Day(int days_back) { return kToday.addDays(-days_back).toString("yyyy-MM-dd"); }

struct Recorder : WatchNotices {
  void PlayNoticeSound() override { calls.append("sound"); }
  void ShowWatchList() override { calls.append("window"); }
  void EntriesAdded(const WatchRunResult& result) override {
    calls.append(QStringLiteral("added %1").arg(result.added.size()));
  }
  QStringList calls;
};

struct Matcher {
  explicit Matcher(qint16 initial_ticks = 0, int slice_ms = 1000)
      : matcher(temp.db(), settings, WatchOptions{initial_ticks, [] { return kToday; }, slice_ms}) {
    matcher.SetNotices(&notices);
  }
  void Watch(const QVariant& product, const QVariant& place, const QVariant& days = 7) {
    ASSERT_TRUE(temp.db().Execute(
        "UPDATE SysSet SET AttentionProduct = ?, AttentionPlace = ?, AttentionTime = ?", product,
        place, days));
  }
  void Announce(const QString& title, int days_back = 0, const QString& address = "/a.html") {
    ASSERT_TRUE(temp.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, 1)", title,
                                  address, Day(days_back)));
  }
  QStringList Entries() {
    Statement st = temp.db().Prepare("SELECT MC FROM Attention ORDER BY MC");
    QStringList titles;
    while (st.Next()) titles.append(st.Text(0));
    return titles;
  }
  WatchRunResult Run() { return QCoro::waitFor(matcher.Run()); }

  test_support::TempDatabase temp;
  SystemSettings settings;
  Recorder notices;
  WatchMatcher matcher;
};

TEST(WatchWords, TitlesPassAsTheWordsSay) {
  struct Case {
    const char* product;
    const char* place;
    const char* title;
    bool passes;
  };
  const Case cases[] = {
      {"电脑", "", "成都市电脑采购", true},
      {"电脑 空调", "", "绵阳市空调维修", true},  // any word of the list
      {"电脑 空调", "", "绵阳市办公家具", false},
      {"电脑", "成都", "成都市电脑采购", true},  // both lists
      {"电脑", "成都", "绵阳市电脑采购", false},
      {"电脑", "成都", "成都市空调采购", false},
      {"", "", "任何公告", true},                  // both empty
      {"电脑  空调", "", "绵阳市办公家具", true},  // doubled blank: an empty word
      {"电脑 ", "", "办公家具", true},             // trailing blank likewise
      {"电脑  空调", "", "", false},               // ... but not in an empty title
      {"PC", "", "pc采购", false},                 // exact case
      {"ＰＣ", "", "PC采购", false},               // no width folding
      {"O'Neil", "", "O'Neil 学校采购", true},
  };
  for (const Case& c : cases) {
    WatchSettings s{QString::fromUtf8(c.product), QString::fromUtf8(c.place), 7};
    EXPECT_EQ(WatchMatches(QString::fromUtf8(c.title), s), c.passes)
        << c.product << " | " << c.place << " | " << c.title;
  }
}

TEST(WatchWords, LookBackIsTheRoundedNumberWithinTheWindowsRange) {
  EXPECT_EQ(ReadLookBackDays(std::nullopt), 7);
  EXPECT_EQ(ReadLookBackDays(3), 3);
  EXPECT_EQ(ReadLookBackDays(2.5), 2);  // half to even
  EXPECT_EQ(ReadLookBackDays(3.5), 4);
  // Outside 1 to 30: the nearest end of the range.
  EXPECT_EQ(ReadLookBackDays(0), 1);
  EXPECT_EQ(ReadLookBackDays(-5), 1);
  EXPECT_EQ(ReadLookBackDays(30.4), 30);
  EXPECT_EQ(ReadLookBackDays(32767), 30);
  EXPECT_EQ(ReadLookBackDays(1e9), 30);
}

TEST(WatchMatcher, RunsOnEvery481stTickAndCountsAfresh) {
  Matcher m;
  QSignalSpy runs(&m.matcher, &WatchMatcher::runFinished);
  for (int i = 0; i < 480; ++i) m.matcher.Tick();
  EXPECT_EQ(runs.count(), 0);
  EXPECT_EQ(m.matcher.ticks(), 480);
  m.matcher.Tick();  // 481
  EXPECT_EQ(runs.count(), 1);
  EXPECT_EQ(m.matcher.ticks(), 0);
  for (int i = 0; i < 480; ++i) m.matcher.Tick();
  EXPECT_EQ(runs.count(), 1);
  m.matcher.Tick();  // 962
  EXPECT_EQ(runs.count(), 2);

  // The program may start the counter elsewhere (a test of the program does).
  Matcher late(WatchMatcher::kTicksBetweenRuns);
  QSignalSpy late_runs(&late.matcher, &WatchMatcher::runFinished);
  late.matcher.Tick();
  EXPECT_EQ(late_runs.count(), 1);
}

TEST(WatchMatcher, TheTimerIsOffWhileARunYieldsAndOnBeforeTheNotices) {
  Matcher m(0, 0);  // a yield before every candidate
  m.settings.SoundNotice = true;
  m.Announce("电脑一");
  m.Announce("电脑二");
  m.Watch("电脑", "");
  m.matcher.Load();
  bool on_at_notice = false;
  struct : WatchNotices {
    void PlayNoticeSound() override { *on = timer->isActive(); }
    void ShowWatchList() override {}
    bool* on;
    QTimer* timer;
  } probe;
  probe.on = &on_at_notice;
  probe.timer = &m.matcher.timerGZ();
  m.matcher.SetNotices(&probe);
  QCoro::Task<WatchRunResult> run = m.matcher.Run();
  EXPECT_TRUE(m.matcher.running());
  EXPECT_FALSE(m.matcher.timerGZ().isActive());
  m.matcher.Tick();  // a tick that still comes is not counted
  EXPECT_EQ(m.matcher.ticks(), 0);
  EXPECT_EQ(QCoro::waitFor(std::move(run)).added.size(), 2);
  EXPECT_TRUE(on_at_notice);
  EXPECT_TRUE(m.matcher.timerGZ().isActive());
}

TEST(WatchMatcher, TheDateWindowEndsTodayAndReachesBackTheLookBack) {
  struct Case {
    QVariant days;
    QStringList expected;
  };
  const Case cases[] = {
      {QVariant(), {"七天前电脑", "今天电脑", "昨天带时间电脑", "昨天电脑"}},  // Null: 7 days
      {1, {"今天电脑", "昨天带时间电脑", "昨天电脑"}},
      {0, {"今天电脑", "昨天带时间电脑", "昨天电脑"}},  // at least one day back
      {-3, {"今天电脑", "昨天带时间电脑", "昨天电脑"}},
  };
  for (const Case& c : cases) {
    Matcher m;
    m.Announce("今天电脑", 0);
    m.Announce("昨天电脑", 1);
    m.Announce("七天前电脑", 7);
    m.Announce("八天前电脑", 8);
    m.Announce("明天电脑", -1);
    // Dates compare as text: a time after today's date lies beyond the window.
    m.Announce("昨天带时间电脑", 0);
    m.Announce("今天带时间电脑", 0);
    ASSERT_TRUE(m.temp.db().Execute("UPDATE List SET SJ = ? WHERE MC = '昨天带时间电脑'",
                                    Day(1) + " 08:00"));
    ASSERT_TRUE(m.temp.db().Execute("UPDATE List SET SJ = ? WHERE MC = '今天带时间电脑'",
                                    Day(0) + " 08:00"));
    m.Watch("电脑", QVariant(), c.days);
    m.Run();
    EXPECT_EQ(m.Entries(), c.expected) << c.days.toString().toStdString();
  }
}

TEST(WatchMatcher, ATitleIsAddedOnceUnreadAndKnownTitlesGiveNoNotice) {
  Matcher m;
  m.settings.SoundNotice = true;
  m.settings.PopupNotice = true;
  m.Watch("电脑", "成都");
  m.Announce("成都市电脑采购", 0, "/new.html");
  m.Announce("成都市电脑采购 ", 1, "/other.html");  // same title once trimmed
  m.Announce("成都市O'Neil电脑", 0);
  m.Announce("已阅成都电脑", 0);
  m.Announce("未阅成都电脑", 0);
  m.Announce("绵阳市电脑采购", 0);
  ASSERT_TRUE(m.temp.db().Execute(
      "INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES('已阅成都电脑', '', ?, '2'), "
      "('未阅成都电脑', '', ?, '1')",
      Day(0), Day(0)));

  const WatchRunResult first = m.Run();
  EXPECT_EQ(first.matched, 5);
  EXPECT_EQ(first.added.size(), 2);
  EXPECT_EQ(
      m.temp.db().Scalar("SELECT count(*) FROM Attention WHERE MC = '成都市电脑采购'").toInt(), 1);
  EXPECT_EQ(
      m.temp.db().Scalar("SELECT ZT FROM Attention WHERE MC = ?", "成都市O'Neil电脑").toString(),
      "1");
  EXPECT_EQ(m.temp.db().Scalar("SELECT ZT FROM Attention WHERE MC = '已阅成都电脑'").toString(),
            "2");
  EXPECT_EQ(m.notices.calls, QStringList({"sound", "window", "added 2"}));

  m.notices.calls.clear();
  EXPECT_TRUE(m.Run().added.isEmpty());
  EXPECT_TRUE(m.notices.calls.isEmpty());
}

TEST(WatchMatcher, NoticesFollowTheFlags) {
  struct Case {
    bool sound, popup, adds;
    QStringList calls;
  };
  const Case cases[] = {
      {true, false, true, {"sound", "added 1"}},
      {false, true, true, {"window", "added 1"}},
      {true, true, true, {"sound", "window", "added 1"}},
      {false, false, true, {"added 1"}},
      {true, true, false, {}},  // nothing added, nothing said
  };
  for (const Case& c : cases) {
    Matcher m;
    m.settings.SoundNotice = c.sound;
    m.settings.PopupNotice = c.popup;
    m.Watch("电脑", "");
    if (c.adds) m.Announce("电脑采购");
    m.Run();
    EXPECT_EQ(m.notices.calls, c.calls) << c.sound << c.popup << c.adds;
  }
}

TEST(WatchMatcher, AnUnreadableSettingsRowOrWatchListAddsNothing) {
  Matcher m;
  m.settings.PopupNotice = true;
  m.Announce("电脑采购");
  ASSERT_TRUE(m.temp.db().Execute("DELETE FROM SysSet"));
  EXPECT_FALSE(m.Run().ran);
  EXPECT_TRUE(m.Entries().isEmpty());

  Matcher locked;
  locked.settings.PopupNotice = true;
  locked.Announce("电脑采购");
  locked.Watch("电脑", "");
  ASSERT_TRUE(locked.temp.db().Execute("ALTER TABLE Attention RENAME TO Gone"));
  const WatchRunResult result = locked.Run();
  EXPECT_EQ(result.matched, 1);
  EXPECT_TRUE(result.added.isEmpty());
  EXPECT_TRUE(locked.notices.calls.isEmpty());
}

TEST(WatchMatcher, StopEndsARunThatYields) {
  Matcher m(0, 0);
  m.settings.PopupNotice = true;
  for (int i = 0; i < 10; ++i) m.Announce(QStringLiteral("电脑%1").arg(i));
  m.Watch("电脑", "");
  QCoro::Task<WatchRunResult> run = m.matcher.Run();
  EXPECT_TRUE(m.matcher.running());
  m.matcher.Stop();
  const WatchRunResult result = QCoro::waitFor(std::move(run));
  EXPECT_TRUE(result.added.isEmpty());
  EXPECT_TRUE(m.Entries().isEmpty());
  EXPECT_TRUE(m.notices.calls.isEmpty());
  EXPECT_FALSE(m.matcher.running());
}

TEST(WatchMatcher, AFailedInsertCostsOnlyItsTitle) {
  Matcher m;
  m.Watch("电脑", "");
  for (const char* title : {"电脑一", "电脑坏", "电脑三", "电脑四"}) m.Announce(title);
  ASSERT_TRUE(m.temp.db().Execute(
      "CREATE TRIGGER refuse BEFORE INSERT ON Attention WHEN NEW.MC = '电脑坏' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const WatchRunResult result = m.Run();
  EXPECT_EQ(result.matched, 4);
  EXPECT_EQ(m.Entries(), QStringList({"电脑一", "电脑三", "电脑四"}));
  EXPECT_EQ(result.added.size(), 3);
}

}  // namespace
}  // namespace talvec
