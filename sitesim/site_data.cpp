#include "sitesim/site_data.h"

#include <algorithm>
#include <cmath>

#include "sitesim/notice_forms.h"
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
    : seed_(seed),
      today_(today),
      quirks_(quirks),
      live_rng_(seed * 0x2545F4914F6CDD1DULL + 0x1234567ULL) {
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

const NoticePlan* Catalogue::Notice(int id) const {
  auto it = notices_.constFind(id);
  return it == notices_.cend() ? nullptr : &*it;
}

const NoticePlan* Catalogue::TenderNotice(int id) const {
  auto it = tender_notices_.constFind(id);
  return it == tender_notices_.cend() ? nullptr : &*it;
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
  Project* project = ProjectFor(type, date, rng);
  Project scratch;
  if (!project) {
    scratch = notices::NewProject(0, type, date, rng);
    project = &scratch;
  }
  item.project = project->id;
  item.buyer = project->buyer;
  const QString ending = TitleEnding(type, *project, rng);
  for (int attempt = 0;; ++attempt) {
    item.title = ComposeTitle(*project, ending, is_void, rng);
    // A second notice of the same kind for a project: "（二）", ...
    if (attempt >= 1 && attempt < 6)
      item.title += QStringLiteral("（%1）").arg(U(kChineseNumbers[attempt]));
    if (attempt >= 8) item.title += QStringLiteral("（%1）").arg(item.id);
    const QString key = Key(item.title);
    if (!key.isEmpty() && !keys_.contains(key)) {
      keys_.insert(key);
      break;
    }
  }
  if (result) ComposeResult(&item, project->region_short, is_void, rng);
  NoticePlan notice;
  switch ((type - 1) % 5) {
    case 0:
      notice = notices::ComposePre(*project, date, ending, rng, &item.facts);
      break;
    case 1:
      notice = notices::ComposeTender(*project, rng, &item.facts);
      break;
    case 3:
      notice = notices::ComposeResult(*project, rng, &item.facts);
      break;
    case 4:
      notice = notices::ComposeCorrection(*project, date, rng, &item.facts);
      break;
    default:  // result pre-announcements keep the older page
      break;
  }
  if (notice.kind != NoticeKind::kNone) {
    // A title that names the method states it for the page ("…公开招标公告").
    if (item.facts.method.isEmpty()) {
      for (const char16_t* method : {u"公开招标", u"竞争性磋商", u"竞争性谈判", u"询价"}) {
        if (item.title.contains(QStringView(method))) {
          item.facts.method = QString::fromUtf16(method);
          break;
        }
      }
    }
    notices_.insert(item.id, std::move(notice));
  }
  return item;
}

Project& Catalogue::NewProject(int type, QDate date, Rng& rng) {
  Project p = notices::NewProject(static_cast<int>(projects_.size()) + 1, type, date, rng);
  // A project number belongs to one project.
  while (project_keys_.contains(p.key))
    p.key = forms::NewProjectKey(date.year(), rng.Below(21), p.provincial, rng);
  project_keys_.insert(p.key);
  projects_.push_back(std::move(p));
  return projects_.back();
}

Project* Catalogue::ProjectFor(int type, QDate date, Rng& rng) {
  const bool provincial = type >= 6;
  switch ((type - 1) % 5) {
    case 0: {  // a pre-announcement starts a project
      Project& p = NewProject(type, date, rng);
      // One project of each level in the last week runs its whole course.
      if (!whole_course_[provincial] && date >= today_.addDays(-7) && date <= today_.addDays(-5)) {
        notices::MakeWholeCourse(p, date);
        whole_course_[provincial] = true;
      }
      return &p;
    }
    case 1: {  // the announcement of a pre-announced project, or of a new one
      for (Project& p : projects_) {
        if (p.whole_course && p.provincial == provincial && !p.announced.isValid() &&
            p.planned <= date) {
          notices::Announce(p, date, rng);
          return &p;
        }
      }
      for (Project& p : projects_) {
        if (p.provincial == provincial && !p.announced.isValid() && p.on_site &&
            p.planned <= date) {
          notices::Announce(p, date, rng);
          return &p;
        }
      }
      Project& p = NewProject(type, date, rng);
      notices::Announce(p, date, rng);
      return &p;
    }
    case 4: {  // a correction of an open project
      for (Project& p : projects_) {
        if (p.whole_course && p.provincial == provincial && p.announced.isValid() &&
            p.announced < date && p.corrections == 0 && p.deadline.date() > date) {
          return &p;
        }
      }
      std::vector<Project*> open;
      for (Project& p : projects_) {
        if (p.provincial == provincial && p.announced.isValid() && p.announced < date &&
            p.on_site && !p.resulted && p.corrections < 2 && p.deadline.date() > date.addDays(1)) {
          open.push_back(&p);
        }
      }
      if (!open.empty() && rng.Chance(0.9)) {
        // Projects corrected once are corrected again now and then.
        for (Project* p : open) {
          if (p->corrections == 1 && rng.Chance(0.25)) return p;
        }
        return open[rng.Below(static_cast<int>(open.size()))];
      }
      // A project whose announcement the site does not show (published
      // before the site's data begins, or on another platform).
      Project& p = NewProject(type, date, rng);
      notices::Announce(p, date.addDays(-5 - rng.Below(8)), rng);
      p.on_site = false;
      return &p;
    }
    case 3: {  // the result of a project past its deadline
      Project* oldest = nullptr;
      for (Project& p : projects_) {
        if (p.provincial == provincial && p.announced.isValid() && !p.resulted &&
            p.deadline.date() < date &&
            (!oldest || (p.whole_course && !oldest->whole_course) ||
             (p.whole_course == oldest->whole_course && p.deadline < oldest->deadline))) {
          oldest = &p;
        }
      }
      if (!oldest) {
        oldest = &NewProject(type, date, rng);
        notices::Announce(*oldest, date.addDays(-30 - rng.Below(10)), rng);
        oldest->on_site = false;
      }
      oldest->resulted = true;
      return oldest;
    }
    default:
      return nullptr;
  }
}

QString Catalogue::TitleEnding(int type, const Project& project, Rng& rng) {
  if ((type - 1) % 5 != 1) return U(rng.Pick(words::TitleEndings(type)));
  if (project.method == QStringView(u"公开招标"))
    return rng.Chance(0.6) ? QStringLiteral("公开招标公告") : QStringLiteral("招标公告");
  return project.method + QStringLiteral("公告");
}

QString Catalogue::ComposeTitle(const Project& p, const QString& ending_in, bool is_void,
                                Rng& rng) {
  const QString& body = p.buyer;
  const QString& project = p.project;
  QString ending = ending_in;
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
  if (rng.Chance(0.2)) title += QStringLiteral("（项目编号：%1）").arg(p.key);
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
    award->amount_yuan = forms::Decimal(yuan);
    const double f = rng.Unit();
    if (f < 0.35) {
      award->amount_text = award->amount_yuan + QStringLiteral("元");
    } else if (f < 0.58) {
      award->amount_text = award->amount_yuan + QStringLiteral(".00元");
    } else if (f < 0.85) {
      award->amount_text = forms::Decimal(yuan / 10000.0) + QStringLiteral("万元");
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
  static const char* const kOwners[] = {"住房和城乡建设局", "城市建设投资有限公司",
                                        "教育和体育局",     "交通运输局",
                                        "人民政府",         "水务局"};
  const QString owner =
      (tender.place.isEmpty() ? U(region.city) : tender.place) + U(kOwners[rng.Below(6)]);
  tender_notices_.insert(
      tender.id, notices::ComposeConstruction(tender, owner, U(region.city), rng, &tender.facts));
  return tender;
}

}  // namespace talvec::sitesim
