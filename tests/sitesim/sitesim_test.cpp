// The simulator against the grammars the collectors and result analysis read
// (list pages, construction list, result pages and cells), its determinism, and each fault mode as
// a client sees it through QNetworkAccessManager.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

#include "sitesim/site_simulator.h"

namespace talvec::sitesim {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// ---- The grammars, read with plain string searches as the collectors and the result reader do
// ----

QString Between(const QString& text, const QString& open, const QString& close) {
  const qsizetype a = text.indexOf(open);
  if (a < 0) return {};
  const qsizetype from = a + open.size();
  const qsizetype b = text.indexOf(close, from);
  return b < 0 ? text.mid(from) : text.mid(from, b - from);
}

struct ListItem {
  QString address, title, date;
};

// The list-page grammar: nullopt when the heading or the region is missing.
std::optional<QList<ListItem>> ParseListPage(const QString& text, const QString& heading) {
  const qsizetype h = text.indexOf(heading);
  if (h < 0) return std::nullopt;
  const qsizetype p = text.indexOf(U("页次"));
  if (p <= h) return std::nullopt;
  const QStringList pieces = text.mid(h, p - h).split(QStringLiteral("<li>"));
  QList<ListItem> items;
  for (qsizetype i = 1; i < pieces.size(); ++i) {
    const QString& item = pieces[i];
    items.append({Between(item, QStringLiteral("<a href=\""), QStringLiteral("\"")),
                  Between(item, QStringLiteral("title=\""), QStringLiteral("\"")),
                  Between(item, QStringLiteral("date\">"), QStringLiteral("<"))});
  }
  return items;
}

struct Row {
  QString link, title, place, date;
};

// The construction-list grammar: markers without regard to case.
std::optional<QList<Row>> ParseConstructionPage(const QString& text) {
  const qsizetype a =
      text.indexOf(QStringLiteral("ContentPlaceHolder1_GVList"), 0, Qt::CaseInsensitive);
  const qsizetype b =
      text.indexOf(QStringLiteral("ContentPlaceHolder1_myPager"), 0, Qt::CaseInsensitive);
  if (a < 0 || b <= a) return std::nullopt;
  const QStringList pieces = text.mid(a, b - a).split(QStringLiteral("<tr>"));
  QList<Row> rows;
  for (qsizetype i = 2; i < pieces.size(); ++i) {
    const QString& row = pieces[i];
    Row r{Between(row, QStringLiteral("<a href=\""), QStringLiteral("\"")),
          Between(row, QStringLiteral("title=\""), QStringLiteral("\"")),
          {},
          {}};
    const QStringList spans = row.split(QStringLiteral("<span"));
    if (spans.size() > 2) {
      const QString after = QStringList(spans.mid(2)).join(QStringLiteral("<span"));
      const QStringList cut = after.split(QStringLiteral("\">"));
      if (cut.size() > 1) r.place = cut[1].left(cut[1].indexOf(u'<'));
      if (cut.size() > 2) r.date = cut[2].left(cut[2].indexOf(u'<'));
    }
    rows.append(r);
  }
  return rows;
}

// The result-page reading: header present, footer after it, the result cell.
struct ResultRead {
  bool header = false;
  bool footer = false;
  QString cell;
};
ResultRead ReadResultPage(const QString& page) {
  ResultRead read;
  const qsizetype h = page.indexOf(U("各包中标/成交供应商名称、地址及报价"));
  if (h < 0) return read;
  read.header = true;
  const qsizetype f = page.indexOf(U("版权所有"));
  if (f < 0 || f <= h) return read;
  read.footer = true;
  const QStringList pieces = page.mid(h, f - h).split(QStringLiteral("<td"));
  if (pieces.size() < 2) return read;
  const QString& piece = pieces[1];
  const qsizetype gt = piece.indexOf(u'>');
  const qsizetype end = piece.indexOf(QStringLiteral("</td>"));
  if (end - gt - 1 >= 0) read.cell = piece.mid(gt + 1, end - gt - 1);
  return read;
}

// ---- A client with a timeout (QSignalSpy::wait: tests only) ----

struct Fetched {
  bool finished = false;
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  int status = 0;
  QByteArray body;
  QByteArray content_type;
  qint64 content_length = -1;
  qint64 elapsed_ms = 0;
};

// decompress_limit: QNetworkRequest's decompressed-safety-check threshold
// (0: Qt's default, -1: off).
Fetched Fetch(QNetworkAccessManager& nam, const QString& url, int timeout_ms = 5000,
              qint64 decompress_limit = 0) {
  QElapsedTimer clock;
  clock.start();
  QNetworkRequest request{QUrl(url)};
  if (decompress_limit != 0) request.setDecompressedSafetyCheckThreshold(decompress_limit);
  std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
      nam.get(request), [](QNetworkReply* r) { r->deleteLater(); });
  QSignalSpy done(reply.get(), &QNetworkReply::finished);
  Fetched f;
  f.finished = done.wait(timeout_ms);
  f.elapsed_ms = clock.elapsed();
  if (!f.finished) {
    reply->abort();
    return f;
  }
  f.error = reply->error();
  f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  f.body = reply->readAll();
  f.content_type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
  if (reply->hasRawHeader("Content-Length"))
    f.content_length = reply->rawHeader("Content-Length").toLongLong();
  return f;
}

Options TestOptions(quint64 seed = 7) {
  Options options;
  options.seed = seed;
  options.today = QDate(2026, 12, 8);
  options.new_every_seconds = 0;
  return options;
}

class SiteSimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.Listen()); }
  QString Url(const QString& target) const { return sim_.BaseUrl() + target; }
  QString Get(const QString& target) { return QString::fromUtf8(Fetch(nam_, Url(target)).body); }

  SiteSimulator sim_{TestOptions()};
  QNetworkAccessManager nam_;
};

// ---- Data and grammar ----

