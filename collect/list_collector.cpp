#include "collect/list_collector.h"

#include <QLoggingCategory>

#include "collect/list_page.h"
#include "net/network_status.h"
#include "core/database.h"

Q_LOGGING_CATEGORY(lcCollect, "talvec.collect")

namespace talvec {

QString CollectorEnv::FallbackDate() const {
  const QString from_list = fallback_date ? fallback_date() : QString();
  return from_list.isEmpty() ? DateText(Today()) : from_list;
}

bool WithinSevenDays(const QString& date, const QDate& today) {
  const std::optional<QDate> d = ReadDate(date);
  return !d || d->daysTo(today) < 7;
}

bool OnOrAfter(const QString& date, const QString& last_collection_date) {
  const std::optional<QDate> d = ReadDate(date);
  const std::optional<QDate> last = ReadDate(last_collection_date);
  return !d || !last || *d >= *last;
}

bool IsErrorPage(const QString& text, qsizetype region_begin, qsizetype region_end) {
  if (text.isEmpty()) return true;
  if (region_begin < 0) return HasErrorWords(text);
  const QStringView all(text);
  return HasErrorWords(all.left(region_begin)) || HasErrorWords(all.mid(region_end));
}

QString ItemDate(const CollectorEnv& env, const QString& page_date) {
  const std::optional<QDate> date = ReadDate(page_date);
  return date ? DateText(*date) : env.FallbackDate();
}

PageOutcome ApplyListPage(CollectorEnv& env, const QString& text, int type) {
  const ChannelInfo* channel = ChannelOfType(type);
  if (!channel) return PageOutcome::kNoHeading;
  const ParsedListPage page = ParseListPage(text, channel->Heading());
  // A list page may carry the error words inside a title: only text outside
  // the list region makes it an error page.
  if (IsErrorPage(text, page.region_begin, page.region_end)) {
    env.network.NetworkLossReaction();
    return PageOutcome::kUnusable;
  }
  switch (page.shape) {
    case ListPageShape::kNoHeading:
      return PageOutcome::kNoHeading;
    case ListPageShape::kNoRegion:
      return PageOutcome::kNoRegion;
    case ListPageShape::kNoItems:
      env.state.OfType(type).ChannelDoneFlag = true;
      return PageOutcome::kNoItems;
    case ListPageShape::kItems:
      break;
  }
  if (page.items.size() > kMaxItemsPerPage) {
    qCWarning(lcCollect) << "page of type" << type << "holds" << page.items.size()
                         << "items; the first" << kMaxItemsPerPage << "are read";
  }

  ChannelState& cs = env.state.OfType(type);
  const QDate today = env.Today();
  // When the page's rows do not reach the file, nothing of its reading
  // counts: the same page is asked for again.
  const CollectionState before = env.state;
  Database::Transaction tx(env.db);
  if (!tx.active()) {
    qCWarning(lcCollect) << "page not stored:" << env.db.LastError();
    return PageOutcome::kNotStored;
  }
  AnnouncementStore store(env.db);
  auto finish = [&](PageOutcome outcome) {
    if (!tx.Commit()) {
      qCWarning(lcCollect) << "page not stored:" << env.db.LastError();
      env.state = before;
      return PageOutcome::kNotStored;
    }
    return outcome;
  };
  for (qsizetype i = 0; i < page.items.size() && i < kMaxItemsPerPage; ++i) {
    const ListItem& raw = page.items[i];
    if (raw.title.isEmpty()) continue;
    ListItem item = raw;
    item.date = ItemDate(env, item.date);
    const StoredAnnouncement stored = StoredForm(item);
    const StoreOutcome outcome = store.Store(stored, type);
    if (outcome == StoreOutcome::kFailed) {
      env.state = before;
      return PageOutcome::kNotStored;
    }
    if (outcome == StoreOutcome::kNew) ++env.state.new_announcements;
    if (outcome != StoreOutcome::kKnown) continue;
    switch (channel->rule) {
      case KnownTitleRule::kChannelDone:
        cs.ChannelDoneFlag = true;
        return finish(PageOutcome::kKnown);
      case KnownTitleRule::kSevenDayTest:
        if (WithinSevenDays(stored.date, today)) continue;
        cs.ChannelDoneFlag = true;
        return finish(PageOutcome::kKnown);
      case KnownTitleRule::kCatchUpTest: {
        if (OnOrAfter(stored.date, env.state.LastCollectionDate)) continue;
        cs.ChannelDoneFlag = true;
        env.state.StopCollection = true;
        env.state.LastCollectionDate = DateText(today);
        if (!env.db.Execute("UPDATE SysSet SET CollectionDate = ?", env.state.LastCollectionDate)) {
          env.state = before;
          return PageOutcome::kNotStored;
        }
        return finish(PageOutcome::kCaughtUp);
      }
    }
  }
  ++cs.PageCounter;
  return finish(PageOutcome::kRead);
}

}  // namespace talvec
