#include "facts/extraction.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "facts/page_text.h"
#include "facts/values.h"

namespace talvec {
namespace {

using Labels = std::initializer_list<QStringView>;

// How far the searches inside one section go, so that a hostile page never
// holds the window: lines looked at, characters of a line, changes.
constexpr int kMaxSectionLines = 400;
constexpr qsizetype kMaxLineChars = 4000;
constexpr int kMaxChanges = 64;
constexpr qsizetype kMaxLabelChars = 30;
constexpr size_t kMaxHeadings = 2000;

QStringView Trim(QStringView text) {
  qsizetype a = 0, b = text.size();
  while (a < b && IsFactBlank(text[a])) ++a;
  while (b > a && IsFactBlank(text[b - 1])) --b;
  return text.mid(a, b - a);
}

// Separators and full stops around a value in a running sentence.
QStringView TrimPunctuation(QStringView text) {
  text = Trim(text);
  static constexpr QStringView kMarks = u"，,；;。.、";
  while (!text.isEmpty() && kMarks.contains(text.back())) text = Trim(text.chopped(1));
  while (!text.isEmpty() && kMarks.contains(text.front())) text = Trim(text.mid(1));
  return text;
}

// A name or contact that says there is none.
QString NameValue(QStringView value) {
  const QStringView v = TrimPunctuation(value);
  static constexpr QStringView kNone[] = {u"无", u"/", u"／", u"-", u"—", u"－", u"暂无", u"空"};
  for (QStringView none : kNone) {
    if (v == none) return {};
  }
  return v.toString();
}

bool IsDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// "1.", "2.1", "3、", "(1)", "（2）", "4)" before a label.
qsizetype EnumeratorLength(QStringView s) {
  qsizetype i = 0;
  if (!s.isEmpty() && (s[0] == u'(' || s[0] == u'（')) {
    i = 1;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i > 1 && i < s.size() && (s[i] == u')' || s[i] == u'）')) return i + 1;
    return 0;
  }
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i == 0 || i > 3) return 0;
  qsizetype k = i;
  while (k + 1 < s.size() && (s[k] == u'.' || s[k] == u'．') && IsDigit(s[k + 1])) {
    k += 2;
    while (k < s.size() && IsDigit(s[k])) ++k;
  }
  if (k < s.size() &&
      (s[k] == u'.' || s[k] == u'．' || s[k] == u'、' || s[k] == u')' || s[k] == u'）')) {
    ++k;
  } else if (k == i) {
    return 0;  // a bare figure is no enumerator
  }
  return k < s.size() && !IsDigit(s[k]) ? k : 0;
}

// "一、" ... "二十、": the number, and the length with the mark.
int ChineseOrdinal(QStringView s, qsizetype* length) {
  static constexpr QStringView kDigits = u"一二三四五六七八九";
  int n = 0;
  qsizetype i = 0;
  auto digit = [&](qsizetype at) {
    return at < s.size() ? static_cast<int>(kDigits.indexOf(s[at])) + 1 : 0;
  };
  if (!s.isEmpty() && s[0] == u'十') {
    n = 10 + digit(1);
    i = n > 10 ? 2 : 1;
  } else if (const int d = digit(0); d > 0) {
    n = d;
    i = 1;
    if (i < s.size() && s[i] == u'十') {
      n = d * 10 + digit(2);
      i = n % 10 ? 3 : 2;
    }
  }
  if (n == 0 || i >= s.size() || s[i] != u'、') return 0;
  *length = i + 1;
  return n;
}

// "1." or "1、" opening a line (not "2.1"): the number and the length.
int ArabicHeading(QStringView s, qsizetype* length) {
  qsizetype i = 0;
  int n = 0;
  while (i < s.size() && i < 2 && IsDigit(s[i])) n = n * 10 + (s[i++].unicode() - '0');
  if (i == 0 || i + 1 >= s.size()) return 0;
  if (s[i] != u'.' && s[i] != u'．' && s[i] != u'、') return 0;
  if (IsDigit(s[i + 1])) return 0;
  *length = i + 1;
  return n;
}

struct LabelKey {
  QString label;
  double unit = 0;  // a unit the label states: "预算金额（万元）"
};

