#include "sitesim/site_data.h"

#include <algorithm>
#include <cmath>

#include "sitesim/site_words.h"

namespace talvec::sitesim {
namespace {

// Announcements per weekday and channel (types 1..10): tens a day in all.
constexpr double kDailyWeight[kChannelCount] = {3, 9, 4, 8, 3, 1.5, 3, 1.5, 3, 1.5};
constexpr double kTendersPerDay = 4;

QString U(const char* text) { return QString::fromUtf8(text); }

const char* const kChineseNumbers[] = {"一", "二", "三", "四", "五", "六"};

QString Key(const QString& title) {
  int begin = 0;
  int end = static_cast<int>(title.size());
  while (begin < end && title[begin] == u' ') ++begin;
  while (end > begin && title[end - 1] == u' ') --end;
  return title.mid(begin, end - begin).left(127);
}

// Yuan as a decimal text without trailing zeros ("125000", "12.5").
QString Decimal(double value) {
  QString text = QString::number(value, 'f', 2);
  if (text.contains(u'.')) {
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
  }
  return text;
}

}  // namespace

std::uint64_t Rng::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int Rng::Below(int n) {
  return n <= 1 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n));
}

double Rng::Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

Catalogue::Catalogue(std::uint64_t seed, QDate today, int days_back, bool quirks)
    : seed_(seed), quirks_(quirks), live_rng_(seed * 0x2545F4914F6CDD1DULL + 0x1234567ULL) {
  for (int back = std::max(0, days_back); back >= 0; --back) GenerateDay(today.addDays(-back));
}

QString Catalogue::AnnouncementAddress(int id) {
  return QStringLiteral("/CmsNewsController.do?method=newsView&id=%1").arg(id);
}

QString Catalogue::TenderLink(int id) {
  return QStringLiteral("InvitNoticeDetail.aspx?id=%1").arg(id);
}

int Catalogue::NextId(QDate date, int per_day) {
  // Ids carry their date, so an announcement keeps its address when "today"
  // moves: (Julian day - 2400000) * per_day + running number of the day.
  QHash<qint64, int>& counter = per_day == 1000 ? day_counter_ : tender_counter_;
  int n = counter.value(date.toJulianDay(), 0);
  counter[date.toJulianDay()] = n + 1;
  return static_cast<int>((date.toJulianDay() - 2400000) * per_day + std::min(n, per_day - 1));
}

void Catalogue::GenerateDay(QDate date) {
  Rng rng(seed_ ^ (static_cast<std::uint64_t>(date.toJulianDay()) * 0xD1B54A32D192ED03ULL));
  const bool weekend = date.dayOfWeek() >= 6;
  const double factor = weekend ? 0.25 : 1.0;
  std::vector<int> types;
  for (int t = 1; t <= kChannelCount; ++t) {
    const int n =
        static_cast<int>(std::lround(kDailyWeight[t - 1] * factor * (0.6 + 0.8 * rng.Unit())));
    types.insert(types.end(), n, t);
  }
  // Interleave the channels through the day.
  for (int i = static_cast<int>(types.size()) - 1; i > 0; --i)
    std::swap(types[i], types[rng.Below(i + 1)]);
  for (int type : types) Store(Compose(type, date, rng));
  const int tenders = static_cast<int>(std::lround(kTendersPerDay * factor * (0.5 + rng.Unit())));
  for (int i = 0; i < tenders; ++i) {
    ConstructionTender tender = ComposeTender(date, rng);
    tender_by_id_[tender.id] = static_cast<int>(tenders_.size());
    tenders_.push_back(std::move(tender));
  }
}

const Announcement& Catalogue::Add(int type, QDate date) {
  type = std::clamp(type, 1, kChannelCount);
  return Store(Compose(type, date, live_rng_));
}

const ConstructionTender& Catalogue::AddTender(QDate date) {
  ConstructionTender tender = ComposeTender(date, live_rng_);
  tender_by_id_[tender.id] = static_cast<int>(tenders_.size());
  tenders_.push_back(std::move(tender));
  return tenders_.back();
}

int Catalogue::NextLiveType() {
  double total = kTendersPerDay;
  for (double w : kDailyWeight) total += w;
  double x = live_rng_.Unit() * total;
  for (int t = 1; t <= kChannelCount; ++t) {
    if (x < kDailyWeight[t - 1]) return t;
    x -= kDailyWeight[t - 1];
  }
  return 0;
}

const Announcement& Catalogue::Store(Announcement item) {
  std::vector<Announcement>& list = channels_[item.type - 1];
  by_id_[item.id] = {item.type, static_cast<int>(list.size())};
  list.push_back(std::move(item));
  return list.back();
}

const Announcement* Catalogue::Find(int id) const {
  auto it = by_id_.constFind(id);
  if (it == by_id_.cend()) return nullptr;
  return &channels_[it->first - 1][it->second];
}

const ConstructionTender* Catalogue::FindTender(int id) const {
  auto it = tender_by_id_.constFind(id);
  return it == tender_by_id_.cend() ? nullptr : &tenders_[*it];
}

