// Who wins: the found award rows summarised per company.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "competitors/awards.h"

namespace talvec {

struct CompanySummary {
  QString company;
  int wins = 0;            // award rows of the company
  double amount_sum = 0;   // yuan, over the rows with an amount
  int with_amount = 0;     // rows whose amount reads as a number
  int without_amount = 0;  // rows with an empty amount or none to read
  QString latest;          // newest date of a win, "" when no row has one
  QStringList bodies;      // public bodies won from, most wins first
  int undated = 0;         // rows without a date
  // Wins per month "YYYY-MM", oldest month first.
  QList<std::pair<QString, int>> months;
};

// Whether an amount text starts with a number (after blanks: an optional
// sign, then a digit or a decimal point and a digit).
bool HasAmount(const QString& amount);

// The public body a title names: the title's beginning up to the last
// name ending of a body ("局", "医院", "中心", ...) before the project
// ("采购", "项目", ...); a leading "关于" is dropped. Empty when the title
// names none.
QString PublicBodyOfTitle(const QString& title);

// Per company (names compared exactly), most wins first; equal wins by the
// larger sum, then by name.
std::vector<CompanySummary> SummariseAwards(const std::vector<AwardRow>& rows);

// The amount as the summary shows it: two decimals, thousands grouped
// ("1,234,567.50"); "" for a company with no amount at all.
QString AmountText(const CompanySummary& summary);

}  // namespace talvec
