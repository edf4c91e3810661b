// Turns one fetched list page of a procurement channel into new
// announcements and decides whether the channel, or the whole cycle, needs
// further pages.
#pragma once

#include <QString>

#include "collect/collection_state.h"
#include "collect/page_store.h"
#include "net/page_fetcher.h"

namespace talvec {

// Everything after the fetch. An empty or error page runs the network-loss
// reaction (kUnusable); a page over the fetcher's size cap is skipped
// (kTooLarge: the reading goes on with the next page, and a later cycle
// comes back to the skipped one); otherwise the page is read and its items
// stored (StorePage). On kNotStored the state is as before the call, so the
// same page can be applied again.
PageOutcome ApplyListPage(CollectorEnv& env, const FetchResult& page, int type);

// A page over the size cap, for either site: said in the state, no network
// loss.
PageOutcome SkipTooLargePage(CollectorEnv& env, const ChannelInfo* channel);

// An empty page, or one with the site's error words outside its list region
// [region_begin, region_end) (the whole page when region_begin < 0).
bool IsErrorPage(const QString& text, qsizetype region_begin, qsizetype region_end);

}  // namespace talvec
