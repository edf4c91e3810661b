#include "sitesim/notices.h"

#include <algorithm>
#include <cmath>

#include "sitesim/notice_forms.h"
#include "sitesim/site_data.h"
#include "sitesim/site_words.h"

namespace talvec::sitesim::notices {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

using Kind = NoticeLine::Kind;

// Telephone area codes of the regions, in the order of words::Regions().
const char* const kAreaCodes[] = {"028",  "0816", "0838", "0813", "0812", "0830", "0839",
                                  "0825", "0832", "0833", "0817", "028",  "0831", "0826",
                                  "0818", "0835", "0827", "028",  "0837", "0836", "0834"};

const char* const kAgencyKinds[] = {"招标代理有限公司", "工程项目管理有限公司", "工程咨询有限公司",
                                    "建设工程招标代理有限责任公司"};

QString Phone(const QString& area, Rng& rng) {
  const int digits = area == QLatin1String("028") ? 8 : 7;
  QString number = QString::number(2 + rng.Below(7));
  while (number.size() < digits) number += QString::number(rng.Below(10));
  return area + u'-' + number;
}

QString Person(Rng& rng) {
  static const char* const kTitles[] = {"先生", "女士", "工"};
  return U(rng.Pick(words::Surnames())) + U(kTitles[rng.Below(3)]);
}

QString Address(const QString& city, Rng& rng) {
  return city + U(rng.Pick(words::Streets())) + QString::number(1 + rng.Below(300)) +
         QStringLiteral("号");
}

// A contact text of the national form's "联系方式" line.
QString ContactText(const QString& area, Rng& rng) {
  const QString phone = Phone(area, rng);
  switch (rng.Below(3)) {
    case 0:
      return phone;
    case 1:
      return Person(rng) + u' ' + phone;
    default:
      return Person(rng) + QStringLiteral("，") + phone;
  }
}

QDateTime At(QDate date, int hour, int minute) { return QDateTime(date, QTime(hour, minute)); }

// Weekends move to the Monday after.
QDate Workday(QDate date) {
  while (date.dayOfWeek() >= 6) date = date.addDays(1);
  return date;
}

QDateTime DeadlineTime(QDate date, Rng& rng) {
  static const int kTimes[][2] = {{9, 0}, {9, 30}, {10, 0}, {14, 30}, {15, 0}};
  const int* t = kTimes[rng.Below(5)];
  return At(Workday(date), t[0], t[1]);
}

double Hundreds(double yuan) { return std::max(100.0, std::round(yuan / 100.0) * 100.0); }

// Builds the lines of a page, with the label forms of that page.
class Lines {
 public:
  Lines(NoticePlan& plan, Rng& rng) : plan_(plan), rng_(rng), blanks_(rng.Below(3)) {}

  void Heading(const QString& text) { plan_.lines.append({Kind::kHeading, {}, text}); }
  void Sub(const QString& text) { plan_.lines.append({Kind::kSubheading, {}, text}); }
  void Text(const QString& text) { plan_.lines.append({Kind::kText, {}, text}); }
  void Filler(const QString& what) { plan_.lines.append({Kind::kFiller, {}, what}); }
  void Label(const QString& label, const QString& value) {
    plan_.lines.append({Kind::kLabel, label, value});
  }
  // A two-character label of the contact blocks, with the page's blank.
  QString Spaced(const char16_t* two) const {
    const QString text = QString::fromUtf16(two);
    if (blanks_ == 0 || text.size() != 2) return text;
    return text.left(1) + (blanks_ == 1 ? QChar(u' ') : QChar(u'\u3000')) + text.mid(1);
  }

  // "1.采购人信息" ... "3.项目联系方式", as far as the project has them.
  void Contacts(const Project& p, NoticeFacts* facts, bool with_agency_block = true) {
    Sub(QStringLiteral("1.采购人信息"));
    Label(Spaced(u"名称"), p.buyer);
    Label(Spaced(u"地址"), p.buyer_address);
    Label(QStringLiteral("联系方式"), p.buyer_contact);
    facts->buyer = p.buyer;
    facts->buyer_contact = p.buyer_contact;
    if (with_agency_block && !p.agency.isEmpty()) {
      Sub(QStringLiteral("2.采购代理机构信息"));
      Label(Spaced(u"名称"), p.agency);
      Label(Spaced(u"地址"), p.agency_address);
      Label(QStringLiteral("联系方式"), p.agency_contact);
      facts->agency = p.agency;
      facts->agency_contact = p.agency_contact;
    }
    Sub(p.agency.isEmpty() ? QStringLiteral("2.项目联系方式") : QStringLiteral("3.项目联系方式"));
    Label(QStringLiteral("项目联系人"), p.person);
    Label(Spaced(u"电话"), p.phone);
    facts->contact_person = p.person;
    facts->contact_phone = p.phone;
  }