Announcement Catalogue::Compose(int type, QDate date, Rng& rng) {
  Announcement item;
  item.type = type;
  item.date = date;
  item.id = NextId(date, 1000);
  item.address = AnnouncementAddress(item.id);
  const bool result = type == 4 || type == 9;
  const bool is_void = result && rng.Chance(0.08);
  QString region_short;
  for (int attempt = 0;; ++attempt) {
    item.title = ComposeTitle(type, date, is_void, rng, &region_short, &item.buyer);
    if (attempt >= 8) item.title += QStringLiteral("（%1）").arg(item.id);
    const QString key = Key(item.title);
    if (!key.isEmpty() && !keys_.contains(key)) {
      keys_.insert(key);
      break;
    }
  }
  if (result) ComposeResult(&item, region_short, is_void, rng);
  return item;
}

QString Catalogue::ComposeTitle(int type, QDate date, bool is_void, Rng& rng, QString* region_short,
                                QString* buyer) {
  const bool provincial = type >= 6;
  QString body;
  const words::Region& region = rng.Pick(words::Regions());
  *region_short = provincial ? QStringLiteral("四川") : U(region.short_name);
  if (provincial) {
    body = U(rng.Pick(words::ProvincialBodies()));
  } else {
    body = U(region.city);
    if (rng.Chance(0.45)) body += U(rng.Pick(region.counties));
    body += U(rng.Pick(words::LocalBodies()));
  }
  *buyer = body;
  const words::Product& product = rng.Pick(words::Products());
  QString project = U(product.name);
  if (rng.Chance(0.2))
    project =
        QStringLiteral("%1年").arg(date.year() - (date.month() == 1 ? rng.Below(2) : 0)) + project;
  project += product.service ? QStringLiteral("项目") : QStringLiteral("采购项目");
  QString ending = U(rng.Pick(words::TitleEndings(type)));
  if (is_void) ending = rng.Chance(0.5) ? QStringLiteral("废标公告") : QStringLiteral("终止公告");

  // Quirks first, so that their share does not depend on the other choices.
  const double quirk = quirks_ ? rng.Unit() : 1.0;
  if (quirk < 0.012) {  // an apostrophe, as some bodies write their slogans
    return body + u'\'' + U(rng.Pick(words::Themes())) + u'\'' + project + ending;
  }
  if (quirk < 0.019) {  // blanks at either end
    return QStringLiteral("  ") + body + project + ending + u' ';
  }
  if (quirk < 0.023) {  // longer than the 127 characters a title is cut to
    QString title = body + project + QStringLiteral("（含");
    for (int i = 0; title.size() < 140; ++i) {
      if (i) title += u'、';
      title += U(rng.Pick(words::Products()).name);
    }
    return title + QStringLiteral("等分包）") + ending;
  }
  QString title;
  if (rng.Chance(0.12)) {
    title = QStringLiteral("关于") + body + project + QStringLiteral("的") + ending;
  } else {
    title = body + project + ending;
  }
  if (rng.Chance(0.2)) {
    title += QStringLiteral("（项目编号：N51%1%2）")
                 .arg(rng.Below(10000), 4, 10, QLatin1Char('0'))
                 .arg(rng.Below(1000000), 6, 10, QLatin1Char('0'));
  }
  return title;
}

