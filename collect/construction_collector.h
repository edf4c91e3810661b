// The tender list of the construction-tender site: its first page is read
// once at the start of every collection cycle.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

#include "collect/collection_state.h"
#include "collect/page_store.h"
#include "net/page_fetcher.h"

namespace talvec {

// The site's address, fixed when the program is built.
QString ConstructionBaseAddress();
QString ConstructionListAddress(const QString& base);

struct ConstructionRow {
  QString address;  // absolute
  QString title;    // as the row gives it
  QString place;
  QString date;  // "YYYY-MM-DD" when it reads as a date
};

// The rows of the list region, header row left out; nothing when the region
// markers are missing or the region holds no "<tr>".
std::optional<QList<ConstructionRow>> ParseConstructionList(QStringView text, const QString& base);

// "四川省" + place + title + "--四川建设网", leaving out what the title
// already contains.
QString ComposeConstructionTitle(const QString& title, const QString& place);

// Everything after the fetch, as for a channel's list page (ApplyListPage):
// kUnusable, kTooLarge, kNoRegion when the list cannot be found, or what
// storing its rows gave; the reading stops at a known tender dated before the
// last collection (kKnown).
PageOutcome ApplyConstructionList(CollectorEnv& env, const FetchResult& page, const QString& base,
                                  int type);

}  // namespace talvec
