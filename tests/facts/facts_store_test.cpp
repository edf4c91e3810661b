// The Facts and Corrections tables: what corrections do to a project's
// deadline whatever the order their pages are read in, the timeline of a
// project, the open tenders and the reader's queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "core/database.h"
#include "facts/facts_store.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

const QDateTime kReadAt(QDate(2026, 12, 10), QTime(8, 0));

class FactsStoreTest : public ::testing::Test {
 protected:
  Database& db() { return tmp_.db(); }

  // A List row, as the collectors store it.
  void List(const QString& title, const QString& date, int type) {
    ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)", title,
                             QStringLiteral("/view?") + title, date, type));
  }
  void Write(const QString& title, const PageFacts& facts, const QString& date) {
    const Result<> written = WritePageFacts(db(), title, facts, date, kReadAt);
    ASSERT_TRUE(written) << written.error().FullText().toStdString();
  }
  static PageFacts Project(const QString& key,
                           const QString& name = QStringLiteral("办公家具采购项目"),
                           const QString& buyer = QStringLiteral("成都市教育局")) {
    PageFacts f;
    f.project_no = key;
    f.project_key = key;
    f.project_name = name;
    f.buyer = buyer;
    return f;
  }
  static PageFacts Tender(const QString& key, const QString& deadline) {
    PageFacts f = Project(key);
    f.deadline = deadline;
    f.opening_at = deadline;
    f.docs_until = QStringLiteral("2026-12-15");
    f.budget = 500000;
    f.budget_text = QStringLiteral("50万元");
    return f;
  }
  static PageFacts Correction(const QString& key, QList<FactChange> changes,
                              const QString& on = {}) {
    PageFacts f = Project(key);
    f.changes = std::move(changes);
    f.corrected_on = on;
    return f;
  }
  EffectiveFacts Effective(const QString& title) {
    const Result<EffectiveFacts> e = ReadEffectiveFacts(db(), title);
    EXPECT_TRUE(e) << e.error().FullText().toStdString();
    return e.value_or(EffectiveFacts{});
  }
  QStringList OpenTitles(const QString& now) {
    const Result<QList<OpenTender>> open = ReadOpenTenders(db(), now);
    EXPECT_TRUE(open) << open.error().FullText().toStdString();
    QStringList titles;
    for (const OpenTender& t : open.value_or(QList<OpenTender>{}))
      titles << t.entry.title + u'@' + t.deadline;
    return titles;
  }

  test_support::TempDatabase tmp_;
};

FactChange Change(const char16_t* item, const QString& value) {
  return {QString::fromUtf16(item), QStringLiteral("旧"), QStringLiteral("新"), value};
}

