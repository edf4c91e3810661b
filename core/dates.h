// Dates as the store keeps them: "YYYY-MM-DD" text, so that ranges compare
// as text.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace talvec {

// A date when the text reads as one (2016-3-5, 2016/03/05, 2016.3.5,
// 2016年3月5日, optionally followed by a time); nothing otherwise.
std::optional<QDate> ReadDate(const QString& text);

// The date as "YYYY-MM-DD" when the text reads as one; other text unchanged.
QString ReformatDate(const QString& text);

inline QString DateText(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace talvec
