// Turns one list page of a procurement channel into new announcements and
// decides whether the channel, or the whole cycle, needs further pages.
#pragma once

#include <QString>

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
  kNotStored,  // the page's rows could not be committed; nothing counted
};

// Whether a page's rows reached the file or the site gave a list at all.
inline bool HeldItems(PageOutcome o) {
  return o == PageOutcome::kKnown || o == PageOutcome::kCaughtUp || o == PageOutcome::kRead;
}

// A page that holds more items than this is cut: the site sends 25.
inline constexpr qsizetype kMaxItemsPerPage = 500;

// Everything after the fetch, on the page text. All items of a page are
// stored in one transaction; each item's rule sees the items before it. On
// kNotStored the state is as before the call, so the same text can be
// applied again.
PageOutcome ApplyListPage(CollectorEnv& env, const QString& text, int type);

// Whether a known item of `date` is passed over by its channel's rule
// (seven-day or catch-up test). A date that cannot be read is passed over:
// it cannot tell that the channel has caught up, and the next readable date
// on the page will.
bool WithinSevenDays(const QString& date, const QDate& today);
bool OnOrAfter(const QString& date, const QString& last_collection_date);

// An empty page, or one with the site's error words outside its list region
// [region_begin, region_end) (the whole page when region_begin < 0).
bool IsErrorPage(const QString& text, qsizetype region_begin, qsizetype region_end);

// The stored date of an item: its own when it reads as a date, otherwise
// the fallback (the result list's, or today).
QString ItemDate(const CollectorEnv& env, const QString& page_date);

}  // namespace talvec