LabelKey NormaliseLabel(QStringView raw) {
  QString label;
  label.reserve(raw.size());
  for (QChar c : HalfWidth(raw)) {
    if (!IsFactBlank(c)) label += c;
  }
  const qsizetype enumerator = EnumeratorLength(label);
  if (enumerator > 0) label.remove(0, enumerator);
  LabelKey key;
  if (label.endsWith(u"(如有)")) label.chop(4);
  if (label.endsWith(u"(万元)")) {
    key.unit = 1e4;
    label.chop(4);
  } else if (label.endsWith(u"(元)")) {
    key.unit = 1;
    label.chop(3);
  }
  key.label = std::move(label);
  return key;
}

// Every label a fact is looked up by (normalised), for telling a label cell
// from a value cell in tables.
const QSet<QString>& KnownLabels() {
  static const QSet<QString> labels = {QStringLiteral("项目编号"),
                                       QStringLiteral("采购项目编号"),
                                       QStringLiteral("原公告的采购项目编号"),
                                       QStringLiteral("招标编号"),
                                       QStringLiteral("招标项目编号"),
                                       QStringLiteral("项目名称"),
                                       QStringLiteral("采购项目名称"),
                                       QStringLiteral("原公告的采购项目名称"),
                                       QStringLiteral("工程名称"),
                                       QStringLiteral("招标项目名称"),
                                       QStringLiteral("预算金额"),
                                       QStringLiteral("采购预算"),
                                       QStringLiteral("项目预算"),
                                       QStringLiteral("合同估算价"),
                                       QStringLiteral("最高限价"),
                                       QStringLiteral("最高投标限价"),
                                       QStringLiteral("招标控制价"),
                                       QStringLiteral("采购方式"),
                                       QStringLiteral("招标方式"),
                                       QStringLiteral("采购人"),
                                       QStringLiteral("采购单位"),
                                       QStringLiteral("采购人名称"),
                                       QStringLiteral("招标人"),
                                       QStringLiteral("采购代理机构"),
                                       QStringLiteral("代理机构"),
                                       QStringLiteral("招标代理机构"),
                                       QStringLiteral("项目联系人"),
                                       QStringLiteral("联系人"),
                                       QStringLiteral("联系电话"),
                                       QStringLiteral("项目联系电话"),
                                       QStringLiteral("投标截止时间"),
                                       QStringLiteral("提交投标文件截止时间"),
                                       QStringLiteral("响应文件提交截止时间"),
                                       QStringLiteral("开标时间"),
                                       QStringLiteral("响应文件开启时间"),
                                       QStringLiteral("开标地点"),
                                       QStringLiteral("获取招标文件时间"),
                                       QStringLiteral("获取采购文件时间"),
                                       QStringLiteral("获取文件时间"),
                                       QStringLiteral("获取地点"),
                                       QStringLiteral("更正日期")};
  return labels;
}

bool Known(const QString& label) { return KnownLabels().contains(label); }

// What a section holds, by the words of its heading.
enum SectionKind : unsigned {
  kBasic = 0,
  kContacts = 1,
  kChanges = 2,
  kDocs = 4,
  kDeadline = 8,
  kOpening = 16,
};

unsigned KindOf(QStringView heading) {
  // A heading that carries a value ("一、项目编号：…") is read by its label.
  for (qsizetype i = 0; i < heading.size(); ++i) {
    if (heading[i] == u'：' || heading[i] == u':') {
      heading = heading.left(i);
      break;
    }
  }
  unsigned kind = 0;
  if (heading.contains(u"联系")) kind |= kContacts;
  if (heading.contains(u"更正") || heading.contains(u"变更")) kind |= kChanges;
  if (heading.contains(u"获取")) kind |= kDocs;
  if (heading.contains(u"截止") || heading.contains(u"递交") || heading.contains(u"提交"))
    kind |= kDeadline;
  if (heading.contains(u"开标") || heading.contains(u"开启")) kind |= kOpening;
  return kind;
}

enum class Party { kNone, kBuyer, kAgency, kContact };

Party PartyOfSub(QStringView heading) {
  if (heading.contains(u"代理")) return Party::kAgency;
  if (heading.contains(u"项目联系")) return Party::kContact;
  if (heading.contains(u"采购人") || heading.contains(u"招标人")) return Party::kBuyer;
  return Party::kNone;
}

constexpr QStringView kBuyerNames[] = {u"名称",     u"采购人名称", u"采购人",
                                       u"采购单位", u"招标人",     u"建设单位"};
constexpr QStringView kAgencyNames[] = {u"招标代理机构", u"采购代理机构", u"代理机构", u"招标代理",
                                        u"采购代理机构名称"};

}  // namespace