 private:
  NoticePlan& plan_;
  Rng& rng_;
  int blanks_;  // 0 "名称", 1 "名 称", 2 "名　称"
};

const char* const kNumerals[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};
QString Numbered(int n, const QString& text) { return U(kNumerals[n - 1]) + u'、' + text; }

NoticeLayout LayoutOf(Rng& rng, bool summary_allowed) {
  const double f = rng.Unit();
  if (f < 0.55) return NoticeLayout::kParagraphs;
  if (f < 0.70) return NoticeLayout::kBreaks;
  if (f < 0.88 || !summary_allowed) return NoticeLayout::kTable;
  return NoticeLayout::kSummary;
}

QString Variant(const NoticePlan& plan, const QString& more = {}) {
  static const char* const kLayouts[] = {"paragraphs", "breaks", "table", "summary", "intention"};
  QString text = U(kLayouts[static_cast<int>(plan.layout)]);
  if (plan.half_colon) text += QStringLiteral(" half-colon");
  return more.isEmpty() ? text : text + u' ' + more;
}

// The money line of a project: its budget as text, or as lots.
void BudgetFacts(const Project& p, Rng& rng, NoticeFacts* facts, QStringList* lot_texts) {
  if (p.secret_budget) {
    facts->budget_text = forms::NotMoney(rng);
    return;
  }
  if (!p.lots.isEmpty()) {
    for (double lot : p.lots) lot_texts->append(forms::Money(lot, rng, false));
    facts->budget_text = lot_texts->join(QStringLiteral("；"));
    facts->budget = p.budget;
    return;
  }
  facts->budget_text = forms::Money(p.budget, rng);
  facts->budget = p.budget;
}

void CapFacts(const Project& p, Rng& rng, NoticeFacts* facts, bool* stated) {
  *stated = true;
  if (p.cap > 0) {
    facts->price_cap_text = forms::Money(p.cap, rng);
    facts->price_cap = p.cap;
  } else if (rng.Chance(0.6)) {
    facts->price_cap_text = rng.Chance(0.5) ? QStringLiteral("无") : QStringLiteral("/");
  } else {
    *stated = false;
  }
}

QString Verb(Rng& rng) {
  static const char* const kVerbs[] = {"更正为", "变更为", "调整为"};
  return U(kVerbs[rng.Below(3)]);
}

// "原<label>：<old>，更正为：<new>。" in its variations.
QString ChangeLine(const QString& label, const QString& old_text, const QString& new_text, Rng& rng,
                   int number) {
  QString line = number > 0 && rng.Chance(0.5) ? QStringLiteral("%1.").arg(number) : QString();
  line +=
      u'原' + label + (rng.Chance(0.85) ? QStringLiteral("：") : QStringLiteral(":")) + old_text;
  const double s = rng.Unit();
  line += s < 0.7 ? QStringLiteral("，") : s < 0.85 ? QStringLiteral("；") : QStringLiteral(" ");
  line += Verb(rng) + (rng.Chance(0.7) ? QStringLiteral("：") : QString()) + new_text;
  const double e = rng.Unit();
  line += e < 0.6 ? QStringLiteral("。") : e < 0.8 ? QStringLiteral("；") : QString();
  return line;
}

}  // namespace