TEST_F(SiteSimTest, AddressesForTheProgram) {
  EXPECT_NE(sim_.Port(), 0);
  EXPECT_EQ(sim_.AddressPrefix(), QStringLiteral("127.0.0.1:%1").arg(sim_.Port()));
  EXPECT_EQ(sim_.BaseUrl(), QStringLiteral("http://127.0.0.1:%1").arg(sim_.Port()));
  EXPECT_EQ(
      SiteSimulator::ListPath(4, 3),
      QStringLiteral(
          "/CmsNewsController.do?method=recommendBulletinList&moreType=provincebuyBulletinMore"
          "&channelCode=shiji_jggg&rp=25&page=3"));
}

TEST_F(SiteSimTest, ProbePageIsUsable) {
  const Fetched f = Fetch(nam_, Url(QStringLiteral("/")));
  ASSERT_TRUE(f.finished);
  EXPECT_EQ(f.status, 200);
  EXPECT_EQ(f.content_type, "text/html; charset=utf-8");
  const QString text = QString::fromUtf8(f.body);
  EXPECT_FALSE(text.isEmpty());
  EXPECT_FALSE(text.contains(U("无法找到该页")));
  EXPECT_FALSE(text.contains(U("页面没有找到")));
}

TEST_F(SiteSimTest, EveryListPageOfEveryChannelFollowsTheGrammar) {
  for (int type = 1; type <= kChannelCount; ++type) {
    const QString heading = U(ChannelOfType(type).heading);
    const QList<Announcement> served = sim_.Announcements(type);
    const int pages = sim_.PageCount(type);
    ASSERT_GT(pages, 1) << type;
    ASSERT_EQ(pages, (served.size() + 24) / 25);
    for (int page = 1; page <= pages + 1; ++page) {
      const Fetched f = Fetch(nam_, Url(SiteSimulator::ListPath(type, page)));
      ASSERT_TRUE(f.finished);
      EXPECT_EQ(f.content_type, "text/html; charset=utf-8");
      const QString text = QString::fromUtf8(f.body);
      const std::optional<QList<ListItem>> items = ParseListPage(text, heading);
      ASSERT_TRUE(items) << type << " page " << page;
      EXPECT_TRUE(text.contains(U("页次：%1/%2").arg(page).arg(pages)));
      const qsizetype first = static_cast<qsizetype>(page - 1) * 25;
      const qsizetype expected = std::clamp<qsizetype>(served.size() - first, 0, 25);
      ASSERT_EQ(items->size(), expected) << type << " page " << page;
      for (qsizetype k = 0; k < expected; ++k) {
        const Announcement& a = served[first + k];
        EXPECT_EQ((*items)[k].address, a.address);
        EXPECT_EQ((*items)[k].title, a.title);
        EXPECT_EQ((*items)[k].date, a.date.toString(QStringLiteral("yyyy-MM-dd")));
      }
    }
  }
}

TEST_F(SiteSimTest, PagesPastTheEndKeepHeadingAndPageInfoButHaveNoItems) {
  const QString text = Get(SiteSimulator::ListPath(7, 500));
  EXPECT_EQ(text.count(U(ChannelOfType(7).heading)), 1);
  const std::optional<QList<ListItem>> items = ParseListPage(text, U(ChannelOfType(7).heading));
  ASSERT_TRUE(items);
  EXPECT_TRUE(items->isEmpty());
  // Rule 2: nothing of the page's frame looks like an item after the heading.
  EXPECT_FALSE(
      text.mid(text.indexOf(U(ChannelOfType(7).heading))).contains(QStringLiteral("<li>")));
}

TEST_F(SiteSimTest, ListsAreNewestFirstAndCoverAboutSixtyDays) {
  int total = 0;
  QDate oldest = sim_.Today();
  for (int type = 1; type <= kChannelCount; ++type) {
    const QList<Announcement> items = sim_.Announcements(type);
    total += static_cast<int>(items.size());
    for (qsizetype i = 1; i < items.size(); ++i) {
      EXPECT_GE(items[i - 1].date, items[i].date);
      EXPECT_GT(items[i - 1].id, items[i].id);  // ids carry date and running number
    }
    if (!items.isEmpty()) {
      EXPECT_EQ(items.first().date, sim_.Today()) << type;
      oldest = std::min(oldest, items.last().date);
    }
  }
  EXPECT_GE(oldest.daysTo(sim_.Today()), 55);
  EXPECT_LE(oldest.daysTo(sim_.Today()), 60);
  EXPECT_GT(total / 61, 20);  // tens a day across the channels
  EXPECT_LT(total / 61, 60);
}

TEST_F(SiteSimTest, TitlesAreRealisticAndUniqueInTheFormTheyAreStored) {
  static const char* const kCities[] = {"成都市",
                                        "绵阳市",
                                        "德阳市",
                                        "自贡市",
                                        "攀枝花市",
                                        "泸州市",
                                        "广元市",
                                        "遂宁市",
                                        "内江市",
                                        "乐山市",
                                        "南充市",
                                        "眉山市",
                                        "宜宾市",
                                        "广安市",
                                        "达州市",
                                        "雅安市",
                                        "巴中市",
                                        "资阳市",
                                        "阿坝藏族羌族自治州",
                                        "甘孜藏族自治州",
                                        "凉山彝族自治州"};
  QSet<QString> keys;
  int apostrophes = 0, padded = 0, long_titles = 0, count = 0;
  for (int type = 1; type <= kChannelCount; ++type) {
    for (const Announcement& a : sim_.Announcements(type)) {
      ++count;
      QString key = a.title;
      while (key.startsWith(u' ')) key.remove(0, 1);
      while (key.endsWith(u' ')) key.chop(1);
      if (key != a.title) ++padded;
      if (key.size() > 127) ++long_titles;
      if (a.title.contains(u'\'')) ++apostrophes;
      EXPECT_FALSE(a.title.contains(u'"'));
      EXPECT_FALSE(keys.contains(key.left(127))) << a.title.toStdString();
      keys.insert(key.left(127));
      if (type <= 5) {
        bool has_city = false;
        for (const char* city : kCities) has_city = has_city || key.contains(U(city));
        EXPECT_TRUE(has_city) << a.title.toStdString();
      } else {
        for (const char* city : kCities)
          EXPECT_FALSE(a.buyer.startsWith(U(city))) << a.title.toStdString();
      }
      EXPECT_TRUE(key.contains(a.buyer));
      EXPECT_TRUE(key.contains(U("公告")) || key.contains(U("公示")) || key.contains(U("公开")))
          << a.title.toStdString();
    }
  }
  EXPECT_GT(apostrophes, 0);
  EXPECT_LT(apostrophes, count / 20);
  EXPECT_GT(padded, 0);
  EXPECT_GT(long_titles, 0);
}

