// The desk's rules: which kept announcements are open, the reminders given
// over time (once each, moved by a correction, late at start, never for a
// passed deadline, never twice after a restart) and the exported file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/database.h"
#include "desk/desk_rows.h"
#include "desk/facts_card.h"
#include "desk/reminders.h"
#include "facts/facts_store.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

const QString kTitle = QStringLiteral("某学校办公家具采购项目采购公告");
const QString kDeadline = QStringLiteral("2026-12-20 09:30");

QDateTime At(const char* text) {
  return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm"));
}

class DeskTest : public ::testing::Test {
 protected:
  Database& db() { return tmp_.db(); }

  void Tender(const QString& title, const QString& deadline, bool kept = true) {
    ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, '/a', '2026-12-01', 2)",
                             title));
    PageFacts f;
    f.project_key = f.project_no = QStringLiteral("K-") + title;
    f.project_name = title;
    f.buyer = QStringLiteral("成都市教育局");
    f.deadline = deadline;
    f.budget = 520000;
    ASSERT_TRUE(WritePageFacts(db(), title, f, QStringLiteral("2026-12-01"),
                               QDateTime::currentDateTime()));
    if (kept) {
      ASSERT_TRUE(db().Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES(?, '/a', '')", title));
    }
  }
  void Correct(const QString& title, const QString& deadline, const QString& on) {
    const QString page = QStringLiteral("更正公告") + on;
    ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, '/c', ?, 5)", page, on));
    PageFacts f;
    f.project_key = f.project_no = QStringLiteral("K-") + title;
    f.project_name = title;
    f.buyer = QStringLiteral("成都市教育局");
    f.changes = {{QStringLiteral("Deadline"), QStringLiteral("旧"), deadline, deadline}};
    f.corrected_on = on;
    ASSERT_TRUE(WritePageFacts(db(), page, f, on, QDateTime::currentDateTime()));
  }
  QStringList Check(const QDateTime& now, ReminderChoices choices = {}) {
    Result<QList<ReminderNotice>> notices = CheckReminders(db(), now, choices);
    EXPECT_TRUE(notices) << notices.error().FullText().toStdString();
    QStringList texts;
    for (const ReminderNotice& n : notices.value_or(QList<ReminderNotice>()))
      texts.append(n.kind == ReminderNotice::Kind::kCorrected ? QStringLiteral("moved ") + n.deadline
                                                              : n.moment);
    return texts;
  }

  test_support::TempDatabase tmp_;
};

// A step of a scenario: the clock, optionally a correction first, and the
// notices expected ("3d", "1d", "2h", "moved <deadline>").
struct Step {
  const char* now;
  QStringList expected;
  const char* corrected_to = nullptr;
};
struct Scenario {
  const char* name;
  const char* deadline;
  std::vector<Step> steps;
  ReminderChoices choices{};
};