Project NewProject(int id, int type, QDate date, Rng& rng) {
  Project p;
  p.id = id;
  p.provincial = type >= 6;
  const std::span<const words::Region> regions = words::Regions();
  const int r = rng.Below(static_cast<int>(regions.size()));
  const words::Region& region = regions[r];
  p.region_short = p.provincial ? QStringLiteral("四川") : U(region.short_name);
  p.city = p.provincial ? QStringLiteral("成都市") : U(region.city);
  p.area_code = p.provincial ? QStringLiteral("028") : U(kAreaCodes[r]);
  if (p.provincial) {
    p.buyer = U(rng.Pick(words::ProvincialBodies()));
  } else {
    p.buyer = U(region.city);
    if (rng.Chance(0.45)) p.buyer += U(rng.Pick(region.counties));
    p.buyer += U(rng.Pick(words::LocalBodies()));
  }
  const words::Product& product = rng.Pick(words::Products());
  p.product = U(product.name);
  p.service = product.service;
  p.project = p.product;
  if (rng.Chance(0.2))
    p.project = QStringLiteral("%1年").arg(date.year() - (date.month() == 1 ? rng.Below(2) : 0)) +
                p.project;
  p.project += product.service ? QStringLiteral("项目") : QStringLiteral("采购项目");
  p.name = rng.Chance(0.7) ? p.buyer + p.project : p.project;
  p.key = forms::NewProjectKey(date.year(), r, p.provincial, rng);
  const double m = rng.Unit();
  p.method = m < 0.5   ? QStringLiteral("公开招标")
             : m < 0.8 ? QStringLiteral("竞争性磋商")
             : m < 0.9 ? QStringLiteral("竞争性谈判")
                       : QStringLiteral("询价");
  p.budget = 100.0 * (500 + rng.Below(50000));
  if (rng.Chance(0.08)) p.budget *= 10;
  p.secret_budget = rng.Chance(0.06);
  if (!p.secret_budget && rng.Chance(0.15)) {
    const int n = 2 + rng.Below(2);
    double left = p.budget;
    for (int i = 0; i < n - 1; ++i) {
      const double lot = Hundreds(left * (0.3 + 0.3 * rng.Unit()));
      p.lots.append(lot);
      left -= lot;
    }
    p.lots.append(left);
  }
  const double c = rng.Unit();
  p.cap = c < 0.5 ? p.budget : c < 0.65 ? Hundreds(p.budget * 0.95) : 0;
  if (p.secret_budget) p.cap = 0;
  p.buyer_address = Address(p.city, rng);
  p.buyer_contact = ContactText(p.area_code, rng);
  if (rng.Chance(0.8)) {
    p.agency = (p.provincial || rng.Chance(0.5) ? QStringLiteral("四川") : p.region_short) +
               U(rng.Pick(words::TradeNames())) + U(kAgencyKinds[rng.Below(4)]);
    p.agency_address = Address(p.city, rng);
    p.agency_contact = ContactText(p.area_code, rng);
  }
  p.person = Person(rng);
  p.phone = Phone(p.area_code, rng);
  p.place = p.provincial || rng.Chance(0.5)
                ? QStringLiteral(
                      "四川省政府政务服务和公共资源交易服务中心（成都市高新区天府大道"
                      "北段966号）")
                : p.city + QStringLiteral("公共资源交易中心") + QString::number(1 + rng.Below(6)) +
                      QStringLiteral("号开标室");
  p.planned = date.addDays(2 + rng.Below(9));
  return p;
}

void Announce(Project& p, QDate date, Rng& rng) {
  p.announced = date;
  p.docs_from = At(date.addDays(1), 9, 0);
  p.docs_until = At(Workday(date.addDays(6)), 17, 0);
  const int days = p.method == QStringView(u"公开招标")     ? 20 + rng.Below(6)
                   : p.method == QStringView(u"竞争性磋商") ? 10 + rng.Below(5)
                                                            : 3 + rng.Below(5);
  p.deadline = DeadlineTime(date.addDays(days), rng);
  if (p.deadline.date() <= p.docs_until.date()) p.docs_until = At(p.deadline.date(), 9, 0);
  p.opening = p.method == QStringView(u"公开招标") || rng.Chance(0.7) ? p.deadline
                                                                      : p.deadline.addSecs(1800);
  if (p.whole_course) {
    p.docs_until = At(date.addDays(1), 17, 0);
    p.deadline = p.opening = At(date.addDays(2), 9, 30);
  }
}

void MakeWholeCourse(Project& p, QDate pre_date) {
  p.whole_course = true;
  p.method = QStringLiteral("询价");
  p.planned = pre_date.addDays(1);
}

