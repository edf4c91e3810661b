// Storing a list page's items, for both sites: each item in the form it is
// stored and looked up, all of a page in one transaction, the rule that ends
// a reading at a title it already has, and the progress a reading keeps for
// a cycle that is cut short.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "collect/collection_state.h"
#include "collect/list_page.h"
#include "core/database.h"
#include "core/error.h"

namespace talvec {

// What became of one page (a channel's list page or the construction list).
enum class PageOutcome {
  kUnusable,   // empty or an error page: the network-loss reaction ran
  kTooLarge,   // over the size limit: skipped, the reading goes on after it
  kNoHeading,  // asked again in the next pass
  kNoRegion,   // asked again in the next pass
  kNoItems,    // the channel is done
  kKnown,      // a known title ended the reading
  kCaughtUp,   // the catch-up test ended the cycle
  kRead,       // every item read; the reading goes on with its page counter
  kNotStored,  // the page's rows could not be committed; nothing counted
};

// Whether a page's rows reached the file.
inline bool HeldItems(PageOutcome o) {
  return o == PageOutcome::kKnown || o == PageOutcome::kCaughtUp || o == PageOutcome::kRead;
}

// A page that holds more items than this is cut: the sites send 20 or 25.
inline constexpr qsizetype kMaxItemsPerPage = 500;

// The fields as they are stored and looked up: blanks trimmed, title cut to
// 127 characters, address to 255, date to 20.
struct StoredAnnouncement {
  QString title;
  QString address;
  QString date;
};
StoredAnnouncement StoredForm(const ListItem& item);

// The stored date of an item: its own when it reads as a date, otherwise
// the fallback (the result list's, or today).
QString ItemDate(const CollectorEnv& env, const QString& page_date);

// Whether a known item of `date` is passed over by its channel's rule
// (seven-day or catch-up test). A date that cannot be read is passed over:
// it cannot tell that the channel has caught up, and the next readable date
// on the page will.
bool WithinSevenDays(const QString& date, const QDate& today);
bool OnOrAfter(const QString& date, const QString& last_collection_date);

// Stores the items of one page, in page order, in one transaction; each
// item's rule sees the items before it. `channel` is the channel read, with
// its state in env.state; null for the construction list, whose reading
// stops at a known tender dated before the last collection. Items beyond
// kMaxItemsPerPage are left unread and counted as a page too large. On
// kNotStored the state is as before the call (with write_failure saying
// why), so the same items can be stored again.
PageOutcome StorePage(CollectorEnv& env, const QList<ListItem>& items, int type,
                      const ChannelInfo* channel);

// One item at a time: adds announcements unless their title is already
// there; one prepared statement serves a whole page.
enum class StoreOutcome {
  kNew,      // a row was added
  kKnown,    // the title is already stored
  kSkipped,  // blank title
  kFailed,   // the statement failed
};
class AnnouncementStore {
 public:
  explicit AnnouncementStore(Database& db);
  StoreOutcome Store(const StoredAnnouncement& item, int type);

  // The ID and type of the row holding `title`, nothing when there is none.
  struct Row {
    std::int64_t id = 0;
    int type = 0;
  };
  Result<std::optional<Row>> Find(const QString& title);

  // Why the last statement failed.
  const Error& failure() const { return failure_; }

 private:
  Database& db_;
  Statement insert_;
  Statement find_;
  Error failure_;
};

}  // namespace talvec
