// The public search engine's answer to "/s?WD=name": a results page about
// a company, listing the awards of the simulated site that name it.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "sitesim/site_simulator.h"

namespace talvec::sitesim {

// `results` holds every result announcement of the site; those whose
// winners name the company (the one name holding the other) are listed,
// newest first.
QByteArray CompanySearchPage(const QString& name, const std::vector<const Announcement*>& results);

}  // namespace talvec::sitesim