NoticePlan ComposePre(const Project& p, QDate date, const QString& ending, Rng& rng,
                      NoticeFacts* facts) {
  NoticePlan plan;
  plan.kind = NoticeKind::kPre;
  plan.seed = rng.Next();
  plan.product = p.product;
  facts->project_no = forms::WrittenNumber(p.key, rng);
  facts->project_key = p.key;
  facts->project_name = p.name;
  if (ending == QStringView(u"采购意向公开")) {
    plan.layout = NoticeLayout::kIntention;
    plan.lead = QStringLiteral(
                    "为便于供应商及时了解政府采购信息，根据《财政部关于开展政府采购意向公开工作的通"
                    "知》等有关规定，现将%1%2年%3月采购意向公开如下：")
                    .arg(p.buyer)
                    .arg(date.year())
                    .arg(date.month());
    const QString wan = p.secret_budget ? QString() : forms::Decimal(p.budget / 10000.0);
    plan.table = {
        {QStringLiteral("序号"), QStringLiteral("项目编号"), QStringLiteral("采购项目名称"),
         QStringLiteral("采购需求概况"), QStringLiteral("预算金额（万元）"),
         QStringLiteral("预计采购时间"), QStringLiteral("备注")},
        {QStringLiteral("1"), facts->project_no, p.name,
         QStringLiteral("采购%1一批，满足使用单位需求").arg(p.product),
         p.secret_budget ? QStringLiteral("保密") : wan,
         QStringLiteral("%1年%2月").arg(p.planned.year()).arg(p.planned.month()), QString()}};
    facts->budget_text = p.secret_budget ? QStringLiteral("保密") : wan;
    if (!p.secret_budget) facts->budget = p.budget;
    facts->variant = Variant(plan);
    return plan;
  }
  plan.layout = LayoutOf(rng, false);
  plan.half_colon = rng.Chance(0.2);
  Lines lines(plan, rng);
  lines.Heading(Numbered(1, QStringLiteral("项目基本情况")));
  lines.Label(QStringLiteral("项目编号"), facts->project_no);
  lines.Label(QStringLiteral("项目名称"), p.name);
  lines.Label(QStringLiteral("采购方式"), p.method);
  facts->method = p.method;
  QStringList lots;
  BudgetFacts(p, rng, facts, &lots);
  if (lots.isEmpty()) {
    lines.Label(QStringLiteral("预算金额"), facts->budget_text);
  } else {
    for (qsizetype i = 0; i < lots.size(); ++i)
      lines.Label(QStringLiteral("包%1的预算金额").arg(i + 1), lots[i]);
  }
  lines.Heading(Numbered(2, QStringLiteral("采购需求")));
  lines.Filler(p.product);
  lines.Heading(Numbered(3, QStringLiteral("公示期限")));
  lines.Text(QStringLiteral("%1至%2（5个工作日）")
                 .arg(forms::Date(date, rng), forms::Date(Workday(date.addDays(7)), rng)));
  lines.Heading(Numbered(4, QStringLiteral("其他补充事宜")));
  lines.Text(
      QStringLiteral("潜在供应商对公示内容有异议的，请于公示期满前以书面形式向采购人提出。"));
  lines.Heading(Numbered(5, QStringLiteral("对本次公示内容提出询问，请按以下方式联系。")));
  lines.Contacts(p, facts);
  facts->variant = Variant(plan, lots.isEmpty() ? QString() : QStringLiteral("lots"));
  return plan;
}

