#include "sitesim/procurement_site.h"

#include <QUrlQuery>
#include <algorithm>
#include <vector>

#include "sitesim/site_data.h"

namespace talvec::sitesim {
namespace {

constexpr Channel kChannels[kChannelCount] = {
    {1, "shiji_cggg1", "市县采购预公告列表"},
    {2, "shiji_cggg", "市县采购公告列表"},
    {3, "shiji_jggg1", "市县结果预公告列表"},
    {4, "shiji_jggg", "市县结果公告列表"},
    {5, "shiji_gzgg", "市县更正公告列表"},
    {6, "cgygg", "省采购预公告列表"},
    {7, "cggg", "省采购公告列表"},
    {8, "jgygg", "省结果预公告列表"},
    {9, "jggg", "省结果公告列表"},
    {10, "gzgg", "省更正公告列表"},
};

}  // namespace

const Channel& ChannelOfType(int type) { return kChannels[std::clamp(type, 1, kChannelCount) - 1]; }

std::optional<Reply> AnswerProcurementSite(const QUrl& url, const Catalogue& catalogue,
                                           pages::ListPageOptions list_options) {
  const QString path = url.path();
  const QUrlQuery query(url);
  if (path.isEmpty() || path == QLatin1String("/") || path == QLatin1String("/index.html") ||
      path == QLatin1String("/index.jsp")) {
    std::vector<Announcement> newest;
    for (int t = 1; t <= kChannelCount; ++t) {
      const std::vector<Announcement>& items = catalogue.Channel(t);
      for (int k = 0; k < 2 && k < static_cast<int>(items.size()); ++k)
        newest.push_back(items[items.size() - 1 - k]);
    }
    std::stable_sort(newest.begin(), newest.end(),
                     [](const Announcement& a, const Announcement& b) { return a.date > b.date; });
    return Reply{200, pages::Probe(newest)};
  }
  if (path != QLatin1String("/CmsNewsController.do")) return std::nullopt;
  const QString method = query.queryItemValue(QStringLiteral("method"));
  if (method == QLatin1String("recommendBulletinList")) {
    const QString code = query.queryItemValue(QStringLiteral("channelCode"));
    for (const Channel& channel : kChannels) {
      if (code == QLatin1String(channel.code)) {
        bool ok = false;
        int page = query.queryItemValue(QStringLiteral("page")).toInt(&ok);
        if (!ok || page < 1) page = 1;
        return Reply{
            200, pages::List(channel.type, page, catalogue.Channel(channel.type), list_options)};
      }
    }
    return Reply{200, pages::ErrorPage(2)};
  }
  if (method == QLatin1String("newsView")) {
    if (const Announcement* item =
            catalogue.Find(query.queryItemValue(QStringLiteral("id")).toInt())) {
      return Reply{200, pages::AnnouncementPage(*item, catalogue.Notice(item->id))};
    }
    return Reply{404, pages::ErrorPage(2)};
  }
  return Reply{404, pages::ErrorPage(2)};
}

}  // namespace talvec::sitesim
