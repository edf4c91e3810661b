// Turns one list page of a procurement channel into new announcements and
// decides whether the channel, or the whole cycle, needs further pages.
#pragma once

#include <QString>
#include <qcorotask.h>

#include "collect/collection_state.h"

namespace talvec {

enum class PageOutcome {
  kUnusable,   // empty or an error page: the network-loss reaction ran
  kNoHeading,  // asked again in the next pass
  kNoRegion,   // asked again in the next pass
  kNoItems,    // the channel is done
  kKnown,      // a known title ended the channel
  kCaughtUp,   // the catch-up test ended the cycle
  kRead,       // every item read; the page counter went up
  kNotStored,  // the page's rows could not be committed; asked again
};

// Everything after the fetch, on the page text. All items of a page are
// stored in one transaction; each item's rule sees the items before it.
PageOutcome ApplyListPage(CollectorEnv& env, const QString& text, int type);

// Fetches `address` and applies it for the channel of `type` (1..10).
QCoro::Task<PageOutcome> CollectListPage(CollectorEnv& env, QString address, int type);

// Whether a known item of `date` is passed over by its channel's rule
// (seven-day or catch-up test). A date that cannot be read is passed over:
// it cannot tell that the channel has caught up, and the next readable date
// on the page will.
bool WithinSevenDays(const QString& date, const QDate& today);
bool OnOrAfter(const QString& date, const QString& last_collection_date);

}  // namespace talvec
