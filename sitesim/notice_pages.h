// The HTML of a national-format notice: its lines in the page's layout, the
// requirements table, and the styles and scripts real pages carry.
#pragma once

#include <QString>

#include "sitesim/notices.h"

namespace talvec::sitesim::pages {

// The notice's part of the page (inside the site's frame); `result_table`
// stands where a result page's winners go.
QString NoticeBody(const NoticePlan& plan, const QString& result_table);

}  // namespace talvec::sitesim::pages