TEST(SiteSimData, DeterministicFromTheSeed) {
  SiteSimulator a(TestOptions(11)), b(TestOptions(11)), c(TestOptions(12));
  ASSERT_TRUE(a.Listen());
  ASSERT_TRUE(b.Listen());
  QNetworkAccessManager nam;
  for (int type = 1; type <= kChannelCount; ++type) {
    const QList<Announcement> x = a.Announcements(type), y = b.Announcements(type);
    ASSERT_EQ(x.size(), y.size());
    for (qsizetype i = 0; i < x.size(); ++i) {
      EXPECT_EQ(x[i].title, y[i].title);
      EXPECT_EQ(x[i].address, y[i].address);
      EXPECT_EQ(x[i].result_cell, y[i].result_cell);
    }
  }
  for (const QString& target :
       {SiteSimulator::ListPath(2, 1), SiteSimulator::ListPath(9, 3),
        SiteSimulator::ConstructionListPath(), a.Announcements(4)[5].address}) {
    const Fetched fa = Fetch(nam, a.BaseUrl() + target), fb = Fetch(nam, b.BaseUrl() + target);
    EXPECT_EQ(fa.body, fb.body) << target.toStdString();
  }
  EXPECT_NE(a.Announcements(2).first().title, c.Announcements(2).first().title);
  // Additions on demand follow the seed too.
  EXPECT_EQ(a.AddAnnouncement(4).title, b.AddAnnouncement(4).title);
}

TEST(SiteSimData, DaysBackBoundsTheData) {
  Options options = TestOptions();
  options.days_back = 5;
  SiteSimulator sim(options);
  for (int type = 1; type <= kChannelCount; ++type) {
    for (const Announcement& a : sim.Announcements(type)) {
      EXPECT_LE(a.date.daysTo(options.today), 5);
      EXPECT_GE(a.date.daysTo(options.today), 0);
    }
  }
}

TEST_F(SiteSimTest, EveryAnnouncementHasItsPage) {
  for (int type = 1; type <= kChannelCount; ++type) {
    const QList<Announcement> items = sim_.Announcements(type);
    for (qsizetype i = 0; i < items.size(); i += 7) {
      const Fetched f = Fetch(nam_, Url(items[i].address));
      ASSERT_TRUE(f.finished);
      EXPECT_EQ(f.status, 200);
      const QString text = QString::fromUtf8(f.body);
      EXPECT_TRUE(text.contains(items[i].title.trimmed().toHtmlEscaped()))
          << items[i].title.toStdString();
      EXPECT_FALSE(text.contains(U("页面没有找到")));
      ASSERT_TRUE(sim_.FindAnnouncement(items[i].address));
      EXPECT_EQ(sim_.FindAnnouncement(sim_.BaseUrl() + items[i].address)->id, items[i].id);
    }
  }
  const Fetched missing =
      Fetch(nam_, Url(QStringLiteral("/CmsNewsController.do?method=newsView&id=1")));
  EXPECT_TRUE(QString::fromUtf8(missing.body).contains(U("页面没有找到")));
}

// Every announcement and tender page opens with the site header, fixed bands
// adding up to the 253 px the viewer crops; the header holds none of the marks
// the readers look for, so result pages still read between their marks.
TEST_F(SiteSimTest, AnnouncementPagesOpenWithTheSiteHeader) {
  // The newest page of each channel; of the result channels three that carry both marks.
  QList<QPair<QString, std::optional<Announcement>>> pages;
  for (int type = 1; type <= kChannelCount; ++type) {
    const bool result = type == 4 || type == 9;
    int taken = 0;
    for (const Announcement& a : sim_.Announcements(type)) {
      if (result && !(a.has_header && a.has_footer)) continue;
      pages.append({a.address, a});
      if (++taken == (result ? 3 : 1)) break;
    }
  }
  pages.append(
      {QStringLiteral("/InvestmentInfo/ZhaoBiao/") + sim_.ConstructionTenders().first().link,
       std::nullopt});
  const QRegularExpression band(
      QStringLiteral("<div class=\"(?:topStrip|banner|nav|position)\" style=\"height:(\\d+)px"));
  for (const auto& [address, item] : pages) {
    SCOPED_TRACE(address.toStdString());
    const QString text = Get(address);
    const qsizetype body = text.indexOf(QStringLiteral("<body"));
    const qsizetype body_end = text.indexOf(u'>', body) + 1;
    ASSERT_GT(body, 0);
    EXPECT_TRUE(text.mid(body, body_end - body).contains(QStringLiteral("margin:0")));
    const QString rest = text.mid(body_end).trimmed();
    ASSERT_TRUE(rest.startsWith(QStringLiteral("<div id=\"siteHeader\" style=\"height:253px;")));
    const qsizetype end = text.indexOf(QStringLiteral("<h1>"));
    ASSERT_GT(end, body_end);
    const QString header = text.mid(body_end, end - body_end);
    int height = 0;
    for (auto it = band.globalMatch(header); it.hasNext();) height += it.next().captured(1).toInt();
    EXPECT_EQ(height, 253);
    for (const char* mark : {"无法找到该页", "页面没有找到", "页次", "版权所有",
                             "各包中标/成交供应商名称、地址及报价", "<li>"}) {
      EXPECT_FALSE(header.contains(U(mark))) << mark;
    }
    for (int t = 1; t <= kChannelCount; ++t)
      EXPECT_FALSE(header.contains(U(ChannelOfType(t).heading))) << t;
    if (item && (item->type == 4 || item->type == 9)) {
      const qsizetype result = text.indexOf(U("各包中标/成交供应商名称、地址及报价"));
      EXPECT_GT(result, end);
      EXPECT_GT(text.indexOf(U("版权所有")), result);
      EXPECT_EQ(ReadResultPage(text).cell, item->result_cell);
    }
  }
}

