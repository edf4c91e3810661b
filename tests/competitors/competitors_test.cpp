// The competitor rules without a window: loading GYS, the search, the list
// model's numbering under sorts, the summary, CSV bytes, look-up addresses.
#include <gtest/gtest.h>
#include <QHash>
#include <QUrl>
#include <ostream>
#include <QUrlQuery>

#include "competitors/award_list_model.h"
#include "competitors/awards.h"
#include "competitors/export.h"
#include "competitors/lookup.h"
#include "competitors/shared_text.h"
#include "competitors/summary.h"
#include "tests/test_support.h"

namespace talvec {

// Texts kept as bytes print as the text they read as.
void PrintTo(const Utf8Text& text, std::ostream* os) { *os << text.ToString().toStdString(); }

namespace {

AwardRow Row(const char* company, const char* title, const char* amount = "",
             const char* date = "") {
  return {0, QString::fromUtf8(company), QString::fromUtf8(title), QString::fromUtf8(amount),
          QString::fromUtf8(date)};
}

QStringList Titles(const std::vector<AwardRow>& rows) {
  QStringList titles;
  for (const AwardRow& row : rows) titles << row.title.ToString();
  return titles;
}

TEST(CompetitorSearch, ProductWordsAndPlaceInTheTitle) {
  const std::vector<AwardRow> full = {
      Row("甲", "成都市东区电脑采购"), Row("乙", "绵阳市打印机采购"),
      Row("丙", "东区空调采购"),       Row("丁", "成都市电脑及打印机采购"),
      Row("戊", "成都市办公家具采购"), Row("己", "自贡市东区电脑维修"),
  };
  struct Case {
    const char* product;
    const char* place;
    QStringList titles;
  };
  const Case cases[] = {
      // Either word, any place.
      {"电脑 打印机",
       "",
       {"成都市东区电脑采购", "绵阳市打印机采购", "成都市电脑及打印机采购", "自贡市东区电脑维修"}},
      // Both the word and the place.
      {"电脑", "东区", {"成都市东区电脑采购", "自贡市东区电脑维修"}},
      // Two blanks in a row: an empty word, so only the place counts.
      {"电脑  打印机",
       "成都",
       {"成都市东区电脑采购", "成都市电脑及打印机采购", "成都市办公家具采购"}},
      // Outer blanks of both texts are trimmed.
      {"  空调 ", " 东区 ", {"东区空调采购"}},
      // Exact, case-sensitive substrings.
      {"PC", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product);
    const auto found = SearchAwards(full, QString::fromUtf8(c.product), QString::fromUtf8(c.place));
    EXPECT_EQ(Titles(found), c.titles);
    for (std::size_t k = 0; k < found.size(); ++k)
      EXPECT_EQ(found[k].number, static_cast<qint32>(k + 1));
  }
  EXPECT_TRUE(ProductTextMissing(QStringLiteral("   ")));
  EXPECT_TRUE(ProductTextMissing(QString()));
  EXPECT_FALSE(ProductTextMissing(QStringLiteral(" 电脑")));
}

TEST(CompetitorLoad, OrderedByCompanyTrimmedWithTheAnnouncementsDate) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  Result<AwardTable> loaded = LoadAwardTable(db);
  ASSERT_TRUE(loaded) << loaded.error().FullText().toStdString();
  AwardTable table = std::move(*loaded);
  EXPECT_EQ(table.count, 0);
  EXPECT_EQ(LoadedCaption(table.count), QStringLiteral("竞争对手分析--共有记录0条"));

  ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, 4)",
                         QStringLiteral("成都市'智慧校园'电脑采购中标公告"), "/a/1.html",
                         "2026-11-03"));
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(?, ?, ?)",
                         QStringLiteral("成都市'智慧校园'电脑采购中标公告"),
                         QStringLiteral(" 乙公司 "), "1200"));
  ASSERT_TRUE(
      db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(NULL, ?, NULL)", QStringLiteral("甲公司")));
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(?, ?, '')",
                         QStringLiteral("无公告的项目 "), QStringLiteral("乙公司")));
  loaded = LoadAwardTable(db);
  ASSERT_TRUE(loaded);
  table = std::move(*loaded);
  EXPECT_EQ(table.count, 3);
  ASSERT_EQ(table.rows.size(), 3u);
  // Ordered by the stored name; the two rows of one company as stored.
  EXPECT_EQ(table.rows[0].company, QStringLiteral("乙公司"));
  EXPECT_EQ(table.rows[0].title, QStringLiteral("成都市'智慧校园'电脑采购中标公告"));
  EXPECT_EQ(table.rows[0].date, QStringLiteral("2026-11-03"));
  EXPECT_EQ(table.rows[0].amount, QStringLiteral("1200"));
  EXPECT_EQ(table.rows[1].company, QStringLiteral("乙公司"));
  EXPECT_EQ(table.rows[1].title, QStringLiteral("无公告的项目"));
  EXPECT_EQ(table.rows[1].date, QString());
  EXPECT_EQ(table.rows[2].company, QStringLiteral("甲公司"));
  EXPECT_EQ(table.rows[2].title, QString());
  EXPECT_EQ(table.rows[2].number, 3);

  // The look-up by title binds it: the apostrophe is part of the title.
  const DetailLookup found =
      FindAwardAnnouncement(db, QStringLiteral(" 成都市'智慧校园'电脑采购中标公告 "));
  EXPECT_TRUE(found.ok);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.stored_address, QStringLiteral("/a/1.html"));
  const DetailLookup missing = FindAwardAnnouncement(db, QStringLiteral("无公告的项目"));
  EXPECT_TRUE(missing.ok);
  EXPECT_FALSE(missing.found);

  // Names in code-point order, as SQLite orders text: U+FF21 before U+20000,
  // though UTF-16 puts the surrogate pair first.
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES('x', ?, '')",
                         QString::fromUtf8("\xF0\xA0\x80\x80公司")));
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES('x', ?, '')",
                         QString::fromUtf8("\xEF\xBC\xA1公司")));
  loaded = LoadAwardTable(db);
  ASSERT_TRUE(loaded);
  table = std::move(*loaded);
  ASSERT_EQ(table.rows.size(), 5u);
  EXPECT_EQ(table.rows[3].company, QString::fromUtf8("\xEF\xBC\xA1公司"));
  EXPECT_EQ(table.rows[4].company, QString::fromUtf8("\xF0\xA0\x80\x80公司"));

  // A table that cannot be read is an error, not an empty list.
  ASSERT_TRUE(db.Execute("DROP TABLE GYS"));
  loaded = LoadAwardTable(db);
  ASSERT_FALSE(loaded);
  EXPECT_FALSE(loaded.error().FullText().isEmpty());
}

