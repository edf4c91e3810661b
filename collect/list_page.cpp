#include "collect/list_page.h"

namespace talvec {

QStringView TextBetween(QStringView text, QStringView open, QStringView close) {
  const qsizetype start = text.indexOf(open);
  if (start < 0) return {};
  const qsizetype from = start + open.size();
  const qsizetype end = text.indexOf(close, from);
  if (end < 0) return {};
  return text.mid(from, end - from);
}

ParsedListPage ParseListPage(QStringView text, QStringView heading) {
  ParsedListPage page;
  const qsizetype begin = text.indexOf(heading);
  if (begin < 0) return page;
  const qsizetype end = text.indexOf(u"页次");
  if (end <= begin) {
    page.shape = ListPageShape::kNoRegion;
    return page;
  }
  page.region_begin = begin;
  page.region_end = end;
  const QStringView region = text.mid(begin, end - begin);
  static constexpr QStringView kItem = u"<li>";
  qsizetype at = region.indexOf(kItem);
  if (at < 0) {
    page.shape = ListPageShape::kNoItems;
    return page;
  }
  page.shape = ListPageShape::kItems;
  while (at >= 0) {
    const qsizetype body = at + kItem.size();
    const qsizetype next = region.indexOf(kItem, body);
    const QStringView item = region.mid(body, next < 0 ? region.size() - body : next - body);
    page.items.append({TextBetween(item, u"<a href=\"", u"\"").toString(),
                       TextBetween(item, u"title=\"", u"\"").toString(),
                       TextBetween(item, u"date\">", u"<").toString()});
    at = next;
  }
  return page;
}

}  // namespace talvec
