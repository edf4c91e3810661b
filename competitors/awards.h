// The award rows of the competitor window: table GYS read into the full
// list, and the search of that list by product words and place.
#pragma once

#include <QString>
#include <vector>

#include "competitors/shared_text.h"
#include "core/error.h"

namespace talvec {

class Database;

struct AwardRow {
  qint32 number = 0;  // 1, 2, ... in the order rows were added to their list
  QString company;    // GYS.GYS, trimmed
  Utf8Text title;     // GYS.MC, trimmed; empty when Null
  Utf8Text amount;    // GYS.JE, trimmed; not shown in the lists
  QString date;       // SJ of the announcement with that title, "" when none
};

struct AwardTable {
  qint64 count = 0;  // rows counted in GYS (the caption's number)
  std::vector<AwardRow> rows;
};

// Counts and reads every row of GYS ordered by company (rows of one company
// in the order they were stored), numbered from 1. Texts read as
// QString::fromUtf8 reads them; names are ordered by code point, as
// ORDER BY GYS would order them.
Result<AwardTable> LoadAwardTable(Database& db);

// "竞争对手分析--共有记录" + count + "条".
QString LoadedCaption(qint64 count);

// Whether the product text leaves no word to search for (empty or blanks).
bool ProductTextMissing(const QString& product_text);

// The rows whose title holds at least one product word and the place, in
// the order of `full`, renumbered from 1. The product text is trimmed and
// split at every blank (two blanks in a row give an empty word, which
// occurs in every title); the place is trimmed, and an empty place occurs
// in every title.
std::vector<AwardRow> SearchAwards(const std::vector<AwardRow>& full, const QString& product_text,
                                   const QString& place_text);

}  // namespace talvec