bool PageFacts::HasFacts() const {
  return !project_no.isEmpty() || !project_name.isEmpty() || !budget_text.isEmpty() ||
         !price_cap_text.isEmpty() || !buyer.isEmpty() || !buyer_contact.isEmpty() ||
         !agency.isEmpty() || !agency_contact.isEmpty() || !contact_person.isEmpty() ||
         !contact_phone.isEmpty() || !docs_text.isEmpty() || !deadline_text.isEmpty() ||
         !opening_text.isEmpty() || !opening_place.isEmpty() || !method.isEmpty() ||
         !changes.isEmpty();
}

class FactsExtraction::Impl {
 public:
  Impl(QString html, QString title)
      : text_(html.size() > kMaxPageChars ? html.left(kMaxPageChars) : std::move(html)),
        title_(std::move(title)) {}

  bool Step(qsizetype budget) {
    switch (phase_) {
      case Phase::kText:
        if (text_.Step(budget)) phase_ = Phase::kLines;
        return false;
      case Phase::kLines:
        if (IndexLines(budget)) phase_ = Phase::kFields;
        return false;
      case Phase::kFields:
        Fields();
        phase_ = Phase::kDone;
        return true;
      case Phase::kDone:
        return true;
    }
    return true;
  }

  bool done() const { return phase_ == Phase::kDone; }
  const PageFacts& facts() const { return facts_; }

 private:
  enum class Phase { kText, kLines, kFields, kDone };
  struct Line {
    qsizetype start, length;
  };
  struct Heading {
    int line;
    int number;
    QString text;
  };
  struct Entry {
    int line;
    int column;
    QString label;
    double unit;
    QString value;
  };

  QStringView LineText(int line) const {
    const Line& l = lines_[line];
    return QStringView(text_.text()).mid(l.start, std::min(l.length, kMaxLineChars));
  }

  // ---- Lines: headings and label entries ----

  bool IndexLines(qsizetype budget) {
    const QString& t = text_.text();
    qsizetype used = 0;
    while (scan_ < t.size() && used < budget) {
      qsizetype end = t.indexOf(u'\n', scan_);
      if (end < 0) end = t.size();
      const int index = static_cast<int>(lines_.size());
      lines_.push_back({scan_, end - scan_});
      IndexLine(index, QStringView(t).mid(scan_, std::min(end - scan_, kMaxLineChars)));
      used += end - scan_ + 1;
      scan_ = end + 1;
    }
    return scan_ >= t.size();
  }

  void Add(int line, int column, const LabelKey& key, QStringView value) {
    if (key.label.isEmpty() || key.label.size() > kMaxLabelChars) return;
    by_label_[key.label].push_back(static_cast<int>(entries_.size()));
    entries_.push_back({line, column, key.label, key.unit, Trim(value).toString()});
  }

  void IndexLine(int index, QStringView line) {
    QList<QStringView> cells = line.split(u'\t');
    for (QStringView& cell : cells) cell = Trim(cell);
    // Headings: "一、…" and "1.…" at the start of the line.
    QStringView first = cells.isEmpty() ? QStringView() : cells[0];
    qsizetype length = 0;
    if (const int n = ChineseOrdinal(first, &length); n > 0) {
      if (cn_.size() < kMaxHeadings) cn_.push_back({index, n, first.mid(length).toString()});
      cells[0] = Trim(first.mid(length));
    } else if (const int m = ArabicHeading(HalfWidth(first.left(3)), &length); m > 0) {
      if (ar_.size() < kMaxHeadings) ar_.push_back({index, m, first.mid(length, 64).toString()});
    }
    // The row under a header row of labels: its cells are the values.
    if (!header_.empty()) {
      std::vector<LabelKey> header = std::move(header_);
      header_.clear();
      if (static_cast<qsizetype>(header.size()) == cells.size()) {
        for (qsizetype c = 0; c < cells.size(); ++c) {
          if (Known(header[c].label)) Add(index, static_cast<int>(c), header[c], cells[c]);
        }
        return;
      }
    }
    for (qsizetype c = 0; c < cells.size(); ++c) {
      const QStringView cell = cells[c];
      qsizetype colon = -1;
      for (qsizetype k = 0; k < cell.size() && k <= kMaxLabelChars + 8; ++k) {
        if (cell[k] == u'：' || cell[k] == u':') {
          colon = k;
          break;
        }
      }
      if (colon > 0) {
        const LabelKey key = NormaliseLabel(cell.left(colon));
        QStringView value = cell.mid(colon + 1);
        if (Trim(value).isEmpty() && c + 1 < cells.size()) value = cells[++c];
        Add(index, static_cast<int>(c), key, value);
        continue;
      }
      if (c + 1 >= cells.size() || cell.size() > kMaxLabelChars) continue;
      const LabelKey key = NormaliseLabel(cell);
      if (!Known(key.label)) continue;
      const LabelKey next = NormaliseLabel(cells[c + 1]);
      if (Known(next.label)) {  // a header row: the next line holds the values
        for (QStringView h : cells) header_.push_back(NormaliseLabel(h));
        return;
      }
      Add(index, static_cast<int>(c), key, cells[c + 1]);
      ++c;
    }
  }

