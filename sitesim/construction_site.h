// The construction-tender site: its tender list and the tender pages.
#pragma once

#include <QUrl>
#include <optional>

#include "sitesim/site_pages.h"
#include "sitesim/transport.h"

namespace talvec::sitesim {

class Catalogue;

// The answer to a request of this site, or nothing when the path is not one
// of its own.
std::optional<Reply> AnswerConstructionSite(const QUrl& url, const Catalogue& catalogue,
                                            pages::ListPageOptions list_options);

}  // namespace talvec::sitesim