void Catalogue::ComposeResult(Announcement* item, const QString& region_short, bool is_void,
                              Rng& rng) {
  item->has_header = !rng.Chance(0.05);
  item->has_footer = !rng.Chance(0.04);
  if (is_void) {
    static const char* const kVoid[] = {"废标", "本项目废标", "流标（有效供应商不足三家）",
                                        "本项目因有效投标供应商不足三家，予以废标。"};
    item->layout = ResultLayout::kVoid;
    item->result_cell = U(rng.Pick(std::span<const char* const>(kVoid)));
    return;
  }
  const double u = rng.Unit();
  item->layout = u < 0.55   ? ResultLayout::kColon
                 : u < 0.78 ? ResultLayout::kComma
                            : ResultLayout::kSingle;
  const int packages =
      item->layout == ResultLayout::kSingle ? 1 : (rng.Chance(0.25) ? 2 + rng.Below(2) : 1);

  auto supplier = [&]() {
    const QString place = rng.Chance(0.3) ? QStringLiteral("四川") : region_short;
    const QString trade = U(rng.Pick(words::TradeNames()));
    const double kind = rng.Unit();
    if (kind < 0.05) return place + trade + QStringLiteral("建材厂");
    if (kind < 0.10) return place + QStringLiteral("市") + trade + QStringLiteral("办公用品经营部");
    if (kind < 0.13) return place + trade + QStringLiteral("农业专业合作社");
    if (kind < 0.14 && quirks_)
      return place + QStringLiteral("D'Art") + trade + QStringLiteral("装饰工程有限公司");
    static const char* const kSuffix[] = {"有限公司", "有限公司", "有限公司", "有限责任公司",
                                          "股份有限公司"};
    return place + trade + U(rng.Pick(words::Products()).industry) +
           U(rng.Pick(std::span<const char* const>(kSuffix)));
  };
  auto address = [&]() {
    const QString city =
        region_short == QStringLiteral("四川") ? QStringLiteral("成都") : region_short;
    const bool prefecture = city == QStringLiteral("阿坝") || city == QStringLiteral("甘孜") ||
                            city == QStringLiteral("凉山");
    return city + (prefecture ? QStringLiteral("州") : QStringLiteral("市")) +
           U(rng.Pick(words::Streets())) + QString::number(1 + rng.Below(300)) +
           QStringLiteral("号");
  };
  auto amount = [&](Award* award) {
    const double yuan = 100.0 * (80 + rng.Below(30000));  // 8 000 to 3 008 000 yuan, whole hundreds
    award->amount_yuan = Decimal(yuan);
    const double f = rng.Unit();
    if (f < 0.35) {
      award->amount_text = award->amount_yuan + QStringLiteral("元");
    } else if (f < 0.58) {
      award->amount_text = award->amount_yuan + QStringLiteral(".00元");
    } else if (f < 0.85) {
      award->amount_text = Decimal(yuan / 10000.0) + QStringLiteral("万元");
    } else if (f < 0.95) {
      award->amount_text = QStringLiteral("人民币") + award->amount_yuan + QStringLiteral("元");
    } else {
      award->amount_yuan.clear();
    }
  };

  QString cell;
  const int style = rng.Below(3);
  for (int p = 0; p < packages; ++p) {
    Award award;
    award.supplier = supplier();
    amount(&award);
    const QString money = award.amount_text;
    const QString package = QStringLiteral("第%1包").arg(U(kChineseNumbers[p]));
    switch (item->layout) {
      case ResultLayout::kColon: {
        const QString shown = money.isEmpty() ? QStringLiteral("详见附件") : money;
        if (packages > 1) {
          cell += package + QStringLiteral("：中标供应商：") + award.supplier +
                  QStringLiteral("，地址：") + address() + QStringLiteral("，中标金额：") + shown +
                  QStringLiteral("；");
        } else if (style == 0) {
          cell = QStringLiteral("成交供应商：") + award.supplier + QStringLiteral("，地址：") +
                 address() + QStringLiteral("，成交金额：") + shown;
        } else if (style == 1) {
          cell = QStringLiteral("中标供应商名称：") + award.supplier +
                 QStringLiteral("<br/>中标供应商地址：") + address() +
                 QStringLiteral("<br/>中标金额：") + shown;
        } else {
          cell = QStringLiteral("供应商名称：") + award.supplier +
                 QStringLiteral("；供应商地址：") + address() +
                 QStringLiteral("；中标（成交）金额：") + shown;
        }
        break;
      }
      case ResultLayout::kComma: {
        if (packages > 1) {
          if (p) cell += QStringLiteral("，");
          cell += package + QStringLiteral("，") + award.supplier;
          if (!money.isEmpty()) cell += QStringLiteral("，中标价") + money;
        } else if (style == 0) {
          cell = QStringLiteral("第一包，") + award.supplier;
          if (!money.isEmpty()) cell += QStringLiteral("，报价，") + money;
        } else {
          cell = award.supplier + QStringLiteral("，") + address();
          if (!money.isEmpty()) cell += QStringLiteral("，成交价") + money;
        }
        break;
      }
      default: {  // single
        cell = award.supplier;
        if (!money.isEmpty()) {
          cell +=
              style == 0 ? QStringLiteral(" 报价") + money : QStringLiteral("  中标金额") + money;
        }
        break;
      }
    }
    item->awards.push_back(std::move(award));
  }
  item->result_cell = cell;
}

ConstructionTender Catalogue::ComposeTender(QDate date, Rng& rng) {
  ConstructionTender tender;
  tender.date = date;
  tender.id = NextId(date, 100);
  tender.link = TenderLink(tender.id);
  const words::Region& region = rng.Pick(words::Regions());
  const QString county = U(rng.Pick(region.counties));
  const double p = rng.Unit();
  tender.place = p < 0.5 ? U(region.city) : p < 0.9 ? U(region.city) + county : QString();
  for (int attempt = 0;; ++attempt) {
    const QString work =
        U(rng.Pick(words::ConstructionProjects())) + U(rng.Pick(words::ConstructionKinds()));
    const double v = rng.Unit();
    QString title;
    if (v < 0.45) {
      title = tender.place + work;  // holds its place
    } else if (v < 0.55) {
      title = QStringLiteral("四川省") + U(region.city) + county + work;
    } else if (v < 0.9) {
      title = U(rng.Pick(words::TradeNames())) + QStringLiteral("片区") + work;  // neither
    } else {
      title = county + work;  // the county only
    }
    if (rng.Chance(0.2))
      title += QStringLiteral("（%1标段）").arg(U(kChineseNumbers[rng.Below(3)]));
    if (attempt >= 8) title += QStringLiteral("（%1）").arg(tender.id);
    if (!tender_keys_.contains(title)) {
      tender_keys_.insert(title);
      tender.title = title;
      break;
    }
  }
  return tender;
}

}  // namespace talvec::sitesim
