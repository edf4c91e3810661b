#include "collect/list_collector.h"

#include <QLoggingCategory>

#include "collect/list_page.h"
#include "collect/network_status.h"
#include "collect/page_fetcher.h"
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

PageOutcome ApplyListPage(CollectorEnv& env, const QString& text, int type) {
  const ChannelInfo* channel = ChannelOfType(type);
  if (!channel) return PageOutcome::kNoHeading;
  if (IsUnusablePage(text)) {
    env.network.NetworkLossReaction();
    return PageOutcome::kUnusable;
  }
  const ParsedListPage page = ParseListPage(text, channel->Heading());
  switch (page.shape) {
    case ListPageShape::kNoHeading: return PageOutcome::kNoHeading;
    case ListPageShape::kNoRegion: return PageOutcome::kNoRegion;
    case ListPageShape::kNoItems:
      env.state.OfType(type).ChannelDoneFlag = true;
      return PageOutcome::kNoItems;
    case ListPageShape::kItems: break;
  }
  env.network.StartWorkingPulse();

  ChannelState& cs = env.state.OfType(type);
  const QDate today = env.Today();
  // When the page's rows do not reach the file, nothing of its reading
  // counts: the same page is asked for again.
  const CollectionState before = env.state;
  Database::Transaction tx(env.db);
  if (!tx.active()) {
    // The file cannot be written now (another program holds it): nothing of
    // the page counts, it is asked for again.
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
  for (const ListItem& raw : page.items) {
    if (raw.title.isEmpty()) continue;
    ListItem item = raw;
    item.date = ReformatDate(item.date);
    if (item.date.isEmpty()) item.date = env.FallbackDate();
    const StoredAnnouncement stored = StoredForm(item);
    const StoreOutcome outcome = store.Store(stored, type);
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
          qCWarning(lcCollect) << "CollectionDate not written:" << env.db.LastError();
        }
        return finish(PageOutcome::kCaughtUp);
      }
    }
  }
  ++cs.PageCounter;
  return finish(PageOutcome::kRead);
}

QCoro::Task<PageOutcome> CollectListPage(CollectorEnv& env, QString address, int type) {
  const QString text = co_await env.fetcher.FetchPage(std::move(address), QStringLiteral("UTF-8"));
  co_return ApplyListPage(env, text, type);
}

}  // namespace talvec
