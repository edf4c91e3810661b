// The HTML of the simulated sites, in the grammars the list collectors and the
// result-page reader rely on.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

#include "sitesim/site_simulator.h"

namespace talvec::sitesim {
struct NoticePlan;
}

namespace talvec::sitesim::pages {

struct ListPageOptions {
  bool drop_heading = false;
  bool drop_page_info = false;
};

QByteArray Probe(const std::vector<Announcement>& newest);  // a few newest items shown
// Page `page` (1-based) of the channel; `items` oldest first, as kept.
QByteArray List(int type, int page, const std::vector<Announcement>& items,
                ListPageOptions options);
// `notice`: the national-format notice of the page; without one, the older
// form (result pre-announcements).
QByteArray AnnouncementPage(const Announcement& item, const NoticePlan* notice);
QByteArray ConstructionList(const std::vector<ConstructionTender>& tenders,
                            ListPageOptions options);
QByteArray TenderPage(const ConstructionTender& tender, const NoticePlan* notice);
// The error page words: 1 "无法找到该页" (the server's own 404 page), 2 "页面没有找到".
QByteArray ErrorPage(int which);
QByteArray VersionText(const QString& version);

}  // namespace talvec::sitesim::pages