TEST(CompetitorLoad, StoredBytesReadAsTheyDecode) {
  // Bytes that are no plain UTF-8 read as fromUtf8 reads them: names and
  // titles that decode alike are one name and one title, whatever bytes
  // stand in the file.
  test_support::TempDatabase temp;
  Database& db = temp.db();
  // Both titles decode to "标\uFFFD题"; the announcement's date reaches the
  // award stored with other bytes.
  ASSERT_TRUE(db.Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES("
                         "CAST(X'E6A087FFE9A298' AS TEXT), '/a/1.html', ' 2026-11-03', 9)"));
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES("
                         "CAST(X'20E6A087FEE9A298' AS TEXT), CAST(X'E794B2FF' AS TEXT), '1')"));
  // "甲\uFFFD" twice, and "乙" once behind a byte-order mark that is dropped.
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) "
                         "VALUES('b', CAST(X'EFBBBFE4B999' AS TEXT), '2')"));
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES("
                         "CAST(X'20EFBBBF63' AS TEXT), CAST(X'E794B2C0' AS TEXT), '3')"));
  ASSERT_TRUE(db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES('d', '乙', '4')"));
  Result<AwardTable> loaded = LoadAwardTable(db);
  ASSERT_TRUE(loaded) << loaded.error().FullText().toStdString();
  const std::vector<AwardRow>& rows = loaded->rows;
  ASSERT_EQ(rows.size(), 4u);
  struct Expected {
    QString company, title, amount, date;
  };
  const Expected expected[] = {
      // U+4E59 before U+7532; the rows of one name as stored.
      {u"乙"_qs, u"b"_qs, u"2"_qs, {}},
      {u"乙"_qs, u"d"_qs, u"4"_qs, {}},
      {u"甲\uFFFD"_qs, u"标\uFFFD题"_qs, u"1"_qs, u"2026-11-03"_qs},
      // A mark inside the text stays, though trimming brings it to the front.
      {u"甲\uFFFD"_qs, u"\uFEFFc"_qs, u"3"_qs, {}},
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(rows[k].number, static_cast<qint32>(k + 1));
    EXPECT_EQ(rows[k].company, expected[k].company);
    EXPECT_EQ(rows[k].title, expected[k].title);
    EXPECT_EQ(rows[k].amount, expected[k].amount);
    EXPECT_EQ(rows[k].date, expected[k].date);
  }
  // The search reads the titles as the list shows them.
  EXPECT_EQ(Titles(SearchAwards(rows, u"\uFFFD"_qs, {})), QStringList({u"标\uFFFD题"_qs}));
  EXPECT_EQ(Titles(SearchAwards(rows, u"\uFEFF"_qs, u"c"_qs)), QStringList({u"\uFEFFc"_qs}));
}