  // ---- Sections ----

  // Headings numbered 一, 二, ... in order. A notice's requirements often
  // carry a numbering of their own ("一、技术要求", "二、商务要求"), so for
  // each number the first heading that names a part of a notice is taken,
  // and another only when there is no such one.
  static std::vector<Heading> InOrder(const std::vector<Heading>& candidates) {
    static constexpr QStringView kParts[] = {
        u"项目基本情况", u"项目概况", u"基本情况", u"需求",     u"资格",     u"获取",     u"截止",
        u"提交",         u"递交",     u"开启",     u"开标",     u"期限",     u"补充事宜", u"联系",
        u"询问",         u"更正",     u"变更",     u"项目编号", u"项目名称", u"中标",     u"成交",
        u"标的",         u"评审",     u"代理服务", u"招标条件", u"招标范围", u"媒介",     u"信息"};
    auto named = [](const Heading& h) {
      return std::any_of(std::begin(kParts), std::end(kParts),
                         [&](QStringView w) { return h.text.contains(w); });
    };
    std::vector<Heading> tops;
    int after = -1;
    for (int n = 1;; ++n) {
      const Heading* any = nullptr;
      const Heading* best = nullptr;
      for (const Heading& h : candidates) {
        if (h.number != n || h.line <= after) continue;
        if (!any) any = &h;
        if (named(h)) {
          best = &h;
          break;
        }
      }
      if (!best) best = any;
      if (!best) return tops;
      tops.push_back(*best);
      after = best->line;
    }
  }

  void BuildSections() {
    tops_ = InOrder(cn_);
    const bool chinese = !tops_.empty();
    if (!chinese) tops_ = InOrder(ar_);
    kinds_.push_back(kBasic);  // the preamble
    for (const Heading& h : tops_) kinds_.push_back(KindOf(h.text));
    subs_.resize(tops_.size() + 1);
    if (!chinese) return;
    // "1.采购人信息" ... under a heading, counted from 1 again under each.
    for (size_t s = 1; s <= tops_.size(); ++s) {
      const int begin = tops_[s - 1].line;
      const int end = s < tops_.size() ? tops_[s].line : static_cast<int>(lines_.size());
      int n = 0;
      for (const Heading& h : ar_) {
        if (h.line > begin && h.line < end && h.number == n + 1) {
          subs_[s].push_back(h);
          ++n;
        }
      }
    }
  }

  // 0: the preamble; k: the k-th top section.
  int SectionOf(int line) const {
    const auto it = std::upper_bound(tops_.begin(), tops_.end(), line,
                                     [](int l, const Heading& h) { return l < h.line; });
    return static_cast<int>(it - tops_.begin());
  }

  Party PartyOf(int line) const {
    const std::vector<Heading>& subs = subs_[SectionOf(line)];
    const auto it = std::upper_bound(subs.begin(), subs.end(), line,
                                     [](int l, const Heading& h) { return l < h.line; });
    if (it == subs.begin()) return Party::kNone;
    return PartyOfSub(std::prev(it)->text);
  }

  bool Has(unsigned kind) const {
    return std::any_of(kinds_.begin(), kinds_.end(), [kind](unsigned k) { return k & kind; });
  }
  unsigned KindOfLine(int line) const { return kinds_[SectionOf(line)]; }
  bool InBasic(int line) const {
    return (KindOfLine(line) & (kContacts | kChanges | kDocs | kDeadline | kOpening)) == 0;
  }

