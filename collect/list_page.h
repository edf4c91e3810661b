// Reading the procurement site's channel list pages: the list region and
// its items, as the page gives them.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

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

}  // namespace talvec