NoticePlan ComposeTender(const Project& p, Rng& rng, NoticeFacts* facts) {
  NoticePlan plan;
  const bool tender = p.method == QStringView(u"公开招标");
  plan.kind = tender ? NoticeKind::kTender : NoticeKind::kConsultation;
  plan.seed = rng.Next();
  plan.product = p.product;
  plan.layout = LayoutOf(rng, true);
  plan.half_colon = rng.Chance(0.2);
  facts->project_no = forms::WrittenNumber(p.key, rng);
  facts->project_key = p.key;
  facts->project_name = p.name;
  QStringList lots;
  BudgetFacts(p, rng, facts, &lots);
  bool cap_stated = false;
  CapFacts(p, rng, facts, &cap_stated);
  const QString docs =
      forms::Window(p.docs_from, p.docs_until, rng, &facts->docs_from, &facts->docs_until);
  const QString deadline = forms::Time(p.deadline, rng);
  facts->deadline = forms::TimeValue(p.deadline);
  facts->opening_at = forms::TimeValue(p.opening);
  facts->opening_place = p.place;
  const QString docs_place = QStringLiteral("四川政府采购网（项目电子化交易系统）");

  if (plan.layout == NoticeLayout::kSummary) {
    plan.lead =
        QStringLiteral("%1就%2进行%3，现将有关事项公告如下：").arg(p.buyer, p.name, p.method);
    const QString budget = lots.isEmpty() ? facts->budget_text : QString();
    if (!lots.isEmpty()) {  // the summary table gives the whole amount
      facts->budget_text = forms::Money(p.budget, rng);
    }
    if (!cap_stated) {
      facts->price_cap_text = QStringLiteral("无");
      facts->price_cap.reset();
    }
    const QString opening = forms::Time(p.opening, rng);
    plan.table = {
        {QStringLiteral("项目编号"), facts->project_no, QStringLiteral("项目名称"), p.name},
        {QStringLiteral("采购人"), p.buyer, QStringLiteral("采购代理机构"),
         p.agency.isEmpty() ? QStringLiteral("无") : p.agency},
        {QStringLiteral("预算金额"), lots.isEmpty() ? budget : facts->budget_text,
         QStringLiteral("最高限价"), facts->price_cap_text},
        {QStringLiteral("获取招标文件时间"), docs, QStringLiteral("获取地点"), docs_place},
        {QStringLiteral("投标截止时间"), deadline, QStringLiteral("开标时间"), opening},
        {QStringLiteral("开标地点"), p.place, QStringLiteral("采购方式"), p.method},
        {QStringLiteral("项目联系人"), p.person, QStringLiteral("联系电话"), p.phone},
    };
    facts->buyer = p.buyer;
    facts->agency = p.agency;  // "无" names no agency
    facts->contact_person = p.person;
    facts->contact_phone = p.phone;
    facts->method = p.method;
    facts->variant = Variant(plan);
    return plan;
  }

  Lines lines(plan, rng);
  const bool response_labels = !tender && rng.Chance(0.5);
  plan.lead = tender ? QStringLiteral("%1的潜在投标人应在%2获取招标文件，并于%3前递交投标文件。")
                           .arg(p.name, docs_place, deadline)
                     : QStringLiteral("%1的潜在供应商应在%2获取采购文件，并于%3前提交响应文件。")
                           .arg(p.name, docs_place, deadline);
  int n = 1;
  lines.Heading(Numbered(n++, QStringLiteral("项目基本情况")));
  lines.Label(QStringLiteral("项目编号"), facts->project_no);
  lines.Label(QStringLiteral("项目名称"), p.name);
  if (!tender) {
    lines.Label(QStringLiteral("采购方式"), p.method);
    facts->method = p.method;
  }
  if (lots.isEmpty()) {
    lines.Label(QStringLiteral("预算金额"), facts->budget_text);
  } else {
    for (qsizetype i = 0; i < lots.size(); ++i)
      lines.Label(QStringLiteral("包%1的预算金额").arg(i + 1), lots[i]);
  }
  if (cap_stated) {
    lines.Label(rng.Chance(0.5) ? QStringLiteral("最高限价（如有）") : QStringLiteral("最高限价"),
                facts->price_cap_text);
  }
  lines.Label(QStringLiteral("采购需求"), QStringLiteral("%1，详见采购文件。").arg(p.product));
  lines.Filler(p.product);
  lines.Label(QStringLiteral("合同履行期限"),
              QStringLiteral("合同签订后%1日内").arg(30 + 15 * rng.Below(6)));
  lines.Text(rng.Chance(0.7) ? QStringLiteral("本项目不接受联合体投标。")
                             : QStringLiteral("本项目接受联合体投标。"));
  lines.Heading(Numbered(n++, QStringLiteral("申请人的资格要求：")));
  lines.Text(QStringLiteral("1.满足《中华人民共和国政府采购法》第二十二条规定；"));
  lines.Text(QStringLiteral("2.落实政府采购政策需满足的资格要求：本项目专门面向中小企业采购；"));
  lines.Text(QStringLiteral("3.本项目的特定资格要求：无。"));
  lines.Heading(
      Numbered(n++, tender ? QStringLiteral("获取招标文件") : QStringLiteral("获取采购文件")));
  lines.Label(QStringLiteral("时间"), docs);
  lines.Label(QStringLiteral("地点"), docs_place);
  lines.Label(QStringLiteral("方式"), QStringLiteral("在线获取"));
  lines.Label(QStringLiteral("售价"), QStringLiteral("0元"));
  if (tender) {
    lines.Heading(Numbered(n++, QStringLiteral("提交投标文件截止时间、开标时间和地点")));
    lines.Text(deadline);
    lines.Label(QStringLiteral("地点"), p.place);
  } else {
    lines.Heading(Numbered(n++, QStringLiteral("响应文件提交")));
    lines.Label(
        response_labels ? QStringLiteral("响应文件提交截止时间") : QStringLiteral("截止时间"),
        deadline);
    lines.Label(QStringLiteral("地点"), p.place);
    lines.Heading(Numbered(n++, QStringLiteral("响应文件开启")));
    lines.Label(response_labels ? QStringLiteral("响应文件开启时间") : QStringLiteral("时间"),
                forms::Time(p.opening, rng));
    lines.Label(QStringLiteral("地点"), p.place);
  }
  lines.Heading(Numbered(n++, QStringLiteral("公告期限")));
  lines.Text(QStringLiteral("自本公告发布之日起5个工作日。"));
  lines.Heading(Numbered(n++, QStringLiteral("其他补充事宜")));
  lines.Text(QStringLiteral("本项目为电子化采购项目，供应商应使用CA数字证书参与。"));
  lines.Heading(Numbered(n++, tender ? QStringLiteral("对本次招标提出询问，请按以下方式联系。")
                                     : QStringLiteral("凡对本次采购提出询问，请按以下方式联系。")));
  lines.Contacts(p, facts);
  facts->variant = Variant(plan, lots.isEmpty() ? QString() : QStringLiteral("lots"));
  return plan;
}

