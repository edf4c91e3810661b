// Reading the values of announcement pages: amounts of money, times, time
// windows and project numbers. Nothing is guessed: a text that does not
// state a value in a form read here gives no value.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace talvec {

// Full-width ASCII forms as their half-width selves, U+3000 and U+00A0 as
// blanks.
QString HalfWidth(QStringView text);
// Blanks, tabs, line ends, U+3000 and U+00A0.
bool IsFactBlank(QChar c);

// One amount with an explicit unit ("1,234,567.00元", "￥63.86万元",
// "123.5万元（大写：…）", "1.2亿元"), in yuan. Upper-case numerals are read
// when the text has no Arabic figure ("人民币壹佰贰拾叁万伍仟元整"). No value
// for "保密", "详见…", rates and percentages, texts with more than one
// figure, and figures without a unit, unless `default_unit` (the unit a
// table's header states: 1 or 10000) gives one.
std::optional<double> ReadMoney(QStringView text, double default_unit = 0);

// Upper-case Chinese numerals ("壹佰贰拾叁万伍仟元整", "伍角") in yuan; no
// value when the text holds anything else.
std::optional<double> ReadUpperNumerals(QStringView text);

// The first date of the text with the time of day right after it:
// "YYYY-MM-DD HH:MM", or "YYYY-MM-DD" when no time follows the date. 下午 and
// 晚上 add twelve hours. "" when the text holds no full date (a time alone,
// a month and day without the year), or a time that cannot be one.
QString ReadTime(QStringView text);

// Whether the text holds a full date (the test for where a time is stated,
// readable or not).
bool StatesDate(QStringView text);

// A window "A至B": the start and the end as ReadTime gives them; the end is
// "" when no dated time follows the "至" (a daily "9:00至17:00" is no end).
struct TimeWindow {
  QString from;
  QString until;
};
TimeWindow ReadWindow(QStringView text);

// The key of a project number: full-width forms to half-width, blanks
// (also U+3000) removed, every dash to "-", "（）" to "()", Latin letters in
// upper case.
QString ProjectKey(QStringView number);

// Yuan as the decimal text stored for a corrected budget ("1235000",
// "12.5").
QString YuanText(double yuan);

}  // namespace talvec