// The announcement and two corrections that move its deadline, stored in
// every order the reader may meet them (a correction read before its
// announcement applies once the announcement arrives).
TEST_F(FactsStoreTest, CorrectionsMoveTheDeadlineInWhateverOrderTheyAreRead) {
  const QString tender = QStringLiteral("甲项目招标公告"), first = QStringLiteral("甲项目更正公告"),
                second = QStringLiteral("甲项目更正公告（二）");
  List(tender, QStringLiteral("2026-12-01"), 2);
  List(first, QStringLiteral("2026-12-05"), 5);
  List(second, QStringLiteral("2026-12-08"), 5);
  const QString key = QStringLiteral("SCZC2026-G-0001");
  std::array<int, 3> order{0, 1, 2};
  do {
    SCOPED_TRACE(::testing::Message() << order[0] << order[1] << order[2]);
    ASSERT_TRUE(db().Execute("DELETE FROM Facts"));
    ASSERT_TRUE(db().Execute("DELETE FROM Corrections"));
    for (int page : order) {
      if (page == 0) Write(tender, Tender(key, QStringLiteral("2026-12-20 09:30")), "2026-12-01");
      if (page == 1) {
        Write(first,
              Correction(key,
                         {Change(kItemDeadline, QStringLiteral("2026-12-25 09:30")),
                          Change(kItemOpeningAt, QStringLiteral("2026-12-25 10:00")),
                          Change(kItemOther, {})},
                         QStringLiteral("2026-12-05")),
              "2026-12-05");
      }
      if (page == 2) {  // no date on the page: its list date stands
        Write(second, Correction(key, {Change(kItemDeadline, QStringLiteral("2027-01-05 09:30"))}),
              "2026-12-08");
      }
    }
    for (const QString& title : {tender, first, second}) {
      const EffectiveFacts e = Effective(title);
      EXPECT_EQ(e.announcement, tender);
      EXPECT_EQ(e.deadline, QStringLiteral("2027-01-05 09:30"));
      EXPECT_TRUE(e.deadline_corrected);
      EXPECT_EQ(e.opening_at, QStringLiteral("2026-12-25 10:00"));  // corrected once
      EXPECT_EQ(e.docs_until, QStringLiteral("2026-12-15"));        // never corrected
      EXPECT_EQ(e.budget, 500000.0);
    }
    // Past the announced deadline, still open by the corrections.
    EXPECT_EQ(OpenTitles(QStringLiteral("2026-12-28 08:00")),
              QStringList{tender + QStringLiteral("@2027-01-05 09:30")});
    EXPECT_TRUE(OpenTitles(QStringLiteral("2027-01-05 09:30")).isEmpty());
  } while (std::next_permutation(order.begin(), order.end()));
  const Result<QList<CorrectionRow>> rows = ReadProjectCorrections(db(), tender);
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 4);
  EXPECT_EQ(rows->first().title, second);  // newest first
  EXPECT_EQ(rows->first().corrected_on, QStringLiteral("2026-12-08"));
  EXPECT_EQ(rows->last().item, QStringLiteral("Other"));
}

TEST_F(FactsStoreTest, SameDayCorrectionsAndUnreadableValues) {
  const QString key = QStringLiteral("N5101002026000123");
  List(QStringLiteral("乙招标公告"), QStringLiteral("2026-12-01"), 7);
  List(QStringLiteral("乙更正公告"), QStringLiteral("2026-12-06"), 10);
  List(QStringLiteral("乙更正公告（二）"), QStringLiteral("2026-12-06"), 10);  // listed above
  List(QStringLiteral("乙澄清公告"), QStringLiteral("2026-12-09"), 10);
  Write(QStringLiteral("乙更正公告（二）"),
        Correction(key, {Change(kItemDeadline, QStringLiteral("2026-12-30 09:00"))}), "2026-12-06");
  Write(QStringLiteral("乙更正公告"),
        Correction(key, {Change(kItemDeadline, QStringLiteral("2026-12-28 09:00"))}), "2026-12-06");
  // A newer change whose new time did not read: it moves nothing.
  Write(QStringLiteral("乙澄清公告"), Correction(key, {Change(kItemDeadline, {})}), "2026-12-09");
  // Only a date: open through that day.
  Write(QStringLiteral("乙招标公告"), Tender(key, QStringLiteral("2026-12-26")), "2026-12-01");
  EXPECT_EQ(Effective(QStringLiteral("乙招标公告")).deadline, QStringLiteral("2026-12-30 09:00"));

  List(QStringLiteral("丙招标公告"), QStringLiteral("2026-12-02"), 2);
  Write(QStringLiteral("丙招标公告"), Tender(QStringLiteral("JSZB-2026-00007"), "2026-12-29"),
        "2026-12-02");
  EXPECT_EQ(OpenTitles(QStringLiteral("2026-12-29 23:00")),
            (QStringList{QStringLiteral("丙招标公告@2026-12-29"),
                         QStringLiteral("乙招标公告@2026-12-30 09:00")}));

  // Two corrections of one day that one cycle collected, the site's upper
  // (newer) one first: its old deadline is the other's new one, and that
  // decides, in whichever order they are read.
  const QString upper = QStringLiteral("戊更正公告（二）"), lower = QStringLiteral("戊更正公告");
  List(upper, QStringLiteral("2026-12-07"), 5);
  List(lower, QStringLiteral("2026-12-07"), 5);
  List(QStringLiteral("戊招标公告"), QStringLiteral("2026-12-01"), 2);
  Write(QStringLiteral("戊招标公告"), Tender(QStringLiteral("WU-1"), "2026-12-20 09:00"),
        "2026-12-01");
  const FactChange moved_once{QString::fromUtf16(kItemDeadline), QStringLiteral("2026年12月20日9:00"),
                              QStringLiteral("2026年12月28日 15点00分"),
                              QStringLiteral("2026-12-28 15:00")};
  const FactChange moved_again{
      QString::fromUtf16(kItemDeadline), QStringLiteral("2026年12月28日下午3:00"),
      QStringLiteral("2027-01-06 14:30"), QStringLiteral("2027-01-06 14:30")};
  for (bool upper_first : {true, false}) {
    SCOPED_TRACE(upper_first);
    for (int i = 0; i < 2; ++i) {
      if ((i == 0) == upper_first)
        Write(upper, Correction(QStringLiteral("WU-1"), {moved_again}), "2026-12-07");
      else
        Write(lower, Correction(QStringLiteral("WU-1"), {moved_once}), "2026-12-07");
    }
    EXPECT_EQ(Effective(QStringLiteral("戊招标公告")).deadline, QStringLiteral("2027-01-06 14:30"));
    const Result<QList<CorrectionRow>> rows = ReadProjectCorrections(db(), lower);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2);
    EXPECT_EQ(rows->first().title, upper);  // newest first
  }
}