TEST_F(DeskTest, RemindersFollowTheClockOnceEach) {
  const std::vector<Scenario> scenarios = {
      {"each moment once, in order",
       "2026-12-20 09:30",
       {{"2026-12-10 08:00", {}},
        {"2026-12-17 09:30", {"3d"}},
        {"2026-12-17 10:00", {}},
        {"2026-12-19 09:31", {"1d"}},
        {"2026-12-20 07:30", {"2h"}},
        {"2026-12-20 09:00", {}},
        {"2026-12-20 10:00", {}}}},
      {"late at start: one notice, the latest passed moment, none later",
       "2026-12-20 09:30",
       {{"2026-12-19 12:00", {"1d"}}, {"2026-12-19 13:00", {}}, {"2026-12-20 08:00", {"2h"}}}},
      {"a passed deadline gives nothing", "2026-12-20 09:30", {{"2026-12-21 08:00", {}}}},
      {"a whole day lasts until its end",
       "2026-12-20",
       {{"2026-12-20 21:59", {"1d"}}, {"2026-12-20 22:01", {"2h"}}, {"2026-12-21 00:01", {}}}},
      {"a correction moves the pending reminders with one notice",
       "2026-12-20 09:30",
       {{"2026-12-17 10:00", {"3d"}},
        {"2026-12-18 08:00", {"moved 2026-12-27 09:30"}, "2026-12-27 09:30"},
        {"2026-12-19 10:00", {}},
        {"2026-12-24 09:30", {"3d"}},
        {"2026-12-26 09:30", {"1d"}}}},
      {"a correction to an earlier time records what it passed",
       "2026-12-20 09:30",
       {{"2026-12-16 08:00", {}},
        {"2026-12-16 09:00", {"moved 2026-12-17 09:30"}, "2026-12-17 09:30"},
        {"2026-12-16 09:05", {}},
        {"2026-12-16 12:00", {"1d"}},
        {"2026-12-17 07:30", {"2h"}}}},
      {"moments not chosen are not given",
       "2026-12-20 09:30",
       {{"2026-12-17 10:00", {}}, {"2026-12-19 10:00", {"1d"}}},
       {false, true, false}},
  };
  int n = 0;
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    const QString title = kTitle + QString::number(++n);
    Tender(title, QString::fromLatin1(s.deadline));
    for (const Step& step : s.steps) {
      SCOPED_TRACE(step.now);
      if (step.corrected_to) {
        Correct(title, QString::fromLatin1(step.corrected_to),
                QString::fromLatin1(step.now).left(10));
      }
      EXPECT_EQ(Check(At(step.now), s.choices), step.expected);
    }
    ASSERT_TRUE(db().Execute("DELETE FROM Favorites"));
  }
}

TEST_F(DeskTest, NothingTwiceAfterARestartAndNothingForWhatIsNotKept) {
  Tender(kTitle, kDeadline);
  Tender(QStringLiteral("不在收藏夹的公告"), kDeadline, false);
  EXPECT_EQ(Check(At("2026-12-19 10:00")), QStringList{QStringLiteral("1d")});
  // The same file opened again, as after a restart.
  Database again;
  ASSERT_TRUE(again.OpenDatabase(tmp_.path(), DatabasePassword()));
  Result<QList<ReminderNotice>> later = CheckReminders(again, At("2026-12-19 10:05"), {});
  ASSERT_TRUE(later);
  EXPECT_TRUE(later->isEmpty());
  EXPECT_EQ(again.Scalar("SELECT count(*) FROM Reminders WHERE ShownAt IS NOT NULL").toInt(), 2);
  // Removed from the favorites: its reminders go.
  ASSERT_TRUE(db().Execute("DELETE FROM Favorites"));
  EXPECT_TRUE(Check(At("2026-12-20 08:00")).isEmpty());
  EXPECT_EQ(db().Scalar("SELECT count(*) FROM Reminders").toInt(), 0);
}

TEST_F(DeskTest, DeskRowsAndTheirTexts) {
  Tender(kTitle, kDeadline);
  Tender(QStringLiteral("全部公告中的一条"), QStringLiteral("2026-12-18"), false);
  Tender(QStringLiteral("已截止"), QStringLiteral("2026-12-01 09:00"));
  Correct(kTitle, QStringLiteral("2026-12-22 09:30"), QStringLiteral("2026-12-05"));
  const QDateTime now = At("2026-12-10 09:30");
  Result<QList<DeskRow>> mine = ReadDeskRows(db(), now, DeskScope::kMine);
  Result<QList<DeskRow>> all = ReadDeskRows(db(), now, DeskScope::kAll);
  ASSERT_TRUE(mine && all);
  ASSERT_EQ(mine->size(), 1);
  EXPECT_EQ(mine->at(0).deadline, QStringLiteral("2026-12-22 09:30"));
  EXPECT_TRUE(mine->at(0).deadline_corrected);
  ASSERT_EQ(all->size(), 2);
  EXPECT_EQ(all->at(0).title, QStringLiteral("全部公告中的一条"));  // soonest first
  EXPECT_FALSE(all->at(0).deadline_corrected);

  struct Case {
    qint64 seconds;
    const char* left;
    Urgency urgency;
  };
  for (const Case& c : std::vector<Case>{{-5, "已截止", Urgency::kNone},
                                         {59, "1分", Urgency::kUnderDay},
                                         {2 * 3600 + 600, "2小时10分", Urgency::kUnderDay},
                                         {26 * 3600, "1天2小时", Urgency::kUnderThreeDays},
                                         {3 * 86400, "3天0小时", Urgency::kNone}}) {
    EXPECT_EQ(TimeLeftText(c.seconds), QString::fromUtf8(c.left));
    EXPECT_EQ(UrgencyOf(c.seconds), c.urgency) << c.seconds;
  }
  EXPECT_EQ(BudgetWanText(520000.0), QStringLiteral("52.00"));
  EXPECT_EQ(BudgetWanText(std::nullopt), QString());
  EXPECT_EQ(DeadlineShortText(kDeadline), QStringLiteral("12-20 09:30"));
  EXPECT_EQ(DeadlineMoment(QStringLiteral("2026-12-20")), At("2026-12-21 00:00"));
}

