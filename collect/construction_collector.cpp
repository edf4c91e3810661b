#include "collect/construction_collector.h"

#include "collect/list_collector.h"
#include "collect/list_page.h"
#include "core/dates.h"
#include "net/network_status.h"

#ifndef TALVEC_CONSTRUCTION_BASE
#define TALVEC_CONSTRUCTION_BASE "http://127.0.0.1:8181"
#endif

namespace talvec {

QString ConstructionBaseAddress() { return QStringLiteral(TALVEC_CONSTRUCTION_BASE); }

QString ConstructionListAddress(const QString& base) {
  return base + QLatin1String("/InvestmentInfo/ZhaoBiao/InvitNotice.aspx?typeid=0&&type=ZBGG");
}

namespace {

// The piece after the second "<span", cut at every `">`: piece `index`, up
// to its first "<".
QString SpanPiece(QStringView row, int index) {
  qsizetype at = row.indexOf(u"<span");
  if (at >= 0) at = row.indexOf(u"<span", at + 1);
  if (at < 0) return {};
  QStringView rest = row.mid(at + 5);
  for (int i = 0; i < index; ++i) {
    const qsizetype cut = rest.indexOf(u"\">");
    if (cut < 0) return {};
    rest = rest.mid(cut + 2);
  }
  const qsizetype next_cut = rest.indexOf(u"\">");
  if (next_cut >= 0) rest = rest.left(next_cut);
  const qsizetype lt = rest.indexOf(u'<');
  return (lt < 0 ? rest : rest.left(lt)).toString();
}

}  // namespace

std::optional<QList<ConstructionRow>> ParseConstructionList(QStringView text, const QString& base) {
  const qsizetype begin = text.indexOf(u"ContentPlaceHolder1_GVList", 0, Qt::CaseInsensitive);
  if (begin < 0) return std::nullopt;
  const qsizetype end = text.indexOf(u"ContentPlaceHolder1_myPager", 0, Qt::CaseInsensitive);
  if (end <= begin) return std::nullopt;
  const QStringView region = text.mid(begin, end - begin);
  static constexpr QStringView kRow = u"<tr>";
  qsizetype at = region.indexOf(kRow);
  if (at < 0) return std::nullopt;
  QList<ConstructionRow> rows;
  bool header = true;
  while (at >= 0) {
    const qsizetype body = at + kRow.size();
    const qsizetype next = region.indexOf(kRow, body);
    const QStringView row = region.mid(body, next < 0 ? region.size() - body : next - body);
    at = next;
    if (header) {
      header = false;
      continue;
    }
    ConstructionRow r;
    // A row without a complete link keeps an empty address.
    const qsizetype href = row.indexOf(u"<a href=\"");
    if (href >= 0 && row.indexOf(u'"', href + 9) >= 0) {
      r.address = base + QLatin1String("/InvestmentInfo/ZhaoBiao/") +
                  TextBetween(row, u"<a href=\"", u"\"").toString();
    }
    r.title = TextBetween(row, u"title=\"", u"\"").toString();
    r.place = SpanPiece(row, 1);
    r.date = ReformatDate(SpanPiece(row, 2));
    rows.append(std::move(r));
  }
  return rows;
}

QString ComposeConstructionTitle(const QString& title, const QString& place) {
  QString composed = title;
  if (!composed.contains(place)) composed.prepend(place);
  static const QString kProvince = QStringLiteral("四川省");
  if (!composed.contains(kProvince)) composed.prepend(kProvince);
  return composed + QStringLiteral("--四川建设网");
}

PageOutcome ApplyConstructionList(CollectorEnv& env, const FetchResult& page, const QString& base,
                                  int type) {
  if (!page && page.error().Is(Error::Kind::kTooLarge)) return SkipTooLargePage(env, nullptr);
  const QString text = page.value_or(QString());
  const qsizetype begin = text.indexOf(u"ContentPlaceHolder1_GVList", 0, Qt::CaseInsensitive);
  const qsizetype end = text.indexOf(u"ContentPlaceHolder1_myPager", 0, Qt::CaseInsensitive);
  // Titles may carry the error words; only text outside the list counts.
  if (begin >= 0 && end > begin ? IsErrorPage(text, begin, end) : IsErrorPage(text, -1, -1)) {
    env.network.NetworkLossReaction();
    return PageOutcome::kUnusable;
  }
  const std::optional<QList<ConstructionRow>> rows = ParseConstructionList(text, base);
  if (!rows) return PageOutcome::kNoRegion;
  QList<ListItem> items;
  items.reserve(rows->size());
  for (const ConstructionRow& row : *rows) {
    // A row without a title is left out, whatever its place name.
    items.append({row.address,
                  row.title.isEmpty() ? QString() : ComposeConstructionTitle(row.title, row.place),
                  row.date});
  }
  return StorePage(env, items, type, nullptr);
}

}  // namespace talvec