TEST(SharedText, IndexAndBlocksAgreeWithAPlainMap) {
  // Enough keys to grow the index many times and fill several blocks, of
  // lengths from empty to longer than a first block.
  ByteIndex index;
  TextBlocks blocks;
  QHash<QByteArray, qint32> oracle;
  std::vector<std::pair<TextBlocks::Place, QByteArray>> written;
  for (int i = 0; i < 20000; ++i) {
    const QByteArray key =
        i == 7 ? QByteArray(100000, 'x') : QByteArray::number(i % 15000) + QByteArray(i % 37, '-');
    const ByteIndex::Entry entry = index.Emplace(key, i);
    const bool added = !oracle.contains(key);
    EXPECT_EQ(entry.added, added) << i;
    if (added) oracle.insert(key, i);
    EXPECT_EQ(*entry.number, oracle.value(key));
    EXPECT_EQ(entry.key, key);
    written.emplace_back(blocks.Add(key, "|"), key + "|");
  }
  for (auto it = oracle.cbegin(); it != oracle.cend(); ++it) ASSERT_EQ(index.Find(it.key()), *it);
  EXPECT_EQ(index.Find("absent"), -1);
  EXPECT_EQ(index.Find({}), -1);
  for (const auto& [place, bytes] : written) {
    ASSERT_EQ(QByteArrayView(blocks.At(place), bytes.size()), bytes);
  }

  // Texts of their own, and texts sharing a block.
  EXPECT_EQ(Utf8Text(u"\uFEFF成都"_qs).ToString(), u"\uFEFF成都"_qs);
  EXPECT_TRUE(Utf8Text(QString()).isEmpty());
  EXPECT_EQ(Utf8Text(QString()), QString());
  const TextBlocks::Place place = blocks.Add("abc", "de");
  const Utf8Text shared(blocks.Block(place.block), place.offset + 3, 2);
  EXPECT_EQ(shared, u"de"_qs);
  EXPECT_EQ(shared, Utf8Text(u"de"_qs));
}

