// Automatic analysis of every result announcement the simulated site serves,
// end to end: queue, fetch, cut, extract, store.
#include <gtest/gtest.h>
#include <QSignalSpy>

#include "analysis/auto_analysis.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "core/numeric.h"
#include "core/settings.h"
#include "core/text.h"
#include "sitesim/site_simulator.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

class SiteAnalysisTest : public ::testing::Test {
 protected:
  SiteAnalysisTest()
      : sim_(Options()),
        listening_(sim_.Listen()),
        network_(fetcher_, sim_.BaseUrl()),
        auto_(tmp_.db(), settings_, fetcher_, network_) {
    settings_.AutoAnalysis = 1;
    settings_.SiteBaseAddress = sim_.BaseUrl();
    network_.SetNetworkOk(true);
  }

  static sitesim::Options Options() {
    sitesim::Options options;
    options.seed = 7;
    options.today = QDate(2026, 12, 8);
    options.new_every_seconds = 0;
    return options;
  }

  void SetUp() override { ASSERT_TRUE(listening_); }

  // Stores the site's result announcements the way the collectors do.
  QList<sitesim::Announcement> Collect() {
    QList<sitesim::Announcement> all;
    for (int type : {4, 9}) {
      for (const sitesim::Announcement& a : sim_.Announcements(type)) {
        const bool stored = tmp_.db()
                                .Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)",
                                              TrimBlanks(a.title).left(127), a.address,
                                              a.date.toString(Qt::ISODate), type)
                                .has_value();
        if (stored) all.append(a);
      }
    }
    return all;
  }

  int RunUntilQueueEmpty() {
    int ticks = 0;
    while (!ReadAnalysisQueue(tmp_.db()).value().isEmpty() && ticks < 200) {
      QSignalSpy done(&auto_, &AutoAnalysis::batchFinished);
      auto_.OnTimerAuto();
      if (!done.wait(30000)) break;
      ++ticks;
    }
    return ticks;
  }

  QString Summary(const sitesim::Announcement& a) {
    return tmp_.db()
        .Scalar("SELECT ZBXX FROM List WHERE MC=?", TrimBlanks(a.title).left(127))
        .toString();
  }

  QStringList Suppliers(const sitesim::Announcement& a) {
    Statement st = tmp_.db().Query("SELECT GYS FROM GYS WHERE MC=?", TrimBlanks(a.title).left(127));
    QStringList names;
    while (st.Next()) names.append(st.Text(0));
    return names;
  }

  test_support::TempDatabase tmp_;
  sitesim::SiteSimulator sim_;
  bool listening_;
  PageFetcher fetcher_;
  NetworkStatus network_;
  SystemSettings settings_;
  AutoAnalysis auto_;
};

TEST_F(SiteAnalysisTest, EveryResultPageIsAnalysedOnce) {
  const QList<sitesim::Announcement> all = Collect();
  ASSERT_GT(all.size(), 50);
  RunUntilQueueEmpty();
  EXPECT_TRUE(ReadAnalysisQueue(tmp_.db()).value().isEmpty());

  int no_header = 0, no_footer = 0, voids = 0;
  int with_awards = 0, winners = 0, found = 0, exact_amounts = 0, layouts_with_awards[5] = {};
  for (const sitesim::Announcement& a : all) {
    const QString summary = Summary(a);
    const QStringList suppliers = Suppliers(a);
    SCOPED_TRACE(a.result_cell.toStdString());
    if (!a.has_header) {
      EXPECT_EQ(summary, S("网页故障"));
      EXPECT_TRUE(suppliers.isEmpty());
      ++no_header;
      continue;
    }
    if (!a.has_footer) {
      ++no_footer;
      EXPECT_EQ(summary, S("无信息"));
      continue;
    }
    EXPECT_FALSE(summary.isEmpty());
    if (a.layout == sitesim::ResultLayout::kVoid) {
      EXPECT_EQ(summary, TrimBlanks(a.result_cell).left(127));
      EXPECT_TRUE(suppliers.isEmpty());
      ++voids;
      continue;
    }
    winners += a.awards.size();
    if (!suppliers.isEmpty()) {
      ++with_awards;
      ++layouts_with_awards[int(a.layout)];
    }
    for (const sitesim::Award& award : a.awards) {
      // Names with an apostrophe are stored with "‘" in its place.
      if (!suppliers.contains(QString(award.supplier).replace(u'\'', u'‘'))) continue;
      ++found;
      const QVariant je =
          tmp_.db().Scalar("SELECT JE FROM GYS WHERE MC=? AND GYS=?", TrimBlanks(a.title).left(127),
                           QString(award.supplier).replace(u'\'', u'‘'));
      if (NumericValue(je.toString()) == NumericValue(award.amount_yuan)) ++exact_amounts;
    }
  }
  const qint64 rows = tmp_.db().Scalar("SELECT count(*) FROM GYS").toLongLong();
  std::printf("[ figures  ] %d without header, %d without footer, %d void\n", no_header, no_footer,
              voids);
  std::printf(
      "[ figures  ] %lld result pages, %d with awards (colon %d, comma %d, single %d), "
      "%lld award rows, %d of %d real winners found by name, %d with their amount in yuan\n",
      static_cast<long long>(all.size()), with_awards,
      layouts_with_awards[int(sitesim::ResultLayout::kColon)],
      layouts_with_awards[int(sitesim::ResultLayout::kComma)],
      layouts_with_awards[int(sitesim::ResultLayout::kSingle)], static_cast<long long>(rows), found,
      winners, exact_amounts);
  // Every layout yields winners; nearly all real winners are found by name
  // (the single layout cuts a name at an ASCII letter before its marker).
  EXPECT_GT(layouts_with_awards[int(sitesim::ResultLayout::kColon)], 0);
  EXPECT_GT(layouts_with_awards[int(sitesim::ResultLayout::kComma)], 0);
  EXPECT_GT(layouts_with_awards[int(sitesim::ResultLayout::kSingle)], 0);
  EXPECT_GE(found * 10, winners * 9);
  EXPECT_GT(exact_amounts * 2, winners);
}

TEST_F(SiteAnalysisTest, MissingPageLeavesTheQueueAfterThreeAnswers) {
  ASSERT_TRUE(tmp_.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?,?,?,?)", S("失踪公告"),
                                "/view/no-such-page.html", "2026-12-09", 9));
  for (int i = 0; i < 3; ++i) {
    network_.SetNetworkOk(true);
    QSignalSpy done(&auto_, &AutoAnalysis::batchFinished);
    auto_.OnTimerAuto();
    ASSERT_TRUE(done.wait(30000));
  }
  EXPECT_EQ(tmp_.db().Scalar("SELECT ZBXX FROM List WHERE MC=?", S("失踪公告")).toString(),
            S("网页故障"));
}

}  // namespace
}  // namespace talvec