// The card of each page of a corrected project: the effective deadline,
// every value it replaced, the date of the newest correction, the facts a
// correction's page leaves out taken from the announcement, one timeline.
TEST_F(DeskTest, TheCardShowsEffectiveValuesWithWhatTheyReplaced) {
  Tender(kTitle, kDeadline, false);
  Correct(kTitle, QStringLiteral("2026-12-25 09:30"), QStringLiteral("2026-12-05"));
  Correct(kTitle, QStringLiteral("2026-12-28 09:30"), QStringLiteral("2026-12-08"));
  ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES('未读的公告', '/u', "
                           "'2026-12-09', 2)"));
  auto fact = [](const FactsCard& card, const QString& label) {
    for (const CardFact& f : card.facts)
      if (f.label == label) return f;
    return CardFact{};
  };
  for (const QString& page : {kTitle, QStringLiteral("更正公告2026-12-08")}) {
    SCOPED_TRACE(page.toStdString());
    Result<FactsCard> card = ReadFactsCard(db(), page);
    ASSERT_TRUE(card) << card.error().FullText().toStdString();
    EXPECT_EQ(card->state, CardState::kRead);
    const CardFact deadline = fact(*card, QStringLiteral("截止时间"));
    EXPECT_EQ(deadline.value, QStringLiteral("2026-12-28 09:30"));
    EXPECT_EQ(deadline.superseded, QStringList({kDeadline, QStringLiteral("2026-12-25 09:30")}));
    EXPECT_EQ(deadline.corrected_on, QStringLiteral("2026-12-08"));
    EXPECT_EQ(fact(*card, QStringLiteral("采购人")).value, QStringLiteral("成都市教育局"));
    EXPECT_EQ(fact(*card, QStringLiteral("项目名称")).value, kTitle);
    const CardFact budget = fact(*card, QStringLiteral("预算金额"));
    EXPECT_EQ(budget.value, QStringLiteral("52.00万元"));
    EXPECT_TRUE(budget.superseded.isEmpty() && budget.corrected_on.isEmpty());
    ASSERT_EQ(card->timeline.size(), 3);
    EXPECT_EQ(card->timeline.first().title, kTitle);
    EXPECT_TRUE(FactsCardText(*card).contains(QStringLiteral(
        "截止时间：2026-12-28 09:30（2026-12-08更正，原为2026-12-20 09:30、2026-12-25 09:30）")));
  }
  Result<FactsCard> unread = ReadFactsCard(db(), QStringLiteral("未读的公告"));
  ASSERT_TRUE(unread);
  EXPECT_EQ(unread->state, CardState::kUnread);
  EXPECT_TRUE(unread->facts.isEmpty());
  ASSERT_EQ(unread->timeline.size(), 1);
  Result<FactsCard> help = ReadFactsCard(db(), QStringLiteral("帮助信息"));
  ASSERT_TRUE(help);
  EXPECT_EQ(help->state, CardState::kNotListed);
}