  // The first entry (in page order) with one of the labels that passes `ok`.
  template <typename Pred>
  const Entry* Find(Labels labels, Pred ok) const {
    const Entry* best = nullptr;
    for (QStringView label : labels) {
      const auto it = by_label_.constFind(label.toString());
      if (it == by_label_.cend()) continue;
      for (int i : *it) {
        const Entry& e = entries_[i];
        if (!ok(e)) continue;
        if (!best || e.line < best->line || (e.line == best->line && e.column < best->column))
          best = &e;
        break;
      }
    }
    return best;
  }
  const Entry* FindIn(Labels labels, unsigned kind) const {
    return Find(labels, [&](const Entry& e) { return (KindOfLine(e.line) & kind) != 0; });
  }
  const Entry* FindBasic(Labels labels) const {
    return Find(labels, [&](const Entry& e) { return InBasic(e.line); });
  }
  const Entry* FindOutsideContacts(Labels labels) const {
    return Find(labels, [&](const Entry& e) { return (KindOfLine(e.line) & kContacts) == 0; });
  }

  // The first line of a section of `kind` that states a date.
  int FirstDateLine(unsigned kind) const {
    for (size_t s = 1; s < kinds_.size(); ++s) {
      if (!(kinds_[s] & kind)) continue;
      const int begin = tops_[s - 1].line;
      const int end = s < tops_.size() ? tops_[s].line : static_cast<int>(lines_.size());
      for (int l = begin; l < end && l < begin + kMaxSectionLines; ++l) {
        if (StatesDate(LineText(l))) return l;
      }
    }
    return -1;
  }

  // ---- Facts ----

  void Fields() {
    BuildSections();
    ProjectFields();
    MoneyFields();
    TimeFields();
    ContactFields();
    Changes();
  }

  void ProjectFields() {
    if (const Entry* e =
            FindBasic({u"项目编号", u"采购项目编号", u"原公告的采购项目编号", u"原公告采购项目编号",
                       u"原项目编号", u"招标编号", u"招标项目编号"})) {
      facts_.project_no = NameValue(e->value);
      facts_.project_key = ProjectKey(facts_.project_no);
    }
    if (const Entry* e =
            FindBasic({u"项目名称", u"采购项目名称", u"原公告的采购项目名称", u"原公告采购项目名称",
                       u"原项目名称", u"工程名称", u"招标项目名称"})) {
      facts_.project_name = NameValue(e->value);
    }
    if (const Entry* e = FindBasic({u"采购方式", u"招标方式"})) {
      facts_.method = NameValue(e->value);
    } else {
      static constexpr QStringView kMethods[] = {u"公开招标",   u"邀请招标", u"竞争性磋商",
                                                 u"竞争性谈判", u"单一来源", u"询价"};
      for (QStringView method : kMethods) {
        if (title_.contains(method)) {
          facts_.method = method.toString();
          break;
        }
      }
    }
  }

  void MoneyFields() {
    if (const Entry* e =
            FindBasic({u"预算金额", u"采购预算", u"项目预算", u"采购预算金额", u"合同估算价"})) {
      facts_.budget_text = e->value;
      facts_.budget = ReadMoney(e->value, e->unit);
    }
    if (!facts_.budget) LotBudgets();
    if (const Entry* e =
            FindBasic({u"最高限价", u"最高投标限价", u"招标控制价", u"控制价", u"拦标价"})) {
      facts_.price_cap_text = e->value;
      facts_.price_cap = ReadMoney(e->value, e->unit);
    }
  }

  // "包1的预算金额：…" lines: their sum when every lot states money.
  void LotBudgets() {
    QStringList texts;
    double sum = 0;
    bool all = true;
    for (const Entry& e : entries_) {
      if (!InBasic(e.line)) continue;
      const QString& l = e.label;
      if (!(l.endsWith(u"预算金额") || l.endsWith(u"预算"))) continue;
      const qsizetype bao = l.indexOf(u'包');
      if (bao < 0) continue;
      const bool numbered =
          (bao + 1 < l.size() && IsDigit(l[bao + 1])) || (bao > 0 && IsDigit(l[bao - 1]));
      if (!numbered) continue;
      texts.append(e.value);
      const std::optional<double> money = ReadMoney(e.value, e.unit);
      if (money)
        sum += *money;
      else
        all = false;
    }
    if (texts.isEmpty()) return;
    if (facts_.budget_text.isEmpty()) facts_.budget_text = texts.join(u"；");
    if (all) facts_.budget = std::round(sum * 100.0) / 100.0;
  }