NoticePlan ComposeCorrection(Project& p, QDate date, Rng& rng, NoticeFacts* facts) {
  NoticePlan plan;
  plan.kind = NoticeKind::kCorrection;
  plan.seed = rng.Next();
  plan.product = p.product;
  plan.layout = LayoutOf(rng, false);
  plan.half_colon = rng.Chance(0.2);
  facts->project_no = forms::WrittenNumber(p.key, rng);
  facts->project_key = p.key;
  facts->project_name = p.name;
  Lines lines(plan, rng);
  lines.Heading(Numbered(1, QStringLiteral("项目基本情况")));
  lines.Label(QStringLiteral("原公告的采购项目编号"), facts->project_no);
  lines.Label(QStringLiteral("原公告的采购项目名称"), p.name);
  const QDate first = p.announced.isValid() ? p.announced : date.addDays(-3);
  lines.Label(QStringLiteral("首次公告日期"), forms::Date(first, rng));
  lines.Heading(Numbered(2, QStringLiteral("更正信息")));

  const bool tender = p.method == QStringView(u"公开招标");
  QStringList changes;
  auto change = [&](const QString& label, const QStringList& items, const QString& old_text,
                    const QString& new_text, const QString& new_value) {
    changes.append(ChangeLine(label, old_text, new_text, rng, changes.size() + 1));
    for (const QString& item : items) facts->changes.append({item, old_text, new_text, new_value});
  };
  const double kind = p.corrections > 0 || p.whole_course ? 0 : rng.Unit();
  QString matter = QStringLiteral("采购公告、采购文件");
  if (kind < 0.65) {  // the deadline (and the opening) move
    const QDateTime old_deadline = p.deadline, old_opening = p.opening;
    p.deadline =
        p.whole_course
            ? p.deadline.addDays(1)
            : DeadlineTime(std::max(p.deadline.date(), date).addDays(5 + rng.Below(6)), rng);
    p.opening = old_opening == old_deadline ? p.deadline : p.deadline.addSecs(1800);
    const QString old_text = forms::Time(old_deadline, rng),
                  new_text = forms::Time(p.deadline, rng);
    const QString deadline_value = forms::TimeValue(p.deadline);
    const QString opening_value = forms::TimeValue(p.opening);
    if (old_opening == old_deadline && rng.Chance(0.4)) {
      change(tender ? QStringLiteral("公告的提交投标文件截止时间和开标时间")
                    : QStringLiteral("响应文件提交截止时间及开启时间"),
             {QStringLiteral("Deadline"), QStringLiteral("OpeningAt")}, old_text, new_text,
             deadline_value);
      // Both items share the one value the line states.
      facts->changes.last().new_value = opening_value;
    } else {
      change(tender ? (rng.Chance(0.5) ? QStringLiteral("公告的提交投标文件截止时间")
                                       : QStringLiteral("投标截止时间"))
                    : QStringLiteral("响应文件提交截止时间"),
             {QStringLiteral("Deadline")}, old_text, new_text, deadline_value);
      change(tender ? QStringLiteral("开标时间") : QStringLiteral("响应文件开启时间"),
             {QStringLiteral("OpeningAt")}, forms::Time(old_opening, rng),
             forms::Time(p.opening, rng), opening_value);
    }
  } else if (kind < 0.75) {  // the documents are to be had longer
    QString ignored, old_until, new_until;
    const QString old_text = forms::Window(p.docs_from, p.docs_until, rng, &ignored, &old_until);
    p.docs_until = At(Workday(p.docs_until.date().addDays(3)), 17, 0);
    const QString new_text = forms::Window(p.docs_from, p.docs_until, rng, &ignored, &new_until);
    change(tender ? QStringLiteral("获取招标文件时间") : QStringLiteral("获取采购文件时间"),
           {QStringLiteral("DocsUntil")}, old_text, new_text, new_until);
  } else if (kind < 0.83 && !p.secret_budget && p.lots.isEmpty()) {  // a new budget
    const double old_budget = p.budget;
    p.budget = Hundreds(p.budget * (rng.Chance(0.5) ? 1.1 : 0.9));
    if (p.cap > 0) p.cap = std::min(p.cap, p.budget);
    change(QStringLiteral("预算金额"), {QStringLiteral("Budget")}, forms::Money(old_budget, rng),
           forms::Money(p.budget, rng), forms::Decimal(p.budget));
  } else if (kind < 0.93) {  // something the reader has no column for
    const int n = 1 + rng.Below(12);
    change(QStringLiteral("采购需求第%1项%2数量").arg(n).arg(p.product), {QStringLiteral("Other")},
           QStringLiteral("%1台（套）").arg(n + 2), QStringLiteral("%1台（套）").arg(n + 4),
           QString());
    matter = QStringLiteral("采购文件");
  } else {
    matter = QStringLiteral("采购文件");
  }
  lines.Label(QStringLiteral("更正事项"), matter);
  if (changes.isEmpty()) {
    lines.Label(QStringLiteral("更正内容"),
                QStringLiteral("对采购文件第三章技术参数的表述进行澄清，详见附件。"));
  } else if (rng.Chance(0.5)) {
    lines.Label(QStringLiteral("更正内容"), changes.first());
    for (qsizetype i = 1; i < changes.size(); ++i) lines.Text(changes[i]);
  } else {
    lines.Label(QStringLiteral("更正内容"), QString());
    for (const QString& line : changes) lines.Text(line);
  }
  if (rng.Chance(0.8)) {
    lines.Label(QStringLiteral("更正日期"), forms::Date(date, rng));
    facts->corrected_on = forms::DateValue(date);
  }
  lines.Heading(Numbered(3, QStringLiteral("其他补充事宜")));
  lines.Text(QStringLiteral("其他内容不变。"));
  lines.Heading(Numbered(4, QStringLiteral("凡对本次公告内容提出询问，请按以下方式联系。")));
  lines.Contacts(p, facts);
  ++p.corrections;
  facts->variant = Variant(plan, QStringLiteral("%1 change(s)").arg(facts->changes.size()));
  return plan;
}