// A correction whose announcement was never collected is kept, and counts
// as soon as the announcement arrives; corrections of another project with
// a similar title never do.
TEST_F(FactsStoreTest, CorrectionBeforeItsAnnouncementAndProjectsApart) {
  List(QStringLiteral("丁更正公告"), QStringLiteral("2026-12-05"), 5);
  Write(QStringLiteral("丁更正公告"),
        Correction(QStringLiteral("K-1"),
                   {Change(kItemDeadline, QStringLiteral("2026-12-31 09:00"))}),
        "2026-12-05");
  EXPECT_EQ(Effective(QStringLiteral("丁更正公告")).deadline, QStringLiteral("2026-12-31 09:00"));
  EXPECT_TRUE(OpenTitles(QStringLiteral("2026-12-10 08:00")).isEmpty());  // no tender yet

  List(QStringLiteral("丁招标公告"), QStringLiteral("2026-12-01"), 2);
  Write(QStringLiteral("丁招标公告"),
        Tender(QStringLiteral("K-1"), QStringLiteral("2026-12-20 09:00")), "2026-12-01");
  List(QStringLiteral("丁二期招标公告"), QStringLiteral("2026-12-02"), 2);
  Write(QStringLiteral("丁二期招标公告"),
        Tender(QStringLiteral("K-2"), QStringLiteral("2026-12-21 09:00")), "2026-12-02");
  EXPECT_EQ(OpenTitles(QStringLiteral("2026-12-10 08:00")),
            (QStringList{QStringLiteral("丁二期招标公告@2026-12-21 09:00"),
                         QStringLiteral("丁招标公告@2026-12-31 09:00")}));
}

