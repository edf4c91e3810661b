#include "desk/facts_card.h"

#include <algorithm>
#include <optional>

#include "desk/desk_rows.h"
#include "facts/values.h"

namespace talvec {

namespace {

QString Money(const std::optional<double>& yuan, const QString& text) {
  if (yuan) return BudgetWanText(yuan) + QStringLiteral("万元");
  return text;
}

QString MoneyOfValue(const QString& yuan_text) {
  bool ok = false;
  const double yuan = yuan_text.toDouble(&ok);
  return ok ? Money(yuan, {}) : yuan_text;
}

// The values an item had before its effective one, oldest first: the
// announcement's own, then what each correction set, without the value
// that stands now and without repeats.
CardFact Corrected(const QString& label, const QString& own, const QString& effective,
                   const QList<CorrectionRow>& newest_first, const QString& item,
                   QString (*shown)(const QString&)) {
  CardFact fact{label, shown(effective), {}, {}};
  QStringList chain{own};
  for (auto it = newest_first.crbegin(); it != newest_first.crend(); ++it) {
    if (it->item != item || it->new_value.isEmpty()) continue;
    chain << it->new_value;
    if (fact.corrected_on.isEmpty() || it->corrected_on > fact.corrected_on) {
      fact.corrected_on = it->corrected_on;
    }
  }
  for (const QString& value : chain) {
    if (value.isEmpty() || value == effective) continue;
    const QString text = shown(value);
    if (!fact.superseded.contains(text)) fact.superseded << text;
  }
  if (fact.superseded.isEmpty()) fact.corrected_on.clear();
  return fact;
}

QString AsIs(const QString& text) { return text; }

// The page's own facts; what it leaves out, from the project's announcement.
FactsRow Merged(const FactsRow& own, const std::optional<FactsRow>& announcement) {
  if (!announcement) return own;
  FactsRow r = own;
  const FactsRow& a = *announcement;
  auto fill = [](QString& mine, const QString& theirs) {
    if (mine.isEmpty()) mine = theirs;
  };
  fill(r.project_no, a.project_no);
  fill(r.project_name, a.project_name);
  fill(r.buyer, a.buyer);
  fill(r.buyer_contact, a.buyer_contact);
  fill(r.agency, a.agency);
  fill(r.agency_contact, a.agency_contact);
  fill(r.contact_person, a.contact_person);
  fill(r.contact_phone, a.contact_phone);
  fill(r.docs_from, a.docs_from);
  fill(r.docs_until, a.docs_until);
  fill(r.deadline, a.deadline);
  fill(r.opening_at, a.opening_at);
  fill(r.opening_place, a.opening_place);
  fill(r.method, a.method);
  if (!r.budget && r.budget_text.isEmpty()) {
    r.budget = a.budget;
    r.budget_text = a.budget_text;
  }
  if (!r.price_cap && r.price_cap_text.isEmpty()) {
    r.price_cap = a.price_cap;
    r.price_cap_text = a.price_cap_text;
  }
  return r;
}

}  // namespace

Result<FactsCard> ReadFactsCard(Database& db, const QString& title) {
  FactsCard card;
  card.title = title;
  Result<std::optional<QueuedPage>> listed = ReadQueuedPage(db, title);
  if (!listed) return Fail(listed.error());
  if (!*listed) return card;
  Result<std::optional<FactsRow>> own = ReadFacts(db, title);
  if (!own) return Fail(own.error());
  Result<QList<ProjectEntry>> timeline = ReadTimeline(db, title);
  if (!timeline) return Fail(timeline.error());
  card.timeline = std::move(*timeline);
  if (!*own) {
    card.state = CardState::kUnread;
    return card;
  }
  card.state = (*own)->state == FactsState::kRead     ? CardState::kRead
               : (*own)->state == FactsState::kNoFacts ? CardState::kNoFacts
                                                      : CardState::kFailed;
  if (card.state != CardState::kRead) return card;

  Result<EffectiveFacts> effective = ReadEffectiveFacts(db, title);
  if (!effective) return Fail(effective.error());
  std::optional<FactsRow> announcement;
  if (!effective->announcement.isEmpty() && effective->announcement != title) {
    Result<std::optional<FactsRow>> a = ReadFacts(db, effective->announcement);
    if (!a) return Fail(a.error());
    announcement = *a;
  }
  Result<QList<CorrectionRow>> corrections = ReadProjectCorrections(db, title);
  if (!corrections) return Fail(corrections.error());
  const FactsRow f = Merged(**own, announcement);
  // The values corrections start from: the announcement's own.
  const FactsRow& base = announcement ? *announcement : **own;
  const bool has_effective = !effective->announcement.isEmpty();
  auto pick = [&](const QString& eff, const QString& mine) { return has_effective ? eff : mine; };

  QList<CardFact>& out = card.facts;
  out.append({QStringLiteral("项目编号"), f.project_no, {}, {}});
  out.append({QStringLiteral("项目名称"), f.project_name, {}, {}});
  {
    const std::optional<double> budget = has_effective ? effective->budget : f.budget;
    const QString own_budget = base.budget ? YuanText(*base.budget) : QString();
    CardFact fact = Corrected(QStringLiteral("预算金额"), own_budget,
                              budget ? YuanText(*budget) : QString(), *corrections,
                              QStringLiteral("Budget"), MoneyOfValue);
    if (!budget) fact.value = f.budget_text;
    out.append(fact);
  }
  out.append({QStringLiteral("最高限价"), Money(f.price_cap, f.price_cap_text), {}, {}});
  out.append({QStringLiteral("采购方式"), f.method, {}, {}});
  {
    CardFact docs = Corrected(QStringLiteral("获取文件"), base.docs_until,
                              pick(effective->docs_until, f.docs_until), *corrections,
                              QStringLiteral("DocsUntil"), AsIs);
    if (!f.docs_from.isEmpty() || !docs.value.isEmpty()) {
      docs.value = f.docs_from + QStringLiteral(" 至 ") + docs.value;
    }
    out.append(docs);
  }
  out.append(Corrected(QStringLiteral("截止时间"), base.deadline,
                       pick(effective->deadline, f.deadline), *corrections,
                       QStringLiteral("Deadline"), AsIs));
  out.append(Corrected(QStringLiteral("开标时间"), base.opening_at,
                       pick(effective->opening_at, f.opening_at), *corrections,
                       QStringLiteral("OpeningAt"), AsIs));
  out.append({QStringLiteral("开标地点"), f.opening_place, {}, {}});
  out.append({QStringLiteral("采购人"), f.buyer, {}, {}});
  if (!f.buyer_contact.isEmpty()) out.append({QStringLiteral("采购人联系方式"), f.buyer_contact, {}, {}});
  out.append({QStringLiteral("代理机构"), f.agency, {}, {}});
  if (!f.agency_contact.isEmpty()) {
    out.append({QStringLiteral("代理机构联系方式"), f.agency_contact, {}, {}});
  }
  out.append({QStringLiteral("联系人"), f.contact_person, {}, {}});
  out.append({QStringLiteral("联系电话"), f.contact_phone, {}, {}});
  for (auto it = corrections->crbegin(); it != corrections->crend(); ++it) {
    if (it->item != QLatin1String("Other")) continue;
    out.append({QStringLiteral("其他更正"), it->new_text,
                it->old_text.isEmpty() ? QStringList() : QStringList{it->old_text},
                it->corrected_on});
  }
  return card;
}

QString FactsCardText(const FactsCard& card) {
  QStringList lines{card.title};
  for (const CardFact& f : card.facts) {
    if (f.value.isEmpty()) continue;
    QString line = f.label + QStringLiteral("：") + f.value;
    if (!f.corrected_on.isEmpty()) {
      line += QStringLiteral("（%1更正，原为%2）").arg(f.corrected_on, f.superseded.join(u'、'));
    }
    lines << line;
  }
  return lines.join(u'\n');
}

}  // namespace talvec
