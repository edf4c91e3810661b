// The ten list channels of the procurement site and the announcement types
// they store, with the rule each applies when it meets a title it already has.
#pragma once

#include <QString>
#include <array>

namespace talvec {

// What a channel does on a title that is already stored.
enum class KnownTitleRule {
  kChannelDone,   // the channel is done for this cycle
  kSevenDayTest,  // passed over while less than seven days old
  kCatchUpTest,   // passed over from the last collection date on; ends the cycle
};

struct ChannelInfo {
  int k;                // position, also the index into researchlx
  int type;             // AnnouncementType stored in List.LX
  const char* code;     // channelCode of the request
  const char* heading;  // list heading on the page (UTF-8)
  KnownTitleRule rule;

  QString Heading() const { return QString::fromUtf8(heading); }
};

inline constexpr int kListChannelCount = 10;
// Tenders of the construction-tender site share the type of the city/county
// procurement announcements.
inline constexpr int kConstructionType = 2;

const std::array<ChannelInfo, kListChannelCount>& Channels();
// The channel storing `type` (1..10), or nullptr.
const ChannelInfo* ChannelOfType(int type);

// The list request for `page` of `channel` under the site's base address.
QString ListRequestAddress(const QString& site_base_address, const ChannelInfo& channel,
                           qint32 page);

}  // namespace talvec