  void TimeFields() {
    // The documents: the window in the section for obtaining them.
    if (const Entry* e = FindIn({u"时间", u"获取时间", u"获取招标文件时间", u"获取采购文件时间",
                                 u"获取文件时间", u"文件获取时间"},
                                kDocs)) {
      facts_.docs_text = e->value;
    } else if (const int l = FirstDateLine(kDocs); l >= 0) {
      facts_.docs_text = LineText(l).toString();
    } else if (const Entry* f = FindOutsideContacts(
                   {u"获取招标文件时间", u"获取采购文件时间", u"获取文件时间"})) {
      facts_.docs_text = f->value;
    }
    if (!facts_.docs_text.isEmpty()) {
      const TimeWindow window = ReadWindow(facts_.docs_text);
      facts_.docs_from = window.from;
      facts_.docs_until = window.until;
    }

    // The deadline: a label in its section, else the first date there.
    int deadline_section = -1;
    if (const Entry* e =
            FindIn({u"截止时间", u"提交投标文件截止时间", u"投标截止时间", u"响应文件提交截止时间",
                    u"递交截止时间", u"投标文件递交截止时间", u"提交截止时间"},
                   kDeadline)) {
      facts_.deadline_text = e->value;
      deadline_section = SectionOf(e->line);
    } else if (const int l = FirstDateLine(kDeadline); l >= 0) {
      facts_.deadline_text = LineText(l).toString();
      deadline_section = SectionOf(l);
    } else if (const Entry* f = FindOutsideContacts(
                   {u"投标截止时间", u"提交投标文件截止时间", u"响应文件提交截止时间",
                    u"递交投标文件截止时间", u"投标文件递交截止时间"})) {
      facts_.deadline_text = f->value;
    } else {
      // "…并于2026年12月18日09点30分（北京时间）前递交投标文件。"
      for (int l = 0; l < static_cast<int>(lines_.size()) && SectionOf(l) == 0; ++l) {
        const QStringView line = LineText(l);
        const qsizetype at = line.indexOf(u"并于");
        if (at >= 0 && (line.contains(u"递交") || line.contains(u"提交")) &&
            StatesDate(line.mid(at))) {
          facts_.deadline_text = line.mid(at + 2).toString();
          break;
        }
      }
    }
    if (!facts_.deadline_text.isEmpty()) facts_.deadline = ReadTime(facts_.deadline_text);

    // The opening: its own section, or the deadline's when one heading
    // names both ("提交投标文件截止时间、开标时间和地点").
    const Entry* opening = FindIn({u"开标时间", u"开启时间", u"响应文件开启时间"}, kOpening);
    if (!opening) {
      opening = Find({u"时间"}, [&](const Entry& e) {
        const unsigned k = KindOfLine(e.line);
        return (k & kOpening) && !(k & kDeadline);
      });
    }
    if (opening) {
      facts_.opening_text = opening->value;
    } else if (deadline_section > 0 && (kinds_[deadline_section] & kOpening)) {
      facts_.opening_text = facts_.deadline_text;
    } else if (const int l = FirstDateLine(kOpening); l >= 0) {
      facts_.opening_text = LineText(l).toString();
    } else if (const Entry* f =
                   FindOutsideContacts({u"开标时间", u"响应文件开启时间", u"开启时间"})) {
      facts_.opening_text = f->value;
    }
    if (!facts_.opening_text.isEmpty()) facts_.opening_at = ReadTime(facts_.opening_text);
    if (const Entry* e = FindIn({u"地点", u"开标地点", u"开启地点"}, kOpening)) {
      facts_.opening_place = NameValue(e->value);
    } else if (const Entry* f = FindOutsideContacts({u"开标地点", u"开启地点"})) {
      facts_.opening_place = NameValue(f->value);
    }
  }