TEST_F(SiteSimTest, ResultPagesCarryTheThreeLayoutsAndTheReaderCases) {
  QMap<ResultLayout, int> layouts;
  int no_header = 0, no_footer = 0, multi = 0, wan = 0, yuan = 0, apostrophe_cells = 0;
  for (int type : {4, 9}) {
    for (const Announcement& a : sim_.Announcements(type)) {
      ASSERT_NE(a.layout, ResultLayout::kNone);
      ++layouts[a.layout];
      const ResultRead read = ReadResultPage(Get(a.address));
      EXPECT_EQ(read.header, a.has_header) << a.title.toStdString();
      if (!a.has_header) {
        ++no_header;
        continue;
      }
      EXPECT_EQ(read.footer, a.has_footer);
      if (!a.has_footer) {
        ++no_footer;
        continue;
      }
      EXPECT_EQ(read.cell, a.result_cell);
      const QString& cell = read.cell;
      switch (a.layout) {
        case ResultLayout::kColon:
          EXPECT_TRUE(cell.contains(U("："))) << cell.toStdString();
          break;
        case ResultLayout::kComma:
          EXPECT_FALSE(cell.contains(U("："))) << cell.toStdString();
          EXPECT_TRUE(cell.contains(U("，"))) << cell.toStdString();
          break;
        case ResultLayout::kSingle:
          EXPECT_FALSE(cell.contains(U("："))) << cell.toStdString();
          EXPECT_FALSE(cell.contains(U("，"))) << cell.toStdString();
          EXPECT_EQ(a.awards.size(), 1);
          break;
        case ResultLayout::kVoid:
          EXPECT_TRUE(cell.contains(U("废标")) || cell.contains(U("流标")));
          EXPECT_TRUE(a.awards.isEmpty());
          for (const char* marker : {"公司", "合作社", "经营部", "厂"})
            EXPECT_FALSE(cell.contains(U(marker)));
          break;
        default:
          break;
      }
      if (a.awards.size() > 1) ++multi;
      if (cell.contains(u'\'')) ++apostrophe_cells;
      for (const Award& award : a.awards) {
        EXPECT_TRUE(cell.contains(award.supplier));
        if (!award.amount_text.isEmpty()) {
          EXPECT_TRUE(cell.contains(award.amount_text));
        }
        if (award.amount_text.contains(U("万元")))
          ++wan;
        else if (award.amount_text.contains(U("元")))
          ++yuan;
      }
    }
  }
  EXPECT_GT(layouts[ResultLayout::kColon], 0);
  EXPECT_GT(layouts[ResultLayout::kComma], 0);
  EXPECT_GT(layouts[ResultLayout::kSingle], 0);
  EXPECT_GT(layouts[ResultLayout::kVoid], 0);
  EXPECT_GT(no_header, 0);
  EXPECT_GT(no_footer, 0);
  EXPECT_GT(multi, 0);
  EXPECT_GT(wan, 0);
  EXPECT_GT(yuan, 0);
  EXPECT_GT(apostrophe_cells, 0);
}

TEST_F(SiteSimTest, ConstructionListFollowsItsGrammarWithMixedCaseMarkers) {
  const Fetched f = Fetch(nam_, Url(SiteSimulator::ConstructionListPath()));
  ASSERT_TRUE(f.finished);
  const QString text = QString::fromUtf8(f.body);
  // The markers are there, but only a search that ignores case finds them.
  EXPECT_FALSE(text.contains(QStringLiteral("ContentPlaceHolder1_GVList")));
  EXPECT_FALSE(text.contains(QStringLiteral("ContentPlaceHolder1_myPager")));
  const std::optional<QList<Row>> rows = ParseConstructionPage(text);
  ASSERT_TRUE(rows);
  const QList<ConstructionTender> tenders = sim_.ConstructionTenders();
  ASSERT_EQ(rows->size(), std::min<qsizetype>(kConstructionRows, tenders.size()));
  int empty_places = 0, holding_place = 0;
  for (qsizetype i = 0; i < rows->size(); ++i) {
    EXPECT_EQ((*rows)[i].link, tenders[i].link);
    EXPECT_EQ((*rows)[i].title, tenders[i].title);
    EXPECT_EQ((*rows)[i].place, tenders[i].place);
    EXPECT_EQ((*rows)[i].date, tenders[i].date.toString(QStringLiteral("yyyy-MM-dd")));
    if (tenders[i].place.isEmpty())
      ++empty_places;
    else if (tenders[i].title.contains(tenders[i].place))
      ++holding_place;
    const Fetched page =
        Fetch(nam_, Url(QStringLiteral("/InvestmentInfo/ZhaoBiao/") + tenders[i].link));
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(QString::fromUtf8(page.body).contains(tenders[i].title.toHtmlEscaped()));
  }
  // Over all tenders (the page shows only the newest), every title form occurs.
  int with_province = 0, without_place = 0;
  for (const ConstructionTender& t : tenders) {
    if (t.title.contains(U("四川省"))) ++with_province;
    if (!t.place.isEmpty() && !t.title.contains(t.place)) ++without_place;
  }
  EXPECT_GT(with_province, 0);
  EXPECT_GT(without_place, 0);
  EXPECT_GT(holding_place + empty_places, 0);
}