TEST(FactsFilterTest, BudgetRangeOpenTendersAndUnknownBudgets) {
  const QString now = QStringLiteral("2026-12-10 09:00");
  const std::optional<double> none;
  struct Case {
    const char* name;
    FactsFilter filter;
    std::optional<double> budget;
    const char* deadline;
    bool passes;
  };
  const std::vector<Case> cases = {
      {"no filter keeps an announcement without facts", {}, none, "", true},
      {"over 50 万元", {50.0, {}, false, true}, 500000.0, "", true},
      {"just under 50 万元", {50.0, {}, false, true}, 499999.99, "", false},
      {"within 10 to 50", {10.0, 50.0, false, true}, 100000.0, "", true},
      {"above the upper end", {10.0, 50.0, false, true}, 500000.01, "", false},
      {"unknown budget, ticked", {50.0, {}, false, true}, none, "", true},
      {"unknown budget, not ticked", {50.0, {}, false, false}, none, "", false},
      {"unknown budget without a budget range", {{}, {}, false, false}, none, "", true},
      {"open: ahead", {{}, {}, true, true}, none, "2026-12-10 09:01", true},
      {"open: passed this minute", {{}, {}, true, true}, none, "2026-12-10 09:00", false},
      {"open: a whole day still running", {{}, {}, true, true}, none, "2026-12-10", true},
      {"open: no deadline known", {{}, {}, true, true}, 600000.0, "", false},
      {"both", {50.0, {}, true, false}, 600000.0, "2026-12-11 09:00", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.filter.Passes(c.budget, QString::fromLatin1(c.deadline), now), c.passes) << c.name;
  }
}

TEST_F(DeskTest, ExportIsWholeQuotedAndGuarded) {
  QList<ExportRow> rows = {{QStringLiteral("=HYPERLINK(\"x\")"), QStringLiteral("采购公告"),
                            QStringLiteral("2026-12-01"), 520000.0, kDeadline,
                            QStringLiteral("教育局, 成都"), QStringLiteral("@代理"),
                            QStringLiteral("张三"), QStringLiteral("-028"), QStringLiteral("/a")}};
  const QByteArray bytes = ExportCsv(rows);
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 3);  // header, one row, and the empty rest after the last CRLF
  EXPECT_EQ(lines[0], QStringLiteral("标题,类型,日期,预算(元),截止时间,采购人,代理机构,联系人,电话,地址"));
  EXPECT_EQ(lines[1], QStringLiteral("\"'=HYPERLINK(\"\"x\"\")\",采购公告,2026-12-01,520000.00,"
                                     "2026-12-20 09:30,\"教育局, 成都\",'@代理,张三,'-028,/a"));

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("list.csv"));
  ASSERT_TRUE(WriteExport(path, rows));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), bytes);
  file.close();
  // A target that cannot be written: an error, nothing half-written left
  // behind, the earlier file as it was.
  const QString taken = dir.filePath(QStringLiteral("taken"));
  ASSERT_TRUE(QDir().mkpath(taken));
  EXPECT_FALSE(WriteExport(taken, rows));
  EXPECT_FALSE(WriteExport(dir.filePath(QStringLiteral("none/list.csv")), rows));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            (QStringList{QStringLiteral("list.csv"), QStringLiteral("taken")}));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), bytes);

  // Shown rows get the values the lists show (the corrected deadline) and
  // who the page names; a row without facts keeps its own columns.
  Tender(kTitle, kDeadline, false);
  Correct(kTitle, QStringLiteral("2026-12-22 09:30"), QStringLiteral("2026-12-05"));
  Result<QList<ExportRow>> shown = ExportRowsOf(
      db(), {{kTitle, QStringLiteral("采购公告"), QStringLiteral("2026-12-01"), QStringLiteral("/a")},
             {QStringLiteral("无要素"), QStringLiteral("结果公告"), QStringLiteral("2026-12-02"),
              QStringLiteral("/b")}});
  ASSERT_TRUE(shown);
  ASSERT_EQ(shown->size(), 2);
  EXPECT_EQ(shown->at(0).budget, std::optional<double>(520000));
  EXPECT_EQ(shown->at(0).deadline, QStringLiteral("2026-12-22 09:30"));
  EXPECT_EQ(shown->at(0).buyer, QStringLiteral("成都市教育局"));
  EXPECT_EQ(shown->at(1).address, QStringLiteral("/b"));
  EXPECT_FALSE(shown->at(1).budget.has_value());
  EXPECT_TRUE(shown->at(1).deadline.isEmpty() && shown->at(1).buyer.isEmpty());
}

}  // namespace
}  // namespace talvec
