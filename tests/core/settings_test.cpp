#include "core/settings.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace talvec {
namespace {

TEST(Settings, ResearchItemsCompareExactly) {
  SystemSettings s;
  s.researchlx = QStringLiteral("t,f,t,t,t,t,t,t,t,t");
  EXPECT_TRUE(s.CollectsType(1));
  EXPECT_FALSE(s.CollectsType(2));
  EXPECT_TRUE(s.TypeOptionDisabled(2));
  EXPECT_FALSE(s.TypeOptionDisabled(3));

  s.researchlx = QStringLiteral("T,t,t,t,t,t,t,t,t,t");
  EXPECT_FALSE(s.CollectsType(1));        // not exactly "t"
  EXPECT_FALSE(s.TypeOptionDisabled(1));  // not exactly "f"

  s.researchlx = QStringLiteral("t, f,t");  // items are not trimmed
  EXPECT_FALSE(s.TypeOptionDisabled(2));
  // Items beyond a short text are neither collected nor disabled.
  for (int type = 4; type <= 10; ++type) {
    EXPECT_FALSE(s.CollectsType(type));
    EXPECT_FALSE(s.TypeOptionDisabled(type));
  }
  EXPECT_FALSE(s.CollectsType(0));
  EXPECT_FALSE(s.CollectsType(11));
}

TEST(Settings, AttentionNoticeReadsLeadingNumbers) {
  bool popup, sound;
  ReadAttentionNotice(QStringLiteral("1,0"), &popup, &sound);
  EXPECT_TRUE(popup);
  EXPECT_FALSE(sound);
  ReadAttentionNotice(QStringLiteral("01,1"), &popup, &sound);
  EXPECT_TRUE(popup);
  EXPECT_TRUE(sound);
  ReadAttentionNotice(QStringLiteral(" 2,1x "), &popup, &sound);
  EXPECT_FALSE(popup);
  EXPECT_TRUE(sound);
  // Fewer than two items: what is missing is off.
  ReadAttentionNotice(QStringLiteral("1"), &popup, &sound);
  EXPECT_TRUE(popup);
  EXPECT_FALSE(sound);
  ReadAttentionNotice(QString(), &popup, &sound);
  EXPECT_FALSE(popup);
  EXPECT_FALSE(sound);
}

TEST(Settings, IntervalAndStyleRounding) {
  EXPECT_EQ(ReadIntervalSeconds(10), 600);
  EXPECT_EQ(ReadIntervalSeconds(120), 7200);
  EXPECT_EQ(ReadIntervalSeconds(0.00833333), 600);  // 0.4999 s rounds to 0: fallback
  EXPECT_EQ(ReadIntervalSeconds(0.125), 8);         // 7.5 s: half to even
  EXPECT_EQ(ReadIntervalSeconds(0.375), 22);        // 22.5 s: half to even
  EXPECT_EQ(ReadIntervalSeconds(std::nullopt), 600);
  EXPECT_EQ(ReadIntervalSeconds(1000), 600);  // 60000 s overflows 16 bits
  EXPECT_EQ(ReadIntervalSeconds(0), 600);     // a text without a number reads 0

  EXPECT_EQ(ReadUIType(3), 3);
  EXPECT_EQ(ReadUIType(2.5), 2);
  EXPECT_EQ(ReadUIType(std::nullopt), 1);
}

TEST(Settings, LoadFromTheDeliveredRowAndItsEdges) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  SystemSettings s;
  ASSERT_TRUE(LoadSystemSettings(db, &s));
  EXPECT_EQ(s.researchlx, QStringLiteral("t,t,t,t,t,t,t,t,t,t"));
  EXPECT_EQ(s.SiteBaseAddress, QStringLiteral("http://127.0.0.1:8181"));
  EXPECT_EQ(s.IntervalSeconds, 600);
  EXPECT_EQ(s.research, 1);

  ASSERT_TRUE(db.Execute("Update SysSet set ServerDZ=?, researchlx=?, BeginTime=?, UIType=?, "
                         "updatetime=?",
                         "  www.example.cn/site  ", "  t,f,t,t,t,t,t,t,t,t ", " 08:00:00 ", "4abc",
                         "abc"));
  ASSERT_TRUE(LoadSystemSettings(db, &s));
  EXPECT_EQ(s.UIType, 4);  // the leading number of a text
  EXPECT_EQ(s.IntervalSeconds, 600);
  EXPECT_EQ(s.SiteBaseAddress, QStringLiteral("http://www.example.cn/site"));
  EXPECT_EQ(s.researchlx, QStringLiteral("t,f,t,t,t,t,t,t,t,t"));
  EXPECT_EQ(s.BeginTime, QStringLiteral("08:00:00"));