TEST_F(SiteSimTest, AddedAnnouncementsComeFirstAndHaveTheirPages) {
  QSignalSpy added(&sim_, &SiteSimulator::AnnouncementAdded);
  const Announcement a = sim_.AddAnnouncement(4);
  EXPECT_EQ(added.count(), 1);
  EXPECT_EQ(a.date, sim_.Today());
  EXPECT_EQ(sim_.Announcements(4).first().id, a.id);
  const std::optional<QList<ListItem>> items =
      ParseListPage(Get(SiteSimulator::ListPath(4, 1)), U(ChannelOfType(4).heading));
  ASSERT_TRUE(items);
  EXPECT_EQ(items->first().title, a.title);
  EXPECT_EQ(ReadResultPage(Get(a.address)).header, a.has_header);
  const ConstructionTender t = sim_.AddConstructionTender();
  const std::optional<QList<Row>> rows =
      ParseConstructionPage(Get(SiteSimulator::ConstructionListPath()));
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->first().title, t.title);
}

TEST(SiteSimLive, AddsAnnouncementsWhileItRuns) {
  Options options = TestOptions();
  options.new_every_seconds = 1;
  SiteSimulator sim(options);
  QSignalSpy added(&sim, &SiteSimulator::AnnouncementAdded);
  EXPECT_TRUE(added.wait(3000));
}

TEST_F(SiteSimTest, ManagementServerVersion) {
  EXPECT_EQ(Get(QStringLiteral("/QYP/GetVersion.asp")), QStringLiteral("1.01.0020"));
}

// ---- Faults ----

TEST_F(SiteSimTest, RefuseClosesThePortAndReopensIt) {
  sim_.SetFault(FaultMode::kRefuse);
  Fetched f = Fetch(nam_, Url(QStringLiteral("/")), 3000);
  ASSERT_TRUE(f.finished);
  EXPECT_EQ(f.error, QNetworkReply::ConnectionRefusedError);
  sim_.SetFault(FaultMode::kNone);
  f = Fetch(nam_, Url(QStringLiteral("/")));
  EXPECT_EQ(f.status, 200);
  // Time-bounded refusal ends by itself.
  QSignalSpy changed(&sim_, &SiteSimulator::FaultChanged);
  sim_.SetFault(FaultMode::kRefuse, QStringLiteral("1"));
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/")), 3000).error,
            QNetworkReply::ConnectionRefusedError);
  ASSERT_TRUE(changed.wait(3000));
  EXPECT_EQ(sim_.CurrentFault().mode, FaultMode::kNone);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/"))).status, 200);
}

TEST_F(SiteSimTest, ControlPortWorksWhileRefusing) {
  ASSERT_TRUE(sim_.ListenControl());
  const QString control = QStringLiteral("http://127.0.0.1:%1").arg(sim_.ControlPort());
  EXPECT_EQ(Fetch(nam_, control + QStringLiteral("/__sim/fault?mode=refuse")).status, 200);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/")), 3000).error,
            QNetworkReply::ConnectionRefusedError);
  EXPECT_EQ(Fetch(nam_, control + QStringLiteral("/__sim/fault?mode=none")).status, 200);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/"))).status, 200);
}

TEST_F(SiteSimTest, ErrorWords) {
  sim_.SetFault(FaultMode::kErrorWords);
  EXPECT_TRUE(Get(SiteSimulator::ListPath(1, 1)).contains(U("无法找到该页")));
  sim_.SetFault(FaultMode::kErrorWords, QStringLiteral("2"));
  const Fetched f = Fetch(nam_, Url(QStringLiteral("/")));
  EXPECT_EQ(f.status, 200);
  EXPECT_TRUE(QString::fromUtf8(f.body).contains(U("页面没有找到")));
}

TEST_F(SiteSimTest, ErrorStatusWithANormalBody) {
  for (const char* text : {"404", "500", "status:503"}) {
    sim_.SetFault(*ParseFault(QString::fromLatin1(text)));
    const Fetched f = Fetch(nam_, Url(SiteSimulator::ListPath(2, 1)));
    ASSERT_TRUE(f.finished);
    EXPECT_EQ(f.status, text[0] == 's' ? 503 : QByteArray(text).toInt());
    const std::optional<QList<ListItem>> items =
        ParseListPage(QString::fromUtf8(f.body), U(ChannelOfType(2).heading));
    ASSERT_TRUE(items) << text;
    EXPECT_EQ(items->size(), 25);
  }
}

TEST_F(SiteSimTest, StallAnswersLateWithoutBlockingTheEventLoop) {
  sim_.SetFault(FaultMode::kStall, QStringLiteral("2"));
  QElapsedTimer clock;
  qint64 last = 0, longest_gap = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest_gap = std::max(longest_gap, clock.elapsed() - last);
    last = clock.elapsed();
  });
  clock.start();
  ticker.start(10);
  Fetched f = Fetch(nam_, Url(SiteSimulator::ListPath(3, 1)), 800);
  EXPECT_FALSE(f.finished);  // nothing within 0.8 s
  f = Fetch(nam_, Url(SiteSimulator::ListPath(3, 1)), 5000);
  ASSERT_TRUE(f.finished);
  EXPECT_GE(f.elapsed_ms, 1900);
  EXPECT_EQ(f.status, 200);
  EXPECT_TRUE(ParseListPage(QString::fromUtf8(f.body), U(ChannelOfType(3).heading)));
  EXPECT_LT(longest_gap, 200);
}

TEST_F(SiteSimTest, StallTakesKeptAliveConnectionsToo) {
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/"))).status,
            200);                                         // a kept-alive connection now exists
  sim_.SetFault(FaultMode::kStall, QStringLiteral("0"));  // never answers
  EXPECT_FALSE(Fetch(nam_, Url(QStringLiteral("/")), 800).finished);
  sim_.SetFault(FaultMode::kNone);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/"))).status, 200);
}

