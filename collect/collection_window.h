// The time-of-day window in which the schedule starts collection cycles.
#pragma once

#include <QString>
#include <QTime>
#include <optional>

#include "core/settings.h"  // ReadTimeOfDay

namespace talvec {

// Whether `now` lies in [begin, end], both bounds included, compared as
// "HH:MM:SS" texts. An empty or unreadable bound leaves that side of the day
// open (begin 00:00:00, end 23:59:59): a setting that cannot be read does not
// switch collection off for good. A begin later than the end admits no time.
bool InCollectionWindow(const QTime& now, const QString& begin, const QString& end);

}  // namespace talvec