TEST(AwardListModel, NumbersSurviveSortsAndTheDirectionIsTheCallers) {
  std::vector<AwardRow> rows = {Row("丙", "c"), Row("甲", "a"), Row("乙", "b"), Row("甲", "d")};
  for (std::size_t k = 0; k < rows.size(); ++k) rows[k].number = static_cast<qint32>(k + 1);
  AwardListModel model;
  model.SetRows(rows);
  auto column = [&](int c) {
    QStringList cells;
    for (int r = 0; r < model.rowCount(); ++r) cells << model.index(r, c).data().toString();
    return cells;
  };
  EXPECT_EQ(column(0), QStringList({"1", "2", "3", "4"}));
  // Pinyin order: bing, jia, yi; equal cells keep their order.
  model.sort(AwardListModel::kColCompany, Qt::AscendingOrder);
  EXPECT_EQ(column(1), QStringList({"丙", "甲", "甲", "乙"}));
  EXPECT_EQ(column(0), QStringList({"1", "2", "4", "3"}));
  model.sort(AwardListModel::kColTitle, Qt::DescendingOrder);
  EXPECT_EQ(column(2), QStringList({"d", "c", "b", "a"}));
  // A row is found by its number wherever it stands.
  ASSERT_NE(model.RowByNumber(3), nullptr);
  EXPECT_EQ(model.RowByNumber(3)->company, QStringLiteral("乙"));
  EXPECT_EQ(model.RowByNumber(0), nullptr);
  EXPECT_EQ(model.RowByNumber(5), nullptr);
  // Numbers compare as text, as every cell does.
  std::vector<AwardRow> many(12, Row("x", "t"));
  for (std::size_t k = 0; k < many.size(); ++k) many[k].number = static_cast<qint32>(k + 1);
  model.SetRows(many);
  model.sort(AwardListModel::kColNumber, Qt::AscendingOrder);
  EXPECT_EQ(column(0).mid(0, 4), QStringList({"1", "10", "11", "12"}));
}

TEST(CompetitorSummary, CountsSumsAndDatesAgainstHandComputedRows) {
  const std::vector<AwardRow> rows = {
      Row("甲公司", "成都市教育局电脑采购项目中标公告", "125000", "2026-10-05"),
      Row("乙公司", "关于四川大学华西医院打印机采购项目的中标公告", "98000.5", "2026-11-20"),
      Row("甲公司", "成都市教育局笔记本电脑采购项目中标公告", "12.5万元", "2026-12-01"),
      Row("甲公司", "成都市公安局电脑维修服务项目成交公告", "", "2026-12-03"),
      Row("乙公司", "绵阳市人民政府办公室电脑采购项目中标公告", "面议", ""),
      Row("丙公司", "台式计算机采购项目中标公告", " -.5", "2026-10-31"),
  };
  const std::vector<CompanySummary> summary = SummariseAwards(rows);
  ASSERT_EQ(summary.size(), 3u);
  const CompanySummary& a = summary[0];
  EXPECT_EQ(a.company, QStringLiteral("甲公司"));
  EXPECT_EQ(a.wins, 3);
  // "12.5万元" reads as its leading number; the empty amount counts apart.
  EXPECT_DOUBLE_EQ(a.amount_sum, 125012.5);
  EXPECT_EQ(a.with_amount, 2);
  EXPECT_EQ(a.without_amount, 1);
  EXPECT_EQ(a.latest, QStringLiteral("2026-12-03"));
  EXPECT_EQ(a.bodies, QStringList({"成都市教育局", "成都市公安局"}));
  using Months = QList<std::pair<QString, int>>;
  EXPECT_EQ(a.months, Months({{"2026-10", 1}, {"2026-12", 2}}));
  EXPECT_EQ(AmountText(a), QStringLiteral("125,012.50"));

  const CompanySummary& b = summary[1];
  EXPECT_EQ(b.company, QStringLiteral("乙公司"));
  EXPECT_EQ(b.wins, 2);
  EXPECT_DOUBLE_EQ(b.amount_sum, 98000.5);
  EXPECT_EQ(b.without_amount, 1);  // "面议" holds no number
  EXPECT_EQ(b.undated, 1);
  EXPECT_EQ(b.latest, QStringLiteral("2026-11-20"));
  EXPECT_EQ(b.bodies, QStringList({"四川大学华西医院", "绵阳市人民政府办公室"}));

  const CompanySummary& c = summary[2];
  EXPECT_DOUBLE_EQ(c.amount_sum, -0.5);
  EXPECT_TRUE(c.bodies.isEmpty());  // the title names no body

  CompanySummary none;
  none.without_amount = 1;
  EXPECT_EQ(AmountText(none), QString());
}

