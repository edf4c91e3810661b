#include "collect/channels.h"

namespace talvec {

const std::array<ChannelInfo, kListChannelCount>& Channels() {
  using R = KnownTitleRule;
  static const std::array<ChannelInfo, kListChannelCount> table = {{
      {0, 1, "shiji_cggg1", "市县采购预公告列表", R::kChannelDone},
      {1, 2, "shiji_cggg", "市县采购公告列表", R::kCatchUpTest},
      {2, 3, "shiji_jggg1", "市县结果预公告列表", R::kChannelDone},
      {3, 4, "shiji_jggg", "市县结果公告列表", R::kSevenDayTest},
      {4, 5, "shiji_gzgg", "市县更正公告列表", R::kChannelDone},
      {5, 6, "cgygg", "省采购预公告列表", R::kSevenDayTest},
      {6, 7, "cggg", "省采购公告列表", R::kChannelDone},
      {7, 8, "jgygg", "省结果预公告列表", R::kChannelDone},
      {8, 9, "jggg", "省结果公告列表", R::kSevenDayTest},
      {9, 10, "gzgg", "省更正公告列表", R::kChannelDone},
  }};
  return table;
}

const ChannelInfo* ChannelOfType(int type) {
  if (type < 1 || type > kListChannelCount) return nullptr;
  return &Channels()[type - 1];
}

QString ListRequestAddress(const QString& site_base_address, const ChannelInfo& channel,
                           qint32 page) {
  return site_base_address +
         QLatin1String(
             "/CmsNewsController.do?method=recommendBulletinList"
             "&moreType=provincebuyBulletinMore&channelCode=") +
         QLatin1String(channel.code) + QLatin1String("&rp=25&page=") + QString::number(page);
}

}  // namespace talvec