TEST_F(SiteSimTest, TruncateSendsLessThanContentLength) {
  sim_.SetFault(FaultMode::kTruncate);
  const Fetched f = Fetch(nam_, Url(SiteSimulator::ListPath(5, 1)));
  ASSERT_TRUE(f.finished);
  EXPECT_NE(f.error, QNetworkReply::NoError);
  EXPECT_GT(f.content_length, f.body.size());
}

TEST_F(SiteSimTest, OversizeSendsMoreThanTwentyMebibytes) {
  sim_.SetFault(FaultMode::kOversize);
  const Fetched f = Fetch(nam_, Url(SiteSimulator::ListPath(6, 1)), 20000);
  ASSERT_TRUE(f.finished);
  EXPECT_EQ(f.error, QNetworkReply::NoError);
  EXPECT_GE(f.content_length, 20 * 1024 * 1024);
  EXPECT_EQ(f.body.size(), f.content_length);
}

TEST_F(SiteSimTest, GarbageIsNoHttp) {
  sim_.SetFault(FaultMode::kGarbage);
  Fetched f = Fetch(nam_, Url(QStringLiteral("/")));
  ASSERT_TRUE(f.finished);
  EXPECT_NE(f.error, QNetworkReply::NoError);
  EXPECT_EQ(f.status, 0);
  sim_.SetFault(FaultMode::kGarbage, QStringLiteral("body"));
  f = Fetch(nam_, Url(SiteSimulator::ListPath(1, 1)));
  ASSERT_TRUE(f.finished);
  EXPECT_EQ(f.status, 200);
  EXPECT_FALSE(ParseListPage(QString::fromUtf8(f.body), U(ChannelOfType(1).heading)));
}

TEST_F(SiteSimTest, DropHeadingAndDropPageInfo) {
  sim_.SetFault(FaultMode::kNoHeading);
  QString text = Get(SiteSimulator::ListPath(8, 1));
  EXPECT_FALSE(text.contains(U(ChannelOfType(8).heading)));
  EXPECT_TRUE(text.contains(U("页次")));
  EXPECT_TRUE(text.contains(QStringLiteral("<li>")));
  EXPECT_FALSE(ParseConstructionPage(Get(SiteSimulator::ConstructionListPath())));
  sim_.SetFault(FaultMode::kNoPageInfo);
  text = Get(SiteSimulator::ListPath(8, 1));
  EXPECT_TRUE(text.contains(U(ChannelOfType(8).heading)));
  EXPECT_FALSE(text.contains(U("页次")));
  EXPECT_FALSE(ParseListPage(text, U(ChannelOfType(8).heading)));
  text = Get(SiteSimulator::ConstructionListPath());
  EXPECT_TRUE(text.contains(QStringLiteral("ContentPlaceHolder1_GVList"), Qt::CaseInsensitive));
  EXPECT_FALSE(ParseConstructionPage(text));
  sim_.SetFault(FaultMode::kNone);
  EXPECT_TRUE(ParseListPage(Get(SiteSimulator::ListPath(8, 1)), U(ChannelOfType(8).heading)));
}

// The encoding faults scoped to one channel through the control request, as a
// client sees them; the next channel's page stays normal meanwhile. A cut
// stream is the hostile one: Qt reports no error and hands over the part it
// could inflate, so only the missing end of the page shows it.
TEST_F(SiteSimTest, EncodingFaultsAsAClientSeesThem) {
  const QString faulted = SiteSimulator::ListPath(1, 1);
  const QString other = SiteSimulator::ListPath(2, 1);
  const QByteArray page = Fetch(nam_, Url(faulted)).body;
  ASSERT_FALSE(page.isEmpty());
  enum class Seen { kDecodingError, kPrefix, kInflated };
  struct Case {
    const char* mode;
    const char* arg;
    qint64 decompress_limit;  // 0: Qt's default safety check, -1: none
    Seen seen;
  };
  const Case cases[] = {
      {"gzipcut", "", 0, Seen::kPrefix},
      {"gzipjunk", "", 0, Seen::kDecodingError},
      {"gzipbomb", "16", 0, Seen::kDecodingError},  // Qt's safety check stops the inflation
      {"gzipbomb", "16", -1, Seen::kInflated},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + ':' + c.arg + " limit " +
                 std::to_string(c.decompress_limit));
    const Fetched set = Fetch(
        nam_, Url(QStringLiteral("/__sim/fault?mode=%1&arg=%2&scope=channelCode%3Dshiji_cggg1%26")
                      .arg(QLatin1String(c.mode), QLatin1String(c.arg))));
    ASSERT_EQ(set.status, 200);
    ASSERT_EQ(sim_.CurrentFault().scope, QStringLiteral("channelCode=shiji_cggg1&"));
    const Fetched f = Fetch(nam_, Url(faulted), 20000, c.decompress_limit);
    ASSERT_TRUE(f.finished);
    switch (c.seen) {
      case Seen::kDecodingError:
        EXPECT_EQ(f.error, QNetworkReply::UnknownContentError);
        EXPECT_FALSE(ParseListPage(QString::fromUtf8(f.body), U(ChannelOfType(1).heading)));
        break;
      case Seen::kPrefix:
        EXPECT_EQ(f.error, QNetworkReply::NoError);
        EXPECT_LT(f.body.size(), page.size());
        EXPECT_TRUE(page.startsWith(f.body));
        EXPECT_FALSE(ParseListPage(QString::fromUtf8(f.body), U(ChannelOfType(1).heading)));
        break;
      case Seen::kInflated:
        EXPECT_EQ(f.error, QNetworkReply::NoError);
        EXPECT_EQ(f.body.size(), 16 << 20);
        EXPECT_TRUE(f.body.startsWith(page));  // the page, then the filler
        break;
    }
    const Fetched normal = Fetch(nam_, Url(other));
    EXPECT_EQ(normal.error, QNetworkReply::NoError);
    EXPECT_TRUE(ParseListPage(QString::fromUtf8(normal.body), U(ChannelOfType(2).heading)));
  }
}

