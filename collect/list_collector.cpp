#include "collect/list_collector.h"

#include <QLoggingCategory>

#include "collect/list_page.h"
#include "core/database.h"
#include "net/network_status.h"

Q_LOGGING_CATEGORY(lcCollect, "talvec.collect")

namespace talvec {

bool IsErrorPage(const QString& text, qsizetype region_begin, qsizetype region_end) {
  if (text.isEmpty()) return true;
  if (region_begin < 0) return HasErrorWords(text);
  const QStringView all(text);
  return HasErrorWords(all.left(region_begin)) || HasErrorWords(all.mid(region_end));
}

PageOutcome SkipTooLargePage(CollectorEnv& env, const ChannelInfo* channel) {
  ++env.state.too_large_pages;
  if (!channel) return PageOutcome::kTooLarge;
  ChannelState& cs = env.state.OfType(channel->type);
  qCWarning(lcCollect) << "page" << cs.PageCounter << "of" << channel->code
                       << "is too large; the next page follows";
  if (cs.skipped_page == 0) cs.skipped_page = cs.PageCounter;
  ++cs.PageCounter;
  return PageOutcome::kTooLarge;
}

PageOutcome ApplyListPage(CollectorEnv& env, const FetchResult& page, int type) {
  const ChannelInfo* channel = ChannelOfType(type);
  if (!channel) return PageOutcome::kNoHeading;
  if (!page && page.error().Is(Error::Kind::kTooLarge)) return SkipTooLargePage(env, channel);
  const QString text = page.value_or(QString());
  const ParsedListPage parsed = ParseListPage(text, channel->Heading());
  // A list page may carry the error words inside a title: only text outside
  // the list region makes it an error page.
  if (IsErrorPage(text, parsed.region_begin, parsed.region_end)) {
    env.network.NetworkLossReaction();
    return PageOutcome::kUnusable;
  }
  switch (parsed.shape) {
    case ListPageShape::kNoHeading:
      return PageOutcome::kNoHeading;
    case ListPageShape::kNoRegion:
      return PageOutcome::kNoRegion;
    case ListPageShape::kNoItems:
    case ListPageShape::kItems:
      break;
  }
  return StorePage(env, parsed.items, type, channel);
}

}  // namespace talvec
