// The settings dialog's rules without the dialog: what it accepts, what it
// writes, and that a failing save writes nothing.
#include "core/settings.h"

#include <gtest/gtest.h>

#include "core/database.h"
#include "core/settings.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

TEST(SettingsEdit, IntervalIsADecimalNumberFromFiveTo120) {
  const struct {
    const char* text;
    double minutes;  // 0: refused
  } cases[] = {
      {"abc", 0},  {"4", 0},     {"121", 0},   {"", 0},      {"  ", 0},
      {"4.99", 0}, {"-5", 0},    {"1e1", 0},   {"10 分", 0}, {"120.01", 0},
      {"5", 5},    {"120", 120}, {"7.5", 7.5}, {" 10 ", 10}, {"10.", 10},
  };
  for (const auto& c : cases) {
    const std::optional<double> minutes = CheckInterval(QString::fromUtf8(c.text));
    if (c.minutes == 0)
      EXPECT_FALSE(minutes) << c.text;
    else
      EXPECT_EQ(minutes.value_or(-1), c.minutes) << c.text;
  }
}

TEST(SettingsEdit, AddressIsAHostWithOptionalPortAndPath) {
  for (const char* good : {"127.0.0.1:8181", "www.ccgp-sichuan.gov.cn", "host:8080/QYP/site",
                           "[::1]:8080", " example.org "}) {
    EXPECT_TRUE(CheckAddress(QString::fromUtf8(good))) << good;
  }
  for (const char* bad :
       {"", "http://example.org", "exa mple.org", "example.org'", "x\"y", "host/", "host:0",
        "host:70000", "host/a b", "host/‘x’", "-host", "host:", "采购网.cn", "host/a'b"}) {
    EXPECT_FALSE(CheckAddress(QString::fromUtf8(bad))) << bad;
  }
}

struct Row {
  QString research, researchlx, upgrade, updatetime, begin, end, server, web, analysis;
};

Row ReadRow(Database& db) {
  Statement st = db.Query(
      "SELECT research, researchlx, Upgrade, updatetime, BeginTime, EndTime, ServerDZ, WebDZ, "
      "AutoAnalysis FROM SysSet");
  EXPECT_TRUE(st.Next());
  return {st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4),
          st.Text(5), st.Text(6), st.Text(7), st.Text(8)};
}

TEST(SettingsEdit, SaveWritesEveryColumnAndWhatActsAtOnce) {
  test_support::TempDatabase temp;
  SystemSettings settings;
  ASSERT_TRUE(LoadSystemSettings(temp.db(), &settings));
  const struct {
    const char* interval;
    bool all_channels;
    const char* stored_interval;
    qint16 seconds;
    const char* flags;
  } cases[] = {
      {"7.5", false, "7.5", 450, "f,f,f,f,f,f,f,f,f,f"},
      {"10", true, "10.0", 600, "t,t,t,t,t,t,t,t,t,t"},
      {" 120 ", true, "120.0", 7200, "t,t,t,t,t,t,t,t,t,t"},
  };
  for (const auto& c : cases) {
    Result<SettingsForm> form = LoadSettingsForm(temp.db());
    ASSERT_TRUE(form);
    form->research = 2;
    form->interval = QString::fromUtf8(c.interval);
    form->channels.fill(c.all_channels);
    form->begin = QTime(7, 5, 0);
    form->end = QTime(18, 30, 9);
    form->upgrade = 1;
    form->auto_analysis = false;
    form->server = QStringLiteral("  site.example:9000/a ");
    form->web = QStringLiteral("manage.example");
    const Result<void> saved = SaveSettingsForm(temp.db(), *form, &settings);
    ASSERT_TRUE(saved) << saved.error().FullText().toStdString();
    const Row row = ReadRow(temp.db());
    EXPECT_EQ(row.research, "2");
    EXPECT_EQ(row.researchlx, c.flags);
    EXPECT_EQ(row.upgrade, "1");
    EXPECT_EQ(row.updatetime, c.stored_interval);  // a REAL column: 10 reads back as 10.0
    EXPECT_EQ(row.begin, "07:05:00");
    EXPECT_EQ(row.end, "18:30:09");
    EXPECT_EQ(row.server, "site.example:9000/a");
    EXPECT_EQ(row.web, "manage.example");
    EXPECT_EQ(row.analysis, "2");
    EXPECT_EQ(settings.IntervalSeconds, c.seconds);
    EXPECT_EQ(settings.researchlx, c.flags);
    EXPECT_EQ(settings.AutoAnalysis, 2);
    EXPECT_EQ(settings.BeginTime, "07:05:00");
    EXPECT_EQ(settings.EndTime, "18:30:09");
    // The addresses wait for the next start.
    EXPECT_EQ(settings.SiteBaseAddress, "http://127.0.0.1:8181");
    // The dialog shows what was written when it opens again.
    const Result<SettingsForm> again = LoadSettingsForm(temp.db());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->interval.toDouble(), form->interval.toDouble());
    EXPECT_EQ(again->channels, form->channels);
    EXPECT_EQ(again->begin, form->begin);
    EXPECT_EQ(again->research, 2);
  }
}

TEST(SettingsEdit, AFailingStatementWritesNothing) {
  test_support::TempDatabase temp;
  SystemSettings settings;
  ASSERT_TRUE(LoadSystemSettings(temp.db(), &settings));
  const Row before = ReadRow(temp.db());
  const SystemSettings kept = settings;
  // The last but one statement fails, as a constraint of the file would.
  ASSERT_TRUE(
      temp.db().Execute("CREATE TRIGGER refuse BEFORE UPDATE OF WebDZ ON SysSet BEGIN SELECT "
                        "RAISE(ABORT, 'refused'); END"));
  Result<SettingsForm> form = LoadSettingsForm(temp.db());
  ASSERT_TRUE(form);
  form->research = 2;
  form->interval = QStringLiteral("30");
  form->channels.fill(false);
  form->web = QStringLiteral("other.example");
  const Result<void> saved = SaveSettingsForm(temp.db(), *form, &settings);
  ASSERT_FALSE(saved);
  EXPECT_TRUE(saved.error().FullText().contains(QStringLiteral("refused")))
      << saved.error().FullText().toStdString();
  const Row after = ReadRow(temp.db());
  EXPECT_EQ(after.research, before.research);
  EXPECT_EQ(after.researchlx, before.researchlx);
  EXPECT_EQ(after.updatetime, before.updatetime);
  EXPECT_EQ(settings.IntervalSeconds, kept.IntervalSeconds);
  EXPECT_EQ(settings.researchlx, kept.researchlx);

  // Without its row the table keeps nothing: that is no success either.
  ASSERT_TRUE(temp.db().Execute("DROP TRIGGER refuse"));
  ASSERT_TRUE(temp.db().Execute("DELETE FROM SysSet"));
  EXPECT_FALSE(SaveSettingsForm(temp.db(), *form, &settings));
  EXPECT_EQ(settings.researchlx, kept.researchlx);
}

}  // namespace
}  // namespace talvec
