// The time-of-day window in which the schedule starts collection cycles.
#pragma once

#include <QString>
#include <QTime>
#include <optional>

namespace talvec {

// A time of day as the settings hold it: "HH:MM:SS", "H:MM:SS", "HH:MM" or
// "H:MM" on the 24-hour clock; on the 12-hour clock (hours 1 to 12) with
// "上午"/"下午" before it (a blank between is optional) or "AM"/"PM" after it;
// each also as the time part of "YYYY-MM-DD ..." or "YYYY/M/D ...". Blanks
// around the whole are ignored. Anything else (text after the seconds, hours
// past 23, "上午 13:00:00") is unreadable.
std::optional<QTime> ReadTimeOfDay(const QString& text);

// Whether `now` lies in [begin, end], both bounds included, compared as
// "HH:MM:SS" texts. An empty or unreadable bound leaves that side of the day
// open (begin 00:00:00, end 23:59:59): a setting that cannot be read does not
// switch collection off for good. A begin later than the end admits no time.
bool InCollectionWindow(const QTime& now, const QString& begin, const QString& end);

}  // namespace talvec