// Drip sends the head at once and then the body byte by byte; the simulator
// answers other requests meanwhile and stops dripping when the client leaves.
TEST_F(SiteSimTest, DripIsSlowWithoutHoldingTheSimulatorUp) {
  const QString version = QStringLiteral("/QYP/GetVersion.asp");  // 9 bytes: 0.9 s at 100 ms a byte
  sim_.SetFault(Fault{FaultMode::kDrip, QStringLiteral("100"), 0, version});
  QElapsedTimer clock;
  clock.start();
  std::unique_ptr<QNetworkReply> slow(nam_.get(QNetworkRequest(QUrl(Url(version)))));
  QSignalSpy head(slow.get(), &QNetworkReply::metaDataChanged);
  QSignalSpy done(slow.get(), &QNetworkReply::finished);
  ASSERT_TRUE(head.wait(2000));
  EXPECT_LT(clock.elapsed(), 500);
  EXPECT_EQ(slow->rawHeader("Content-Length"), "9");
  // Another page, out of scope, meanwhile: answered at once and in full.
  const Fetched other = Fetch(nam_, Url(SiteSimulator::ListPath(4, 1)), 2000);
  ASSERT_TRUE(other.finished);
  EXPECT_LT(other.elapsed_ms, 500);
  EXPECT_TRUE(ParseListPage(QString::fromUtf8(other.body), U(ChannelOfType(4).heading)));
  EXPECT_TRUE(done.isEmpty());
  ASSERT_TRUE(done.wait(5000));
  EXPECT_GE(clock.elapsed(), 800);
  EXPECT_EQ(slow->error(), QNetworkReply::NoError);
  EXPECT_EQ(slow->readAll(), "1.01.0020");

  // A client that gives up: the simulator drops the connection's timer and
  // goes on answering.
  sim_.SetFault(FaultMode::kDrip, QStringLiteral("50"));
  EXPECT_FALSE(Fetch(nam_, Url(SiteSimulator::ListPath(5, 1)), 300).finished);  // aborted
  QTest::qWait(200);
  sim_.SetFault(FaultMode::kNone);
  const Fetched after = Fetch(nam_, Url(SiteSimulator::ListPath(5, 1)));
  EXPECT_EQ(after.status, 200);
  EXPECT_TRUE(ParseListPage(QString::fromUtf8(after.body), U(ChannelOfType(5).heading)));
}

TEST_F(SiteSimTest, FaultScopeAndDuration) {
  sim_.SetFault(Fault{FaultMode::kErrorWords, {}, 1, QStringLiteral("method=newsView")});
  EXPECT_FALSE(Get(SiteSimulator::ListPath(4, 1)).contains(U("无法找到该页")));
  const QString address = sim_.Announcements(4).first().address;
  EXPECT_TRUE(Get(address).contains(U("无法找到该页")));
  QSignalSpy changed(&sim_, &SiteSimulator::FaultChanged);
  ASSERT_TRUE(changed.wait(3000));
  EXPECT_FALSE(Get(address).contains(U("无法找到该页")));
}

TEST_F(SiteSimTest, SwitchingFromASlotAppliesToTheNextRequest) {
  int seen = 0;
  QObject::connect(&sim_, &SiteSimulator::RequestReceived, [&](const QString& target) {
    if (++seen == 2) sim_.SetFault(FaultMode::kStall, QStringLiteral("0"));
    EXPECT_TRUE(target.startsWith(u'/'));
  });
  EXPECT_EQ(Fetch(nam_, Url(SiteSimulator::ListPath(1, 1))).status, 200);
  EXPECT_EQ(Fetch(nam_, Url(SiteSimulator::ListPath(1, 2))).status, 200);  // switched here
  EXPECT_FALSE(Fetch(nam_, Url(SiteSimulator::ListPath(1, 3)), 800).finished);
  EXPECT_EQ(sim_.RequestCount(), 3);
}

TEST_F(SiteSimTest, RefusingFromASlotStillAnswersTheCurrentRequest) {
  int seen = 0;
  QObject::connect(&sim_, &SiteSimulator::RequestReceived, [&](const QString&) {
    if (++seen == 2) sim_.SetFault(FaultMode::kRefuse);
  });
  EXPECT_EQ(Fetch(nam_, Url(SiteSimulator::ListPath(2, 1))).status, 200);
  EXPECT_EQ(Fetch(nam_, Url(SiteSimulator::ListPath(2, 2))).status, 200);
  const Fetched refused = Fetch(nam_, Url(SiteSimulator::ListPath(2, 3)), 3000);
  ASSERT_TRUE(refused.finished);
  EXPECT_EQ(refused.error, QNetworkReply::ConnectionRefusedError);
  sim_.SetFault(FaultMode::kNone);
  EXPECT_EQ(Fetch(nam_, Url(SiteSimulator::ListPath(2, 3))).status, 200);
}

TEST_F(SiteSimTest, ControlRequestsOnTheMainPort) {
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/__sim/fault?mode=500"))).status, 200);
  EXPECT_EQ(sim_.CurrentFault().mode, FaultMode::kStatus);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/"))).status, 500);
  // Control requests are never faulted, also on the connection path.
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/__sim/fault?mode=stall&arg=0"))).status, 200);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/__sim/state"))).body.contains("\"fault\": \"stall\""),
            true);
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/__sim/fault?mode=none"))).status, 200);
  const int before = static_cast<int>(sim_.Announcements(9).size());
  const Fetched added = Fetch(nam_, Url(QStringLiteral("/__sim/add?type=9&count=2")));
  EXPECT_EQ(added.status, 200);
  EXPECT_EQ(sim_.Announcements(9).size(), before + 2);
  EXPECT_TRUE(QString::fromUtf8(added.body).contains(sim_.Announcements(9).first().title));
  EXPECT_EQ(Fetch(nam_, Url(QStringLiteral("/__sim/fault?mode=bogus"))).status, 400);
  const QString items =
      QString::fromUtf8(Fetch(nam_, Url(QStringLiteral("/__sim/items?type=9"))).body);
  EXPECT_EQ(items.count(u'\n'), before + 2);
}

