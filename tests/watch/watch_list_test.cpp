// The watch list's statements and the settings panel's reading and saving.
#include <gtest/gtest.h>
#include <QFile>

#include "core/database.h"
#include "tests/test_support.h"
#include "core/settings.h"
#include "watch/watch_list.h"
#include "watch/watch_matcher.h"

namespace talvec {
namespace {

const QDate kToday(2026, 12, 9);
QString Day(int days_back) { return kToday.addDays(-days_back).toString("yyyy-MM-dd"); }

void AddEntry(Database& db, const QString& title, const QVariant& date, const char* state) {
  ASSERT_TRUE(db.Execute("INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES(?, '/a.html', ?, ?)", title,
                         date, state));
}

QStringList Titles(Database& db) {
  const Result<std::vector<WatchEntry>> entries = LoadWatchEntries(db);
  EXPECT_TRUE(entries);
  QStringList titles;
  for (const WatchEntry& e : entries.value_or(std::vector<WatchEntry>())) titles.append(e.title);
  return titles;
}

TEST(WatchList, PurgeKeepsTheCutOffDay) {
  struct Case {
    const char* keep_days;
    QStringList kept;
  };
  const Case cases[] = {
      {"15", {"today", "15 days", "no date"}},  // the 15th day back stays
      {"7", {"today", "no date"}},
      {"", {"today", "no date"}},  // Null keep-days: all before today go
      {"abc", {"today", "no date"}},
  };
  for (const Case& c : cases) {
    test_support::TempDatabase temp;
    Database& db = temp.db();
    AddEntry(db, "today", Day(0), "1");
    AddEntry(db, "15 days", Day(15), "1");
    AddEntry(db, "16 days", Day(16), "1");
    AddEntry(db, "no date", QVariant(), "1");
    ASSERT_TRUE(PurgeWatchEntries(db, PurgeCutoff(kToday, QString::fromUtf8(c.keep_days))));
    QStringList titles = Titles(db);
    titles.sort();
    QStringList kept = c.kept;
    kept.sort();
    EXPECT_EQ(titles, kept) << c.keep_days;
  }
}

TEST(WatchSettingsForm, ReadsTheRowAndSavesOnlyWhatPasses) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  ASSERT_TRUE(
      db.Execute("UPDATE SysSet SET AttentionProduct = ' 电脑  空调 ', AttentionPlace = NULL, "
                 "AttentionTime = 7.0, AttentionSave = NULL, AttentionNotice = ' 01'"));
  const Result<WatchForm> form = ReadWatchForm(db);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->product, "电脑  空调");  // inner blanks kept
  EXPECT_EQ(form->place, "");
  EXPECT_EQ(form->look_back_days, "7");
  EXPECT_EQ(form->keep_days, "");
  EXPECT_TRUE(form->popup);
  EXPECT_FALSE(form->sound);  // the missing second flag is off

  struct Case {
    const char *product, *place, *look_back, *keep;
    WatchSaveRefusal refusal;
  };
  const Case cases[] = {
      {" ", "", "7", "15", WatchSaveRefusal::kNoWords},
      {"", "成都", "7", "15", WatchSaveRefusal::kNone},  // one box is enough
      {"电脑", "", "0", "15", WatchSaveRefusal::kLookBackRange},
      {"电脑", "", "31", "15", WatchSaveRefusal::kLookBackRange},
      {"电脑", "", "30", "6", WatchSaveRefusal::kKeepRange},
      {"电脑", "", "1天", "", WatchSaveRefusal::kKeepRange},
      {"电脑", "", "1", "30", WatchSaveRefusal::kNone},
  };
  for (const Case& c : cases) {
    const WatchForm f{QString::fromUtf8(c.product), QString::fromUtf8(c.place),
                      QString::fromUtf8(c.look_back), QString::fromUtf8(c.keep)};
    EXPECT_EQ(CheckWatchForm(f), c.refusal) << c.product << c.place << c.look_back << c.keep;
  }

  EXPECT_EQ(WatchNoticeText(true, false), "1,0");
  EXPECT_EQ(WatchNoticeText(false, true), "0,1");
  ASSERT_TRUE(SaveWatchForm(db, {" O'Neil 电脑 ", "成都", "3天", "20", false, true}));
  Statement st = db.Prepare(
      "SELECT AttentionProduct, AttentionPlace, AttentionTime, AttentionSave, AttentionNotice FROM "
      "SysSet");
  ASSERT_TRUE(st.Next());
  EXPECT_EQ(st.Text(0), "O'Neil 电脑");
  EXPECT_EQ(st.Text(1), "成都");
  EXPECT_EQ(st.Double(2), 3.0);
  EXPECT_EQ(st.Double(3), 20.0);
  EXPECT_EQ(st.Text(4), "0,1");

  ASSERT_TRUE(db.Execute("DELETE FROM SysSet"));
  EXPECT_FALSE(ReadWatchForm(db));
}

TEST(WatchSettingsForm, NothingIsSavedOrAddedOnceTheFileIsDeleted) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES('电脑', '/a', ?, 1)",
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
  ASSERT_TRUE(QFile::remove(temp.path()));
  EXPECT_FALSE(SaveWatchForm(db, {"电脑", "成都", "7", "15", true, false}));
  EXPECT_TRUE(AddWatchEntries(db, {{"电脑", "/a", "2026-12-09"}}).isEmpty());
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM Attention").toInt(), 0);
}

}  // namespace
}  // namespace talvec
