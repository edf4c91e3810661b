// The written forms the simulated pages put money, times, windows and project
// numbers in, each with the normalised value a reader should arrive at.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace talvec::sitesim {

class Rng;

namespace forms {

// Yuan as a decimal text without trailing zeros ("125000", "12.5").
QString Decimal(double value);
// Whole yuan in upper-case numerals: 1235000 -> "壹佰贰拾叁万伍仟元整".
QString UpperYuan(qint64 yuan);
// "YYYY-MM-DD HH:MM" and "YYYY-MM-DD".
QString TimeValue(const QDateTime& time);
QString DateValue(QDate date);

// A money text for `yuan` (whole hundreds), in one of the forms pages use;
// `upper_only` allows the form with upper-case numerals and no figure.
QString Money(double yuan, Rng& rng, bool upper_only_allowed = true);
// A text that states no money: "保密", "详见采购文件", "下浮率3%", ...
QString NotMoney(Rng& rng);
// A date and time in one of the forms pages use.
QString Time(const QDateTime& time, Rng& rng);
// A date alone.
QString Date(QDate date, Rng& rng);
// A window "… 至 …"; the values are what its start and end say (with or
// without a time of day, as written).
QString Window(const QDateTime& from, const QDateTime& until, Rng& rng, QString* from_value,
               QString* until_value);

// A project number: a new canonical one (already in key form), and a
// written form of it as a page may show it (full-width, other dashes,
// brackets, case, blanks).
QString NewProjectKey(int year, int region, bool provincial, Rng& rng);
QString WrittenNumber(const QString& key, Rng& rng);

}  // namespace forms
}  // namespace talvec::sitesim