  // Nulls everywhere: defaults, no crash.
  ASSERT_TRUE(db.Execute(
      "Update SysSet set researchlx=NULL, AutoAnalysis=NULL, AttentionNotice=NULL, "
      "updatetime=NULL, research=NULL, Upgrade=NULL, ServerDZ=NULL, WebDZ=NULL, UIType=NULL"));
  ASSERT_TRUE(LoadSystemSettings(db, &s));
  EXPECT_TRUE(s.CollectsType(10));
  EXPECT_EQ(s.AutoAnalysis, 2);
  EXPECT_FALSE(s.PopupNotice);
  EXPECT_EQ(s.IntervalSeconds, 600);
  EXPECT_EQ(s.SiteBaseAddress, QStringLiteral("http://"));
  EXPECT_EQ(s.UIType, 1);
  EXPECT_EQ(s.research, 1);
  EXPECT_EQ(s.Upgrade, 2);

  // No row at all is an error, for every reader and writer; start-up puts
  // the delivered row back.
  ASSERT_TRUE(db.Execute("Delete from SysSet"));
  s.UIType = 5;
  const Result<void> loaded = LoadSystemSettings(db, &s);
  ASSERT_FALSE(loaded);
  EXPECT_EQ(loaded.error().kind, Error::Kind::kMissing);
  EXPECT_EQ(s.UIType, 5);  // unchanged
  EXPECT_EQ(ReadSettingsRow(db).error().kind, Error::Kind::kMissing);
  EXPECT_EQ(ReadWatchSettings(db).error().kind, Error::Kind::kMissing);
  EXPECT_EQ(ReadWatchForm(db).error().kind, Error::Kind::kMissing);
  EXPECT_EQ(LoadSettingsForm(db).error().kind, Error::Kind::kMissing);
  EXPECT_EQ(WriteStyle(db, 3).error().kind, Error::Kind::kMissing);
  EXPECT_EQ(WriteCollectionDate(db, "2026-12-01").error().kind, Error::Kind::kMissing);
  EXPECT_EQ(SaveWatchForm(db, {"电脑", "", "7", "15"}).error().kind, Error::Kind::kMissing);
  EXPECT_EQ(WriteAddresses(db, "a.example", "b.example").error().kind, Error::Kind::kMissing);
  EXPECT_EQ(db.Scalar("Select count(*) from SysSet").toInt(), 0);

  EXPECT_EQ(RestoreMissingSettingsRow(db, QDate(2026, 12, 9)), true);
  EXPECT_EQ(RestoreMissingSettingsRow(db, QDate(2026, 12, 9)), false);  // there already
  EXPECT_EQ(db.Scalar("Select count(*) from SysSet").toInt(), 1);
  ASSERT_TRUE(LoadSystemSettings(db, &s));
  EXPECT_EQ(s.SiteBaseAddress, QStringLiteral("http://127.0.0.1:8181"));
  // An unreadable table is an error as well.
  ASSERT_TRUE(db.Execute("Drop table SysSet"));
  EXPECT_FALSE(ReadSettingsRow(db));
  EXPECT_FALSE(RestoreMissingSettingsRow(db, QDate(2026, 12, 9)));
}

TEST(Settings, EachWriterChangesItsGroupOnly) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  const SettingsRow before = ReadSettingsRow(db).value();
  ASSERT_TRUE(WriteStyle(db, 7));
  ASSERT_TRUE(WriteCollectionDate(db, "2026-12-01"));
  ASSERT_TRUE(WriteAddresses(db, " a.example:81 ", "b.example"));
  EXPECT_FALSE(WriteStyle(db, 10));  // no such style
  const SettingsRow after = ReadSettingsRow(db).value();
  EXPECT_EQ(after.UIType, 7);
  EXPECT_EQ(after.CollectionDate, "2026-12-01");
  EXPECT_EQ(after.ServerDZ, "a.example:81");
  EXPECT_EQ(after.WebDZ, "b.example");
  EXPECT_EQ(after.researchlx, before.researchlx);
  EXPECT_EQ(after.AttentionProduct, before.AttentionProduct);
  EXPECT_EQ(after.updatetime, before.updatetime);

  // Inside a transaction of the caller a writer stands or falls with it.
  {
    Database::Transaction outer(db);
    ASSERT_TRUE(outer.active());
    ASSERT_TRUE(WriteCollectionDate(db, "2026-12-05"));
  }
  EXPECT_EQ(ReadSettingsRow(db).value().CollectionDate, "2026-12-01");
}

}  // namespace
}  // namespace talvec
