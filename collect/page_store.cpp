#include "collect/page_store.h"

#include <QLoggingCategory>
#include <algorithm>

#include "collect/list_collector.h"
#include "collect/unfinished_channels.h"
#include "core/dates.h"
#include "core/settings.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcStore, "talvec.collect.store")

namespace talvec {

QString CollectorEnv::FallbackDate() const {
  const QString from_list = fallback_date ? fallback_date() : QString();
  return from_list.isEmpty() ? DateText(Today()) : from_list;
}

StoredAnnouncement StoredForm(const ListItem& item) {
  return {CutChars(TrimBlanks(item.title), 127), CutChars(TrimBlanks(item.address), 255),
          CutChars(TrimBlanks(item.date), 20)};
}

QString ItemDate(const CollectorEnv& env, const QString& page_date) {
  const std::optional<QDate> date = ReadDate(page_date);
  return date ? DateText(*date) : env.FallbackDate();
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

AnnouncementStore::AnnouncementStore(Database& db)
    : db_(db),
      insert_(db.Prepare("INSERT OR IGNORE INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)")) {}

StoreOutcome AnnouncementStore::Store(const StoredAnnouncement& item, int type) {
  if (item.title.isEmpty()) return StoreOutcome::kSkipped;
  // The unique index on MC decides between a new and a known title in one
  // statement; it sees the rows this page added before.
  insert_.Reset();
  // Reset starts clean: a failed item leaves nothing for the next.
  if (Result<void> done = insert_.BindAll(item.title, item.address, item.date, type).Run();
      !done) {
    failure_ = done.error();
    return StoreOutcome::kFailed;
  }
  return db_.Changes() > 0 ? StoreOutcome::kNew : StoreOutcome::kKnown;
}

Result<std::optional<AnnouncementStore::Row>> AnnouncementStore::Find(const QString& title) {
  if (!find_.ok()) find_ = db_.Prepare("SELECT ID, LX FROM List WHERE MC = ?");
  find_.Reset();
  find_.Bind(1, title);
  if (find_.Next()) return Row{find_.Int(0), static_cast<int>(find_.Int(1))};
  if (!find_.ok()) {
    failure_ = find_.error();
    find_ = Statement();
    return Fail(failure_);
  }
  return std::nullopt;
}

namespace {

// Pages between two records of a reading's progress.
constexpr qint32 kSaveProgressPages = 8;

// How a channel's reading takes a title it already has.
enum class Met {
  kKnown,   // its rule applies
  kPassed,  // stored by a reading that did not finish: passed over
  kResume,  // stored by the reading to resume: go on at its page
};

Result<Met> Classify(const CollectionState& state, const ChannelState& cs, int type,
                     AnnouncementStore& store, const QString& title) {
  // Without an unfinished reading before this cycle, every stored title is
  // known, as are the rows this cycle stored itself.
  if (!cs.unfinished || cs.unfinished->since_id >= state.start_id) return Met::kKnown;
  const Result<std::optional<AnnouncementStore::Row>> row = store.Find(title);
  if (!row) return Fail(row.error());
  if (!*row || (*row)->id <= cs.unfinished->since_id || (*row)->id > state.start_id) {
    return Met::kKnown;
  }
  const UnfinishedReading& u = *cs.unfinished;
  // A row of the reading that saved the page to resume at lies on a page it
  // had read; so did everything between it and that page.
  if (!cs.resumed && (*row)->type == type && (*row)->id > u.resume_from &&
      (*row)->id <= u.resume_to && u.resume_page > cs.PageCounter) {
    return Met::kResume;
  }
  return Met::kPassed;
}

// Records, in the page's transaction, how far the channel's reading got: a
// finished reading leaves nothing behind (unless it skipped a page); an
// unfinished one is the reading a later cycle resumes once it has reached
// the page its predecessor had read up to.
Result<> SaveProgress(CollectorEnv& env, const ChannelInfo& channel, ChannelState& cs,
                      bool finished) {
  const QString code = QLatin1String(channel.code);
  if (finished && cs.skipped_page == 0) return ClearUnfinishedChannel(env.db, code);
  if (cs.unfinished && !cs.resumed) return {};
  // Written with the reading's first page, after a jump and then every few
  // pages: a later cycle resumes at the page last written and reads again
  // what followed it.
  if (!finished && cs.saved_page > 0 && cs.PageCounter - cs.saved_page < kSaveProgressPages) {
    return {};
  }
  cs.saved_page = cs.PageCounter;
  const Result<std::int64_t> last = LastListId(env.db);
  if (!last) return Fail(last.error());
  UnfinishedReading reading;
  reading.since_id =
      cs.unfinished ? std::min(cs.unfinished->since_id, env.state.start_id) : env.state.start_id;
  reading.resume_page = cs.skipped_page > 0 ? cs.skipped_page : cs.PageCounter;
  reading.resume_from = env.state.start_id;
  reading.resume_to = *last;
  return SaveUnfinishedChannel(env.db, code, reading);
}

}  // namespace

PageOutcome StorePage(CollectorEnv& env, const QList<ListItem>& items, int type,
                      const ChannelInfo* channel) {
  CollectionState& state = env.state;
  // When the page's rows do not reach the file, nothing of its reading
  // counts: the same page is asked for again.
  const CollectionState before = state;
  auto not_stored = [&](const Error& why) {
    qCWarning(lcStore) << "page not stored:" << why.FullText();
    state = before;
    state.write_failure = why.message;
    return PageOutcome::kNotStored;
  };
  Database::Transaction tx(env.db);
  if (!tx.active()) return not_stored(tx.error());
  ChannelState* cs = channel ? &state.OfType(type) : nullptr;
  if (cs && cs->unfinished && cs->PageCounter >= cs->unfinished->resume_page) cs->resumed = true;
  auto finish = [&](PageOutcome outcome) {
    if (cs) {
      const bool finished = outcome != PageOutcome::kRead;
      if (const Result<> saved = SaveProgress(env, *channel, *cs, finished); !saved) {
        return not_stored(saved.error());
      }
    }
    if (Result<void> committed = tx.Commit(); !committed) return not_stored(committed.error());
    return outcome;
  };
  if (items.isEmpty() && cs) {
    cs->ChannelDoneFlag = true;
    return finish(PageOutcome::kNoItems);
  }
  if (items.size() > kMaxItemsPerPage) {
    ++state.too_large_pages;
    qCWarning(lcStore) << "page of type" << type << "holds" << items.size() << "items; the first"
                       << kMaxItemsPerPage << "are read";
  }

  AnnouncementStore store(env.db);
  const QDate today = env.Today();
  for (qsizetype i = 0; i < items.size() && i < kMaxItemsPerPage; ++i) {
    const ListItem& raw = items[i];
    if (raw.title.isEmpty()) continue;
    const StoredAnnouncement stored = StoredForm({raw.address, raw.title, ItemDate(env, raw.date)});
    const StoreOutcome outcome = store.Store(stored, type);
    if (outcome == StoreOutcome::kFailed) return not_stored(store.failure());
    if (outcome == StoreOutcome::kNew) ++state.new_announcements;
    if (outcome != StoreOutcome::kKnown) continue;
    if (!cs) {
      // The construction list: a known tender from before the last
      // collection ends its reading.
      if (OnOrAfter(stored.date, state.LastCollectionDate)) continue;
      return finish(PageOutcome::kKnown);
    }
    const Result<Met> met = Classify(state, *cs, type, store, stored.title);
    if (!met) return not_stored(met.error());
    if (*met == Met::kPassed) continue;
    if (*met == Met::kResume) {
      cs->PageCounter = cs->unfinished->resume_page;
      cs->resumed = true;
      cs->saved_page = 0;
      return finish(PageOutcome::kRead);
    }
    switch (channel->rule) {
      case KnownTitleRule::kChannelDone:
        cs->ChannelDoneFlag = true;
        return finish(PageOutcome::kKnown);
      case KnownTitleRule::kSevenDayTest:
        if (WithinSevenDays(stored.date, today)) continue;
        cs->ChannelDoneFlag = true;
        return finish(PageOutcome::kKnown);
      case KnownTitleRule::kCatchUpTest: {
        if (OnOrAfter(stored.date, state.LastCollectionDate)) continue;
        cs->ChannelDoneFlag = true;
        state.StopCollection = true;
        state.LastCollectionDate = DateText(today);
        if (Result<void> written = WriteCollectionDate(env.db, state.LastCollectionDate);
            !written) {
          return not_stored(written.error());
        }
        return finish(PageOutcome::kCaughtUp);
      }
    }
  }
  if (cs) ++cs->PageCounter;
  return finish(PageOutcome::kRead);
}

}  // namespace talvec
