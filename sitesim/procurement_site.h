// The provincial procurement site: its probe page, the list pages of the ten
// channels and the announcement pages.
#pragma once

#include <QUrl>
#include <optional>

#include "sitesim/site_pages.h"
#include "sitesim/transport.h"

namespace talvec::sitesim {

class Catalogue;

// The answer to a request of this site, or nothing when the path is not one
// of its own.
std::optional<Reply> AnswerProcurementSite(const QUrl& url, const Catalogue& catalogue,
                                           pages::ListPageOptions list_options);

}  // namespace talvec::sitesim
