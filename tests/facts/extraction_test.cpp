// Reading the facts of announcement pages: the value rules, and every page
// of the simulated sites scored against what the simulator meant it to say.
#include <gtest/gtest.h>

#include "facts/extraction.h"
#include "facts/values.h"
#include "sitesim/site_simulator.h"
#include "tests/facts/score.h"

namespace talvec {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

TEST(FactValues, MoneyIsReadOnlyWithAnExplicitUnit) {
  struct Case {
    const char16_t* text;
    double header_unit;
    std::optional<double> yuan;
  };
  const Case cases[] = {
      {u"1,234,567.00元", 0, 1234567},
      {u"1234567.00 元", 0, 1234567},
      {u"￥63.86万元", 0, 638600},
      {u"¥1,234,567.00", 0, 1234567},
      {u"RMB 5000", 0, 5000},
      {u"人民币50 万元", 0, 500000},
      {u"５０万元", 0, 500000},
      {u"1.2亿元", 0, 120000000},
      {u"123.5万元（大写：壹佰贰拾叁万伍仟元整）", 0, 1235000},
      {u"123.5万元（大写：壹佰贰拾叁万元整）", 0, std::nullopt},  // they disagree
      {u"人民币壹佰贰拾叁万伍仟元整", 0, 1235000},
      {u"壹佰万零伍佰元整", 0, 1000500},
      {u"壹亿贰仟万元整", 0, 120000000},
      {u"拾万元整", 0, 100000},
      {u"人民币伍角", 0, 0.5},
      {u"壹贰元", 0, std::nullopt},
      {u"63.86", 0, std::nullopt},  // no unit
      {u"63.86", 1e4, 638600},      // the header's "（万元）"
      {u"保密", 0, std::nullopt},
      {u"详见采购文件", 0, std::nullopt},
      {u"下浮率3%", 0, std::nullopt},
      {u"3.5%", 0, std::nullopt},
      {u"包1：50万元，包2：30万元", 0, std::nullopt},  // two figures
      {u"1,23元", 0, std::nullopt},
      {u"5台", 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadMoney(QStringView(c.text), c.header_unit), c.yuan) << S(c.text).toStdString();
  }
}

TEST(FactValues, TimesAndWindows) {
  const std::pair<const char16_t*, const char*> times[] = {
      {u"2026年12月18日 09点30分（北京时间）", "2026-12-18 09:30"},
      {u"2026-12-18 09:30:00", "2026-12-18 09:30"},
      {u"2026年12月18日上午9:30", "2026-12-18 09:30"},
      {u"2026年12月18日下午2:30", "2026-12-18 14:30"},
      {u"2026年12月18日晚上7点", "2026-12-18 19:00"},
      {u"2026年12月18日 中午12:30", "2026-12-18 12:30"},
      {u"2026年12月18日 9时30分", "2026-12-18 09:30"},
      {u"2026年12月18日9点半", "2026-12-18 09:30"},
      {u"2026年12月18日（星期五）9:30", "2026-12-18 09:30"},
      {u"2026/12/18 9:30", "2026-12-18 09:30"},
      {u"２０２６年１２月１８日　９：３０", "2026-12-18 09:30"},
      {u"于2026年12月18日前", "2026-12-18"},
      {u"9时30分", ""},              // no date
      {u"12月18日9:30", ""},         // no year
      {u"2026年2月30日 9:30", ""},   // no such day
      {u"2026年12月18日25:00", ""},  // no such time: nothing, not the date
      {u"详见招标文件", ""},
  };
  for (const auto& [text, want] : times) {
    EXPECT_EQ(ReadTime(QStringView(text)), QString::fromLatin1(want)) << S(text).toStdString();
  }
  const std::tuple<const char16_t*, const char*, const char*> windows[] = {
      {u"2026年12月08日至2026年12月15日，每天上午9:00至12:00，下午14:00至17:00", "2026-12-08",
       "2026-12-15"},
      {u"2026-12-08 09:00:00 至 2026-12-15 17:00:00", "2026-12-08 09:00", "2026-12-15 17:00"},
      {u"自2026年12月8日起至2026年12月15日止", "2026-12-08", "2026-12-15"},
      {u"2026年12月8日9:00至17:00", "2026-12-08 09:00", ""},  // a daily end is no end
  };
  for (const auto& [text, from, until] : windows) {
    const TimeWindow w = ReadWindow(QStringView(text));
    EXPECT_EQ(w.from, QString::fromLatin1(from)) << S(text).toStdString();
    EXPECT_EQ(w.until, QString::fromLatin1(until)) << S(text).toStdString();
  }
}

TEST(FactValues, ProjectKeys) {
  const std::pair<const char16_t*, const char*> keys[] = {
      {u"ＳＣＺＣ２０２６－Ｇ－０１２３", "SCZC2026-G-0123"},
      {u"sczc2026—g—0123", "SCZC2026-G-0123"},
      {u"SCZC2026–G‐0123", "SCZC2026-G-0123"},
      {u"CDZFCG（2026）0456", "CDZFCG(2026)0456"},
      {u" N51 0100　2026 000123 ", "N5101002026000123"},
  };
  for (const auto& [number, key] : keys) {
    EXPECT_EQ(ProjectKey(QStringView(number)), QString::fromLatin1(key)) << S(number).toStdString();
  }
}

// Pages made by hand, apart from the simulator: the label forms, tables,
// lots, nested numbering, and the change lines of corrections.
TEST(FactsOfPages, LabelFormsTablesAndChanges) {
  const QString page =
      S(u"<html><head><style>p{margin:0}</style><script>var a='一、项目基本情况';</script></head>"
        u"<body><p>项目概况</p><p>某项目的潜在投标人应在网上获取招标文件，并于2026年12月28日 "
        u"09:30前递交投标文件。</p>"
        u"<h4>一、项目基本情况</h4>"
        u"<p>项 目 编 号:ＡＢ－２０２６（１）</p>"
        u"<table><tr><td>项目名称</td><td>办公&amp;家具采购项目</td></tr></table>"
        u"<p>包1的预算金额：300,000.00元</p><p>包2的预算金额：20万元</p>"
        u"<p>最高限价（如有）：无</p>"
        u"<p>采购需求：</p><p>一、技术要求</p><p>1.办公桌</p><p>二、商务要求：交货期30天</p>"
        u"<p>二、申请人的资格要求：</p><p>1.满足第二十二条规定</p>"
        u"<h4>三、获取招标文件</h4><p>时间：2026年12月8日至2026年12月14日，每天上午9:00至12:00</p>"
        u"<h4>四、提交投标文件截止时间、开标时间和地点</h4><p>2026年12月28日下午2:30</p>"
        u"<p>地　点：某交易中心</p>"
        u"<h4>五、更正信息</h4>"
        u"<p>更正内容：原公告的投标文件提交截止时间：2026-12-18 09:30，更正为：2026-12-25 "
        u"09:30。</p><p>原开标时间:2026年12月18日9:30 变更为2026年12月25日9:30</p>"
        u"<p>原预算金额：100万元，调整为：120万元；原采购需求：A，修改为：B</p>"
        u"<p>原公告的开标地点：一楼，更正为：二楼</p><p>更正日期：2026年12月9日</p>"
        u"<h4>六、对本次招标提出询问，请按以下方式联系。</h4>"
        u"<p>1.采购人信息</p><p>名　称：某市教育局</p><p>联系方式：028-1234567</p>"
        u"<p>2.采购代理机构信息</p><p>名 称：无</p>"
        u"<p>3.项目联系方式</p><p>项目联系人：王工</p><p>电　话：028-7654321</p></body></html>");
  const PageFacts f = ExtractFacts(page, S(u"某项目公开招标公告"));
  EXPECT_EQ(f.project_no, S(u"ＡＢ－２０２６（１）"));
  EXPECT_EQ(f.project_key, QStringLiteral("AB-2026(1)"));
  EXPECT_EQ(f.project_name, S(u"办公&家具采购项目"));
  EXPECT_EQ(f.budget, 500000.0);  // the sum of the lots
  EXPECT_EQ(f.budget_text, S(u"300,000.00元；20万元"));
  EXPECT_FALSE(f.price_cap);
  EXPECT_EQ(f.price_cap_text, S(u"无"));
  EXPECT_EQ(f.method, S(u"公开招标"));
  EXPECT_EQ(f.docs_from, QStringLiteral("2026-12-08"));
  EXPECT_EQ(f.docs_until, QStringLiteral("2026-12-14"));
  EXPECT_EQ(f.deadline, QStringLiteral("2026-12-28 14:30"));
  EXPECT_EQ(f.opening_at, QStringLiteral("2026-12-28 14:30"));
  EXPECT_EQ(f.opening_place, S(u"某交易中心"));
  EXPECT_EQ(f.buyer, S(u"某市教育局"));
  EXPECT_EQ(f.buyer_contact, QStringLiteral("028-1234567"));
  EXPECT_TRUE(f.agency.isEmpty());  // "无" names none
  EXPECT_EQ(f.contact_person, S(u"王工"));
  EXPECT_EQ(f.contact_phone, QStringLiteral("028-7654321"));
  EXPECT_EQ(f.corrected_on, QStringLiteral("2026-12-09"));
  QStringList changes;
  for (const FactChange& c : f.changes) changes << c.item + u'=' + c.new_value;
  EXPECT_EQ(changes, (QStringList{QStringLiteral("Deadline=2026-12-25 09:30"),
                                  QStringLiteral("OpeningAt=2026-12-25 09:30"),
                                  QStringLiteral("Budget=1200000"), QStringLiteral("Other="),
                                  QStringLiteral("Other=")}));
  ASSERT_GE(f.changes.size(), 1);
  EXPECT_EQ(f.changes[0].old_text, QStringLiteral("2026-12-18 09:30"));
  EXPECT_EQ(f.changes[0].new_text, QStringLiteral("2026-12-25 09:30"));

  // Nothing stated, nothing read; an unreadable deadline keeps its words.
  EXPECT_FALSE(ExtractFacts(S(u"<p>通知</p><p>欢迎访问</p>")).HasFacts());
  const PageFacts unreadable =
      ExtractFacts(S(u"<p>一、项目基本情况</p><p>二、提交投标文件截止时间</p><p>2026年12月18日 "
                     u"25点（北京时间）</p>"));
  EXPECT_TRUE(unreadable.deadline.isEmpty());
  EXPECT_FALSE(unreadable.deadline_text.isEmpty());
}

sitesim::Options SimOptions(quint64 seed) {
  sitesim::Options options;
  options.seed = seed;
  options.today = QDate(2026, 12, 8);
  options.new_every_seconds = 0;
  return options;
}

TEST(FactsOfSimulatedPages, EveryPageReadsAsTheSimulatorMeantIt) {
  for (quint64 seed : {7ULL, 8ULL}) {
    sitesim::SiteSimulator sim(SimOptions(seed));
    test_support::Score score;
    int pages = 0;
    for (int type : {1, 2, 4, 5, 6, 7, 9, 10}) {
      for (const sitesim::Announcement& a : sim.Announcements(type)) {
        const PageFacts got =
            ExtractFacts(QString::fromUtf8(sim.Page(a.address)), a.title.trimmed());
        score.Page(got, a.facts,
                   QStringLiteral("%1 %2 %3").arg(type).arg(a.facts.variant, a.address));
        ++pages;
      }
    }
    for (const sitesim::ConstructionTender& t : sim.ConstructionTenders()) {
      const QString address = QStringLiteral("/InvestmentInfo/ZhaoBiao/") + t.link;
      score.Page(ExtractFacts(QString::fromUtf8(sim.Page(address)), t.title), t.facts,
                 t.facts.variant + u' ' + address);
      ++pages;
    }
    const test_support::FieldTally all = score.Total();
    std::printf("seed %llu, %d pages:\n%s%s\n", static_cast<unsigned long long>(seed), pages,
                qPrintable(score.Report()), qPrintable(score.wrong_examples.join(u'\n')));
    EXPECT_EQ(all.wrong, 0);
    EXPECT_EQ(all.missed, 0);
  }
}

}  // namespace
}  // namespace talvec
