// The tender list of the construction-tender site: its first page is read
// once at the start of every collection cycle.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

#include "collect/collection_state.h"

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

enum class ConstructionOutcome { kUnusable, kNoList, kKnown, kRead, kNotStored };

// Everything after the fetch, on the page text; like ApplyListPage, all rows
// in one transaction, and on kNotStored the state is as before.
ConstructionOutcome ApplyConstructionList(CollectorEnv& env, const QString& text,
                                          const QString& base, int type);

}  // namespace talvec