NoticePlan ComposeResult(const Project& p, Rng& rng, NoticeFacts* facts) {
  NoticePlan plan;
  plan.kind = NoticeKind::kResult;
  plan.seed = rng.Next();
  plan.product = p.product;
  plan.layout = rng.Chance(0.7) ? NoticeLayout::kParagraphs : NoticeLayout::kBreaks;
  plan.half_colon = rng.Chance(0.2);
  facts->project_no = forms::WrittenNumber(p.key, rng);
  facts->project_key = p.key;
  facts->project_name = p.name;
  Lines lines(plan, rng);
  const QString colon = plan.half_colon ? QStringLiteral(":") : QStringLiteral("：");
  lines.Heading(Numbered(1, QStringLiteral("项目编号") + colon + facts->project_no));
  lines.Heading(Numbered(2, QStringLiteral("项目名称") + colon + p.name));
  lines.Heading(Numbered(3, QStringLiteral("中标（成交）信息")));
  lines.Filler(QStringLiteral("result"));
  lines.Heading(Numbered(4, QStringLiteral("主要标的信息")));
  lines.Text(QStringLiteral("%1，数量：1批，详见采购文件。").arg(p.product));
  lines.Heading(
      Numbered(5, QStringLiteral("评审专家（单一来源采购人员）名单") + colon +
                      QStringLiteral("%1某、%2某、%3某")
                          .arg(U(rng.Pick(words::Surnames())), U(rng.Pick(words::Surnames())),
                               U(rng.Pick(words::Surnames())))));
  lines.Heading(Numbered(6, QStringLiteral("代理服务收费标准及金额") + colon +
                                QStringLiteral("参照国家计委计价格〔2002〕1980号文件收取")));
  lines.Heading(Numbered(7, QStringLiteral("公告期限")));
  lines.Text(QStringLiteral("自本公告发布之日起1个工作日。"));
  lines.Heading(Numbered(8, QStringLiteral("其他补充事宜")));
  lines.Text(QStringLiteral("无。"));
  lines.Heading(Numbered(9, QStringLiteral("凡对本次公告内容提出询问，请按以下方式联系。")));
  lines.Contacts(p, facts);
  facts->variant = Variant(plan);
  return plan;
}

