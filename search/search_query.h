// The search of stored announcements: the type options, the choice of
// order, and the read of table List into a full result set.
#pragma once

#include <QDate>
#include <QString>
#include <array>

#include "core/error.h"
#include "search/result_set.h"

namespace talvec {

class Database;
struct SystemSettings;

// A type option of the search panel and the announcement type it selects
// (0 for every type). Listed in the order the panel shows them.
struct TypeOption {
  const char* name;
  const char* caption;
  qint16 code;
};
inline constexpr int kTypeOptionCount = 11;
extern const std::array<TypeOption, kTypeOptionCount> kTypeOptions;

// Whether the option of a type code can be chosen: the option of code k is
// disabled when item k-1 of researchlx reads exactly "f"; "全部公告" (0) is
// always enabled.
bool TypeOptionEnabled(const SystemSettings& settings, int code);

enum class SearchOrder { kNewestFirst, kTitleAscending, kTitleDescending };

struct SearchRequest {
  bool today = true;  // "搜索当日"; otherwise the period from..to
  QDate today_date;
  QDate from;
  QDate to;
  qint16 type_code = 0;      // SearchTypeCode
  QString keyword;           // Text1
  bool region_flag = false;  // a region other than "全部地区" is chosen
  QString os_name;
};

// Newest date first, except on "Win7", which orders by title: descending
// for one type of today with no region chosen, ascending otherwise.
SearchOrder OrderFor(const SearchRequest& request);

// The words of the keyword box; empty when it holds only blanks.
QStringList KeywordWords(const QString& keyword);

// Reads the announcements of the day or period (both ends included), of the
// type when one is chosen, whose titles contain every keyword word, in the
// request's order. An error, with *rows empty, when the read failed.
Result<void> RunSearchQuery(Database& db, const SearchRequest& request, ResultSet* rows);

}  // namespace talvec