  void ContactFields() {
    if (!Has(kContacts)) {  // a page without a contact section: its labels anywhere
      auto value = [&](Labels labels) {
        const Entry* e = Find(labels, [](const Entry&) { return true; });
        return e ? NameValue(e->value) : QString();
      };
      facts_.buyer = value({u"采购人", u"采购单位", u"采购人名称", u"招标人"});
      facts_.agency = value({u"采购代理机构", u"代理机构", u"采购代理机构名称", u"招标代理机构"});
      facts_.contact_person = value({u"项目联系人"});
      facts_.contact_phone = value({u"联系电话", u"项目联系电话"});
      facts_.buyer_contact = value({u"采购人联系方式"});
      facts_.agency_contact = value({u"采购代理机构联系方式", u"代理机构联系方式"});
      return;
    }
    // Whose is each entry of the contact section: its block's heading
    // ("1.采购人信息"), else the party named last above it, or in its column
    // when the parties stand side by side.
    int buyer_column = -1, agency_column = -1, buyer_line = -1, agency_line = -1;
    for (const Entry& e : entries_) {
      if (!(KindOfLine(e.line) & kContacts) || PartyOf(e.line) != Party::kNone) continue;
      if (buyer_line < 0 && std::find(std::begin(kBuyerNames) + 1, std::end(kBuyerNames),
                                      e.label) != std::end(kBuyerNames)) {
        buyer_line = e.line;
        buyer_column = e.column;
      }
      if (agency_line < 0 && std::find(std::begin(kAgencyNames), std::end(kAgencyNames), e.label) !=
                                 std::end(kAgencyNames)) {
        agency_line = e.line;
        agency_column = e.column;
      }
    }
    const bool side_by_side =
        buyer_line >= 0 && buyer_line == agency_line && buyer_column != agency_column;
    Party current = Party::kNone;
    auto set = [](QString& field, const Entry& e) {
      if (field.isEmpty()) field = NameValue(e.value);
    };
    for (const Entry& e : entries_) {
      if (!(KindOfLine(e.line) & kContacts)) continue;
      const bool buyer_name = std::find(std::begin(kBuyerNames), std::end(kBuyerNames), e.label) !=
                              std::end(kBuyerNames);
      const bool agency_name = std::find(std::begin(kAgencyNames), std::end(kAgencyNames),
                                         e.label) != std::end(kAgencyNames);
      Party party = PartyOf(e.line);
      if (party == Party::kNone) {
        if (side_by_side) {
          party = e.column == buyer_column    ? Party::kBuyer
                  : e.column == agency_column ? Party::kAgency
                                              : Party::kNone;
        } else {
          if (buyer_name && e.label != u"名称") current = Party::kBuyer;
          if (agency_name) current = Party::kAgency;
          party = current;
        }
      }
      const QString& l = e.label;
      if (l == u"项目联系人") {
        set(facts_.contact_person, e);
        continue;
      }
      switch (party) {
        case Party::kBuyer:
          if (buyer_name)
            set(facts_.buyer, e);
          else if (l == u"联系方式")
            set(facts_.buyer_contact, e);
          else if (l == u"电话" || l == u"联系电话") {
            set(facts_.buyer_contact, e);
            if (PartyOf(e.line) == Party::kNone) set(facts_.contact_phone, e);
          } else if (l == u"联系人" && PartyOf(e.line) == Party::kNone) {
            set(facts_.contact_person, e);
          }
          break;
        case Party::kAgency:
          if (agency_name || l == u"名称")
            set(facts_.agency, e);
          else if (l == u"联系方式" || l == u"电话" || l == u"联系电话")
            set(facts_.agency_contact, e);
          break;
        case Party::kContact:
          if (l == u"联系人")
            set(facts_.contact_person, e);
          else if (l == u"电话" || l == u"联系电话" || l == u"联系方式")
            set(facts_.contact_phone, e);
          break;
        case Party::kNone:
          break;
      }
    }
  }

  // ---- Corrections ----

  void Changes() {
    if (const Entry* e =
            Find({u"更正日期", u"变更日期", u"更正公告日期"}, [](const Entry&) { return true; })) {
      facts_.corrected_on = ReadTime(e->value).left(10);
    }
    std::vector<std::pair<int, int>> ranges;  // line ranges to scan
    if (tops_.empty()) {
      ranges.push_back({0, static_cast<int>(lines_.size())});
    } else {
      for (size_t s = 1; s < kinds_.size(); ++s) {
        if (!(kinds_[s] & kChanges)) continue;
        const int begin = tops_[s - 1].line;
        ranges.push_back(
            {begin, s < tops_.size() ? tops_[s].line : static_cast<int>(lines_.size())});
      }
    }
    for (const auto& [begin, end] : ranges) {
      for (int l = begin; l < end && l < begin + kMaxSectionLines; ++l) {
        ScanChanges(LineText(l));
        if (facts_.changes.size() >= kMaxChanges) return;
      }
    }
  }