TEST(CompetitorExport, FieldsASpreadsheetWouldTakeForFormulasAreDefused) {
  struct Case {
    const char* text;
    const char* field;
  };
  const Case cases[] = {
      {"=1+2", "'=1+2"},     {"+86 28", "'+86 28"},      {"-5", "'-5"},
      {"@SUM(A1)", "'@SUM(A1)"}, {"\t=1", "'\t=1"},   {"\r=1", "\"'\r=1\""},
      {"甲=乙", "甲=乙"},    {"a\tb", "a\tb"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CsvField(QString::fromUtf8(c.text)), QString::fromUtf8(c.field)) << c.text;
  }
  EXPECT_EQ(CsvField(QStringLiteral("-5"), false), QStringLiteral("-5"));  // a number stays
}

TEST(CompetitorExport, CsvBytes) {
  AwardRow plain = Row("成都华信科技有限公司", "电脑采购");
  plain.number = 7;
  AwardRow awkward = Row("=HYPERLINK(\"x\")", "电脑, 打印机 \"二期\"\n补充");
  awkward.number = 12;
  const QByteArray bytes = AwardListCsv({&awkward, &plain});
  const QByteArray expected =
      QByteArray("\xEF\xBB\xBF") +
      QStringLiteral(
          "ID,公司名称,中标项目\r\n"
          "12,\"'=HYPERLINK(\"\"x\"\")\",\"电脑, 打印机 \"\"二期\"\"\n补充\"\r\n"
          "7,成都华信科技有限公司,电脑采购\r\n")
          .toUtf8();
  EXPECT_EQ(bytes, expected);

  CompanySummary s;
  s.company = QStringLiteral("甲公司");
  s.wins = 2;
  s.amount_sum = 1234567.5;
  s.with_amount = 1;
  s.without_amount = 1;
  s.latest = QStringLiteral("2026-12-01");
  s.bodies = QStringList({"成都市教育局", "成都市公安局"});
  CompanySummary t;
  t.company = QStringLiteral(" 乙 ");
  t.wins = 1;
  t.without_amount = 1;
  EXPECT_EQ(SummaryCsv({s, t}),
            QByteArray("\xEF\xBB\xBF") +
                QStringLiteral("公司名称,中标次数,中标金额(元),无金额次数,最近中标,采购单位\r\n"
                               "甲公司,2,1234567.50,1,2026-12-01,成都市教育局、成都市公安局\r\n"
                               "\" 乙 \",1,,1,,\r\n")
                    .toUtf8());
}

TEST(CompetitorLookup, CompanyNameIsPercentEncodedAsUtf8) {
  struct Case {
    const char* name;
    const char* query;  // what follows "/s?WD="
  };
  const Case cases[] = {
      {"华信科技", "%E5%8D%8E%E4%BF%A1%E7%A7%91%E6%8A%80"},
      {" A&B #1+2 ", "A%26B%20%231%2B2"},
      {"100%", "100%25"},
  };
  for (const Case& c : cases) {
    const QString name = QString::fromUtf8(c.name);
    const QString address = CompanyLookupAddress(QStringLiteral("http://engine.test"), name);
    EXPECT_EQ(address, QStringLiteral("http://engine.test/s?WD=") + QLatin1String(c.query));
    // The engine reads back exactly the trimmed name and no other parameter.
    const QUrlQuery query{QUrl(address)};
    EXPECT_EQ(query.queryItems().size(), 1);
    EXPECT_EQ(query.queryItemValue("WD", QUrl::FullyDecoded), name.trimmed());
  }
  EXPECT_EQ(CompanyLookupCaption(QStringLiteral(" 甲公司 ")),
            QStringLiteral("查询公司信息:甲公司"));
  EXPECT_EQ(AwardDetailCaption(QStringLiteral("甲公司")), QStringLiteral("中标结果信息:甲公司"));
  EXPECT_TRUE(SearchEngineBaseAddress().startsWith(QStringLiteral("http://")));
}

}  // namespace
}  // namespace talvec
