// Reading list pages: the procurement site's channel lists, and the fields
// an announcement is stored with.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

#include "core/database.h"

namespace talvec {

// One item of a list page, its parts as the page gives them (no character
// references decoded, the address relative or absolute as it stands).
struct ListItem {
  QString address;
  QString title;
  QString date;
};

enum class ListPageShape {
  kNoHeading,  // the channel's heading is not on the page
  kNoRegion,   // no "页次" after the heading
  kNoItems,    // a region without "<li>"
  kItems,
};

struct ParsedListPage {
  ListPageShape shape = ListPageShape::kNoHeading;
  // The list region [begin, end) of the page text; -1 without a region.
  qsizetype region_begin = -1;
  qsizetype region_end = -1;
  QList<ListItem> items;
};

// The text between the first `open` and the next `close` after it; empty
// when either mark is missing.
QStringView TextBetween(QStringView text, QStringView open, QStringView close);

// The list region runs from the heading to just before the first "页次" of
// the page; every "<li>" in it starts an item.
ParsedListPage ParseListPage(QStringView text, QStringView heading);

// A date as "YYYY-MM-DD" when the text reads as one (2016-3-5, 2016/03/05,
// 2016年3月5日, optionally followed by a time); other text unchanged.
QString ReformatDate(const QString& text);
std::optional<QDate> ReadDate(const QString& text);
inline QString DateText(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

// The fields as they are stored and looked up: blanks trimmed, title cut to
// 127 characters, address to 255, date to 20.
struct StoredAnnouncement {
  QString title;
  QString address;
  QString date;
};
StoredAnnouncement StoredForm(const ListItem& item);

enum class StoreOutcome {
  kNew,      // a row was added
  kKnown,    // the title is already stored
  kSkipped,  // blank title
  kFailed,   // the statement failed
};
// Adds announcements unless their (stored-form) title is already there; one
// prepared statement serves a whole page.
class AnnouncementStore {
 public:
  explicit AnnouncementStore(Database& db);
  StoreOutcome Store(const StoredAnnouncement& item, int type);

 private:
  Database& db_;
  Statement insert_;
};

}  // namespace talvec