TEST_F(FactsStoreTest, TimelineByNumberOrByExactNameAndBuyer) {
  const QString key = QStringLiteral("S5ZFCG(2026)100");
  struct Page {
    const char16_t* title;
    const char* date;
    int type;
    PageFacts facts;
  };
  PageFacts keyless = Project({});  // same name and buyer, no number
  PageFacts other_buyer =
      Project({}, QStringLiteral("办公家具采购项目"), QStringLiteral("成都市卫生健康局"));
  PageFacts similar = Project({}, QStringLiteral("办公家具采购项目（二期）"));
  PageFacts other_number = Project(QStringLiteral("S5ZFCG(2026)101"));
  const Page pages[] = {
      {u"办公家具采购项目采购意向公开", "2026-11-20", 1, keyless},
      {u"办公家具采购项目招标公告", "2026-11-25", 2, Tender(key, "2026-12-16 09:30")},
      {u"办公家具采购项目更正公告", "2026-12-01", 5,
       Correction(key, {Change(kItemDeadline, "2026-12-20 09:30")})},
      {u"办公家具采购项目中标公告", "2026-12-22", 4, Project(key)},
      {u"办公家具采购项目（卫健局）招标公告", "2026-11-26", 2, other_buyer},
      {u"办公家具采购项目（二期）招标公告", "2026-11-27", 2, similar},
      {u"办公家具采购项目重新招标公告", "2026-12-23", 2, other_number},
  };
  for (const Page& p : pages) {
    List(QString::fromUtf16(p.title), QString::fromLatin1(p.date), p.type);
    Write(QString::fromUtf16(p.title), p.facts, QString::fromLatin1(p.date));
  }
  const QStringList expected = {
      QStringLiteral("办公家具采购项目采购意向公开"), QStringLiteral("办公家具采购项目招标公告"),
      QStringLiteral("办公家具采购项目更正公告"), QStringLiteral("办公家具采购项目中标公告")};
  auto timeline = [&](const QString& from) {
    const Result<QList<ProjectEntry>> entries = ReadTimeline(db(), from);
    EXPECT_TRUE(entries);
    QStringList titles;
    for (const ProjectEntry& e : entries.value_or(QList<ProjectEntry>{})) titles << e.title;
    return titles;
  };
  for (const QString& from : expected.mid(1))
    EXPECT_EQ(timeline(from), expected) << from.toStdString();
  // The pre-announcement without a number matches two numbered projects of
  // the same name and buyer (the tender and its re-tender): it is not given
  // to either from its own side.
  EXPECT_EQ(timeline(expected.first()), QStringList{expected.first()});
  EXPECT_EQ(timeline(QStringLiteral("办公家具采购项目（二期）招标公告")).size(), 1);
}

TEST_F(FactsStoreTest, QueueStateAndRewriting) {
  for (int type = 1; type <= 10; ++type) {
    List(QStringLiteral("公告%1").arg(type),
         QStringLiteral("2026-12-%1").arg(type, 2, 10, QLatin1Char('0')), type);
  }
  List(QStringLiteral("旧公告"), QStringLiteral("2026-11-01"), 2);
  Result<QList<QueuedPage>> queue = ReadFactsQueue(db(), QStringLiteral("2026-12-01"), 100);
  ASSERT_TRUE(queue);
  QStringList titles;
  for (const QueuedPage& p : *queue) titles << p.title;
  EXPECT_EQ(titles, (QStringList{QStringLiteral("公告10"), QStringLiteral("公告7"),
                                 QStringLiteral("公告6"), QStringLiteral("公告5"),
                                 QStringLiteral("公告2"), QStringLiteral("公告1")}));

  // Read with facts, read without, given up: each leaves the queue.
  Write(QStringLiteral("公告10"), Correction(QStringLiteral("K"), {Change(kItemOther, {})}),
        "2026-12-10");
  Write(QStringLiteral("公告7"), PageFacts{}, "2026-12-07");
  ASSERT_TRUE(WriteFactsFailed(db(), QStringLiteral("公告6"), kReadAt));
  queue = ReadFactsQueue(db(), QStringLiteral("2026-12-01"), 2);
  ASSERT_TRUE(queue);
  ASSERT_EQ(queue->size(), 2);
  EXPECT_EQ(queue->first().title, QStringLiteral("公告5"));
  EXPECT_EQ(ReadFacts(db(), QStringLiteral("公告10"))->value().state, FactsState::kRead);
  EXPECT_EQ(ReadFacts(db(), QStringLiteral("公告7"))->value().state, FactsState::kNoFacts);
  EXPECT_EQ(ReadFacts(db(), QStringLiteral("公告6"))->value().state, FactsState::kFailed);

  // A failure after a good reading keeps the facts; a new reading replaces
  // the old one with its corrections.
  ASSERT_TRUE(WriteFactsFailed(db(), QStringLiteral("公告10"), kReadAt));
  EXPECT_EQ(ReadFacts(db(), QStringLiteral("公告10"))->value().project_key, QStringLiteral("K"));
  Write(QStringLiteral("公告10"), Correction(QStringLiteral("K"), {}), "2026-12-10");
  EXPECT_EQ(db().Scalar("SELECT count(*) FROM Corrections").toInt(), 0);
  EXPECT_FALSE(ReadFacts(db(), QStringLiteral("无此公告"))->has_value());
}

}  // namespace
}  // namespace talvec