NoticePlan ComposeConstruction(const ConstructionTender& tender, const QString& buyer,
                               const QString& city, Rng& rng, NoticeFacts* facts) {
  NoticePlan plan;
  plan.kind = NoticeKind::kConstruction;
  plan.seed = rng.Next();
  plan.product = tender.title;
  plan.layout = rng.Chance(0.7) ? NoticeLayout::kParagraphs : NoticeLayout::kBreaks;
  plan.half_colon = rng.Chance(0.2);
  Lines lines(plan, rng);
  const QString key = QStringLiteral("JSZB-%1-%2")
                          .arg(tender.date.year())
                          .arg(tender.id % 100000, 5, 10, QLatin1Char('0'));
  facts->project_no = forms::WrittenNumber(key, rng);
  facts->project_key = key;
  facts->project_name = tender.title;
  const double budget = 10000.0 * (80 + rng.Below(20000));  // 80万 .. 2亿
  const double cap = Hundreds(budget * 0.97);
  const QString agency = QStringLiteral("四川") + U(rng.Pick(words::TradeNames())) +
                         QStringLiteral("工程项目管理有限公司");
  const QString buyer_person = Person(rng), agency_person = Person(rng);
  const QString buyer_phone = Phone(QStringLiteral("028"), rng);
  const QString agency_phone = Phone(QStringLiteral("028"), rng);
  const QDateTime docs_from = At(tender.date.addDays(1), 9, 0);
  const QDateTime docs_until = At(Workday(tender.date.addDays(7)), 17, 0);
  const QDateTime deadline = DeadlineTime(tender.date.addDays(21 + rng.Below(5)), rng);
  const QString docs =
      forms::Window(docs_from, docs_until, rng, &facts->docs_from, &facts->docs_until);
  const QString kind = tender.title.contains(QStringLiteral("监理")) ? QStringLiteral("监理")
                       : tender.title.contains(QStringLiteral("设计")) ? QStringLiteral("勘察设计")
                                                                       : QStringLiteral("施工");
  lines.Sub(QStringLiteral("1.招标条件"));
  lines.Text(
      QStringLiteral("本招标项目%1已由%2发展和改革局以%2发改投资〔%3〕%4号批准建设，项目业主为%5，"
                     "建设资金来自财政资金，项目出资比例为100%，招标人为%5。项目已具备招标"
                     "条件，现对该项目的%6进行公开招标。")
          .arg(tender.title, city)
          .arg(tender.date.year())
          .arg(100 + rng.Below(800))
          .arg(buyer, kind));
  lines.Sub(QStringLiteral("2.项目概况与招标范围"));
  lines.Label(rng.Chance(0.5) ? QStringLiteral("2.1招标编号") : QStringLiteral("2.1项目编号"),
              facts->project_no);
  lines.Label(QStringLiteral("2.2项目名称"), tender.title);
  lines.Label(QStringLiteral("2.3建设地点"), tender.place.isEmpty() ? city : tender.place);
  lines.Label(QStringLiteral("2.4合同估算价"), forms::Money(budget, rng, false));
  facts->budget_text = plan.lines.last().text;
  facts->budget = budget;
  lines.Label(rng.Chance(0.5) ? QStringLiteral("2.5招标控制价") : QStringLiteral("2.5最高投标限价"),
              forms::Money(cap, rng, false));
  facts->price_cap_text = plan.lines.last().text;
  facts->price_cap = cap;
  lines.Label(QStringLiteral("2.6计划工期"),
              QStringLiteral("%1日历天").arg(90 + 30 * rng.Below(10)));
  lines.Label(QStringLiteral("2.7招标范围"),
              QStringLiteral("施工图纸及工程量清单范围内的全部内容"));
  lines.Sub(QStringLiteral("3.投标人资格要求"));
  lines.Text(
      QStringLiteral("3.1本次招标要求投标人须具备建筑工程施工总承包三级及以上资质，并在人员、"
                     "设备、资金等方面具有相应的施工能力。"));
  lines.Text(QStringLiteral("3.2本次招标不接受联合体投标。"));
  lines.Sub(QStringLiteral("4.招标文件的获取"));
  lines.Text(
      QStringLiteral("4.1凡有意参加投标者，请于%1，登录四川省公共资源交易信息网下载电子招标文件。")
          .arg(docs));
  lines.Sub(QStringLiteral("5.投标文件的递交"));
  lines.Text(
      QStringLiteral("5.1投标文件递交的截止时间（投标截止时间，下同）为%1，投标人应在截止时间前通过"
                     "电子交易系统递交电子投标文件。")
          .arg(forms::Time(deadline, rng)));
  facts->deadline = forms::TimeValue(deadline);
  lines.Text(QStringLiteral("5.2逾期送达的投标文件，电子交易系统将予以拒收。"));
  lines.Sub(QStringLiteral("6.发布公告的媒介"));
  lines.Text(
      QStringLiteral("本次招标公告同时在四川建设网、全国公共资源交易平台（四川省）上发布。"));
  lines.Sub(QStringLiteral("7.联系方式"));
  // The two parties side by side: a table in every layout.
  plan.table = {
      {lines.Spaced(u"招标人") + QStringLiteral("：") + buyer,
       QStringLiteral("招标代理机构：") + agency},
      {lines.Spaced(u"地址") + QStringLiteral("：") + Address(city, rng),
       lines.Spaced(u"地址") + QStringLiteral("：") + Address(city, rng)},
      {QStringLiteral("联系人：") + buyer_person, QStringLiteral("联系人：") + agency_person},
      {lines.Spaced(u"电话") + QStringLiteral("：") + buyer_phone,
       lines.Spaced(u"电话") + QStringLiteral("：") + agency_phone}};
  facts->buyer = buyer;
  facts->buyer_contact = buyer_phone;
  facts->agency = agency;
  facts->agency_contact = agency_phone;
  facts->contact_person = buyer_person;
  facts->contact_phone = buyer_phone;
  facts->variant = Variant(plan, QStringLiteral("construction"));
  return plan;
}

}  // namespace talvec::sitesim::notices
