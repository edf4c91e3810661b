#include "competitors/summary.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <array>

#include "core/numeric.h"
#include "core/text.h"

namespace talvec {

namespace {

// Endings of the names of public bodies, longest first where one ends
// another ("委员会" before "会").
constexpr std::array<const char16_t*, 30> kBodyEndings = {
    u"委员会", u"办公室", u"办公厅", u"检察院", u"研究院", u"电视台", u"医院",   u"卫生院",
    u"大学",   u"中学",   u"小学",   u"学校",   u"学院",   u"中心",   u"公司",   u"党校",
    u"政府",   u"支队",   u"大队",   u"总队",   u"法院",   u"工会",   u"联合会", u"协会",
    u"局",     u"厅",     u"院",     u"馆",     u"委",     u"所"};

// Words with which the project part of a title begins.
constexpr std::array<const char16_t*, 7> kProjectMarks = {u"采购", u"项目", u"工程", u"服务",
                                                          u"招标", u"中标", u"成交"};

bool IsDate(const QString& date) {
  return date.size() >= 7 && IsAsciiDigit(date[0]) && IsAsciiDigit(date[3]) &&
         date[4] == QLatin1Char('-') && IsAsciiDigit(date[5]) && IsAsciiDigit(date[6]);
}

struct Building {
  CompanySummary summary;
  QHash<QString, int> body_wins;
  QStringList body_order;  // first seen first
  QHash<QString, int> month_wins;
};

}  // namespace

bool HasAmount(const QString& amount) {
  qsizetype k = 0;
  while (k < amount.size() && (amount[k] == u' ' || amount[k] == u'\t')) ++k;
  if (k < amount.size() && (amount[k] == u'+' || amount[k] == u'-')) ++k;
  if (k < amount.size() && IsAsciiDigit(amount[k])) return true;
  return k + 1 < amount.size() && amount[k] == u'.' && IsAsciiDigit(amount[k + 1]);
}

QString PublicBodyOfTitle(const QString& title) {
  QStringView text = TrimBlanks(title);
  if (text.startsWith(u"关于")) text = text.mid(2);
  qsizetype project = text.size();
  for (const char16_t* mark : kProjectMarks) {
    const qsizetype at = text.indexOf(QStringView(mark));
    if (at >= 0 && at < project) project = at;
  }
  const QStringView head = text.left(project);
  qsizetype end = -1;
  for (const char16_t* ending : kBodyEndings) {
    const QStringView e(ending);
    const qsizetype at = head.lastIndexOf(e);
    if (at >= 0) end = std::max(end, at + e.size());
  }
  // A lone ending ("局") names nothing.
  if (end <= 1) return {};
  return head.left(end).toString();
}

std::vector<CompanySummary> SummariseAwards(const std::vector<AwardRow>& rows) {
  std::vector<Building> building;
  QHash<QString, std::size_t> by_company;
  for (const AwardRow& row : rows) {
    auto it = by_company.constFind(row.company);
    std::size_t k;
    if (it == by_company.constEnd()) {
      k = building.size();
      by_company.insert(row.company, k);
      building.emplace_back();
      building.back().summary.company = row.company;
    } else {
      k = *it;
    }
    Building& b = building[k];
    CompanySummary& s = b.summary;
    ++s.wins;
    const QString amount = row.amount.ToString();
    if (HasAmount(amount)) {
      s.amount_sum += NumericValue(amount);
      ++s.with_amount;
    } else {
      ++s.without_amount;
    }
    if (IsDate(row.date)) {
      if (row.date > s.latest) s.latest = row.date;
      ++b.month_wins[row.date.left(7)];
    } else {
      ++s.undated;
    }
    const QString body = PublicBodyOfTitle(row.title.ToString());
    if (!body.isEmpty()) {
      int& wins = b.body_wins[body];
      if (wins++ == 0) b.body_order.append(body);
    }
  }

  std::vector<CompanySummary> result;
  result.reserve(building.size());
  for (Building& b : building) {
    CompanySummary& s = b.summary;
    s.bodies = b.body_order;
    std::stable_sort(s.bodies.begin(), s.bodies.end(), [&](const QString& x, const QString& y) {
      return b.body_wins.value(x) > b.body_wins.value(y);
    });
    for (auto it = b.month_wins.cbegin(); it != b.month_wins.cend(); ++it) {
      s.months.append({it.key(), it.value()});
    }
    std::sort(s.months.begin(), s.months.end());
    result.push_back(std::move(s));
  }
  std::sort(result.begin(), result.end(), [](const CompanySummary& a, const CompanySummary& b) {
    if (a.wins != b.wins) return a.wins > b.wins;
    if (a.amount_sum != b.amount_sum) return a.amount_sum > b.amount_sum;
    return a.company < b.company;
  });
  return result;
}

QString AmountText(const CompanySummary& summary) {
  if (summary.with_amount == 0) return {};
  QLocale grouped = QLocale::c();
  grouped.setNumberOptions({});  // the C locale omits group separators by default
  return grouped.toString(summary.amount_sum, 'f', 2);
}

}  // namespace talvec
