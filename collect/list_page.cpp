#include "collect/list_page.h"

#include <QRegularExpression>

#include "core/database.h"
#include "core/text.h"

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

std::optional<QDate> ReadDate(const QString& text) {
  static const QRegularExpression date_form(
      QStringLiteral("^\\s*(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?(?:[ "
                     "T]+[0-9:.]*)?\\s*$"));
  const QRegularExpressionMatch m = date_form.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QDate date(m.capturedView(1).toInt(), m.capturedView(2).toInt(), m.capturedView(3).toInt());
  if (!date.isValid()) return std::nullopt;
  return date;
}

QString ReformatDate(const QString& text) {
  const std::optional<QDate> date = ReadDate(text);
  return date ? DateText(*date) : text;
}

StoredAnnouncement StoredForm(const ListItem& item) {
  return {CutChars(TrimBlanks(item.title), 127), CutChars(TrimBlanks(item.address), 255),
          CutChars(TrimBlanks(item.date), 20)};
}

AnnouncementStore::AnnouncementStore(Database& db)
    : db_(db),
      insert_(db.Prepare("INSERT OR IGNORE INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)")) {}

StoreOutcome AnnouncementStore::Store(const StoredAnnouncement& item, int type) {
  if (item.title.isEmpty()) return StoreOutcome::kSkipped;
  // The unique index on MC decides between a new and a known title in one
  // statement; it sees the rows this page added before.
  insert_.Reset();
  if (!insert_.BindAll(item.title, item.address, item.date, type).Run()) {
    // A statement keeps its failure; the next item gets a fresh one.
    insert_ = db_.Prepare("INSERT OR IGNORE INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)");
    return StoreOutcome::kFailed;
  }
  return db_.Changes() > 0 ? StoreOutcome::kNew : StoreOutcome::kKnown;
}

}  // namespace talvec
