// The public search engine's answer to "/s?WD=name": a results page about
// a company, listing the awards of the simulated site that name it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

#include "sitesim/site_simulator.h"
#include "sitesim/transport.h"

namespace talvec::sitesim {

// `results` holds every result announcement of the site; those whose
// winners name the company (the one name holding the other) are listed,
// newest first.
QByteArray CompanySearchPage(const QString& name, const std::vector<const Announcement*>& results);

class Catalogue;

// The answer to "/s?WD=name" over the result announcements of the catalogue,
// or nothing for other paths.
std::optional<Reply> AnswerSearchEngine(const QUrl& url, const Catalogue& catalogue);

}  // namespace talvec::sitesim