TEST(SiteSimFault, ParseFault) {
  EXPECT_EQ(ParseFault(QStringLiteral("stall:40"))->mode, FaultMode::kStall);
  EXPECT_EQ(ParseFault(QStringLiteral("stall:40"))->arg, QStringLiteral("40"));
  EXPECT_EQ(ParseFault(QStringLiteral("404"))->mode, FaultMode::kStatus);
  EXPECT_EQ(ParseFault(QStringLiteral("404"))->arg, QStringLiteral("404"));
  EXPECT_EQ(ParseFault(QStringLiteral("NoHeading"))->mode, FaultMode::kNoHeading);
  EXPECT_EQ(ParseFault(QStringLiteral("none"))->mode, FaultMode::kNone);
  EXPECT_FALSE(ParseFault(QStringLiteral("explode")));
  for (int m = 0; m <= static_cast<int>(kLastFaultMode); ++m) {
    EXPECT_EQ(ParseFault(FaultName(static_cast<FaultMode>(m)))->mode, static_cast<FaultMode>(m));
  }
}

TEST(SiteSimFault, RefuseAtStartStillKnowsItsPort) {
  Options options = TestOptions();
  options.fault = *ParseFault(QStringLiteral("refuse:1"));
  SiteSimulator sim(options);
  ASSERT_TRUE(sim.Listen());
  ASSERT_NE(sim.Port(), 0);
  QNetworkAccessManager nam;
  EXPECT_EQ(Fetch(nam, sim.BaseUrl() + QStringLiteral("/"), 3000).error,
            QNetworkReply::ConnectionRefusedError);
  QSignalSpy changed(&sim, &SiteSimulator::FaultChanged);
  ASSERT_TRUE(changed.wait(3000));
  EXPECT_EQ(Fetch(nam, sim.BaseUrl() + QStringLiteral("/")).status, 200);
}

}  // namespace
}  // namespace talvec::sitesim

namespace talvec::sitesim {
namespace {

TEST_F(SiteSimTest, SearchEngineListsTheAwardsOfTheNamedCompany) {
  std::optional<Announcement> awarded;
  for (const Announcement& a : sim_.Announcements(4)) {
    if (!a.awards.isEmpty()) {
      awarded = a;
      break;
    }
  }
  ASSERT_TRUE(awarded.has_value());
  const QString name = awarded->awards.front().supplier.trimmed();
  const Fetched page =
      Fetch(nam_, Url("/s?WD=" + QString::fromLatin1(QUrl::toPercentEncoding(name))));
  ASSERT_EQ(page.status, 200);
  const QString html = QString::fromUtf8(page.body);
  EXPECT_TRUE(html.contains("<title>" + name.toHtmlEscaped() + "_搜索结果</title>"));
  EXPECT_TRUE(html.contains(awarded->title.trimmed().toHtmlEscaped()));
  EXPECT_TRUE(html.contains("href=\"" + awarded->address.toHtmlEscaped() + "\""));
  EXPECT_FALSE(html.contains("id=\"none\""));

  // Reserved characters arrive as part of the name; an unknown company
  // gets a page that says it has no awards.
  const QString odd = QStringLiteral("A&B #1+2 公司");
  const QString none = Get("/s?WD=" + QString::fromLatin1(QUrl::toPercentEncoding(odd)));
  EXPECT_TRUE(none.contains("<title>" + odd.toHtmlEscaped() + "_搜索结果</title>"));
  EXPECT_TRUE(none.contains("id=\"none\""));
}

// Projects: one number to a project, on every page of it; deadlines that
// corrections move later; results after the (corrected) deadline; and in
// the last week one project of each level with its whole course.
TEST(SiteSimProjects, NumbersCorrectionsAndWholeCourses) {
  for (quint64 seed : {7ULL, 11ULL, 12ULL}) {
    SCOPED_TRACE(seed);
    SiteSimulator sim(TestOptions(seed));
    QHash<QString, int> project_of_key;
    QHash<int, QList<Announcement>> projects;
    for (int type = 1; type <= kChannelCount; ++type) {
      for (const Announcement& a : sim.Announcements(type)) {
        if (a.project == 0) continue;
        projects[a.project].append(a);
        if (!project_of_key.contains(a.facts.project_key))
          project_of_key.insert(a.facts.project_key, a.project);
        EXPECT_EQ(project_of_key.value(a.facts.project_key), a.project)
            << a.facts.project_key.toStdString();
      }
    }
    int whole = 0, moved = 0;
    for (QList<Announcement>& pages : projects) {
      std::sort(pages.begin(), pages.end(), [](const Announcement& a, const Announcement& b) {
        return a.id < b.id;  // ids carry the date: the order of publication
      });
      QString deadline;
      QDate announced, result;
      QSet<int> kinds;
      for (const Announcement& a : pages) {
        kinds.insert((a.type - 1) % 5);
        if ((a.type - 1) % 5 == 1) {
          deadline = a.facts.deadline;
          announced = a.date;
        }
        if ((a.type - 1) % 5 == 3) result = a.date;
      }
      for (const Announcement& a : pages) {
        for (const NoticeChange& c : a.facts.changes) {
          if (c.item != QLatin1String("Deadline") || deadline.isEmpty()) continue;
          EXPECT_GT(c.new_value, deadline) << a.title.toStdString();
          deadline = c.new_value;  // the second moves it further
          ++moved;
        }
      }
      if (result.isValid() && !deadline.isEmpty()) {
        EXPECT_GT(result.toString(Qt::ISODate), deadline.left(10));
      }
      if (kinds.size() == 4 && announced >= sim.Today().addDays(-7)) ++whole;
    }
    EXPECT_GT(moved, 20);
    EXPECT_GE(whole, 2);
  }
}

}  // namespace
}  // namespace talvec::sitesim