  // "原<label>：<old>，更正为：<new>" (also 变更为, 调整为, 修改为), more than
  // one to a line.
  void ScanChanges(QStringView line) {
    static constexpr QStringView kVerbs[] = {u"更正为", u"变更为", u"调整为", u"修改为"};
    struct Found {
      qsizetype start, colon, verb;
    };
    std::vector<Found> found;
    qsizetype from = 0;
    while (true) {
      qsizetype verb = -1;
      for (QStringView v : kVerbs) {
        const qsizetype at = line.indexOf(v, from);
        if (at >= 0 && (verb < 0 || at < verb)) verb = at;
      }
      if (verb < 0) break;
      const qsizetype floor = found.empty() ? 0 : found.back().verb + 3;
      for (qsizetype o = line.lastIndexOf(u'原', verb - 1); o >= floor;
           o = o > 0 ? line.lastIndexOf(u'原', o - 1) : -1) {
        qsizetype colon = -1;
        for (qsizetype k = o + 1; k < verb && k <= o + 41; ++k) {
          if (line[k] == u'：' || line[k] == u':') {
            colon = k;
            break;
          }
        }
        if (colon > o + 1) {
          found.push_back({o, colon, verb});
          break;
        }
      }
      from = verb + 3;
    }
    for (size_t i = 0; i < found.size(); ++i) {
      const Found& f = found[i];
      const qsizetype end = i + 1 < found.size() ? found[i + 1].start : line.size();
      QStringView label = line.mid(f.start + 1, f.colon - f.start - 1);
      QStringView old_text = TrimPunctuation(line.mid(f.colon + 1, f.verb - f.colon - 1));
      if (old_text.endsWith(u'现')) old_text = TrimPunctuation(old_text.chopped(1));
      qsizetype n = f.verb + 3;
      if (n < line.size() && (line[n] == u'：' || line[n] == u':')) ++n;
      const QStringView new_text = TrimPunctuation(line.mid(n, end - n));
      AddChange(NormaliseLabel(label).label, old_text.toString(), new_text.toString());
      if (facts_.changes.size() >= kMaxChanges) return;
    }
  }

  void AddChange(const QString& label, const QString& old_text, const QString& new_text) {
    auto add = [&](const char16_t* item) {
      const QString name = QString::fromUtf16(item);
      facts_.changes.append({name, old_text, new_text, ChangeValue(name, new_text)});
    };
    const bool place = label.contains(u"地点") || label.contains(u"地址");
    const bool opening = label.contains(u"开标") || label.contains(u"开启");
    if (place) {
      add(kItemOther);
    } else if (label.contains(u"获取")) {
      add(kItemDocsUntil);
    } else if (label.contains(u"截止") || label.contains(u"递交时间") ||
               label.contains(u"提交时间")) {
      add(kItemDeadline);
      if (opening) add(kItemOpeningAt);
    } else if (opening) {
      add(kItemOpeningAt);
    } else if (label.contains(u"预算")) {
      add(kItemBudget);
    } else {
      add(kItemOther);
    }
  }

  PageText text_;
  QString title_;
  Phase phase_ = Phase::kText;
  std::vector<Line> lines_;
  qsizetype scan_ = 0;
  std::vector<Heading> cn_, ar_, tops_;
  std::vector<std::vector<Heading>> subs_;
  std::vector<unsigned> kinds_;
  std::vector<Entry> entries_;
  QHash<QString, std::vector<int>> by_label_;
  std::vector<LabelKey> header_;
  PageFacts facts_;
};

FactsExtraction::FactsExtraction(QString html, QString title)
    : impl_(std::make_unique<Impl>(std::move(html), std::move(title))) {}

FactsExtraction::~FactsExtraction() = default;

bool FactsExtraction::Step(qsizetype budget) { return impl_->Step(budget); }
bool FactsExtraction::done() const { return impl_->done(); }
const PageFacts& FactsExtraction::facts() const { return impl_->facts(); }

QString ChangeValue(QStringView item, QStringView text) {
  if (item == QStringView(kItemDeadline) || item == QStringView(kItemOpeningAt))
    return ReadTime(text);
  if (item == QStringView(kItemDocsUntil)) {
    // The end of the window; a single time only where the text is no window.
    const QString until = ReadWindow(text).until;
    if (!until.isEmpty() || text.contains(u'至') || text.contains(u'到')) return until;
    return ReadTime(text);
  }
  if (item == QStringView(kItemBudget)) {
    const std::optional<double> money = ReadMoney(text);
    return money ? YuanText(*money) : QString();
  }
  return {};
}

PageFacts ExtractFacts(const QString& html, const QString& title) {
  FactsExtraction extraction(html, title);
  while (!extraction.Step(FactsExtraction::kStepChars)) {
  }
  return extraction.facts();
}

}  // namespace talvec
