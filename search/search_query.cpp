#include "search/search_query.h"

#include <QLoggingCategory>

#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"
#include "search/filters.h"

Q_LOGGING_CATEGORY(lcSearch, "talvec.search")

namespace talvec {

const std::array<TypeOption, kTypeOptionCount> kTypeOptions = {{
    {"Option5", "全部公告", 0},
    {"Option1", "市县预公告", 1},
    {"Option2", "市县公告", 2},
    {"Option6", "市县结果预公告", 3},
    {"Option7", "市县结果公告", 4},
    {"Option8", "市县更正公告", 5},
    {"Option3", "省预公告", 6},
    {"Option4", "省级公告", 7},
    {"Option9", "省级结果预公告", 8},
    {"Option10", "省级结果公告", 9},
    {"Option11", "省级更正公告", 10},
}};

bool TypeOptionEnabled(const SystemSettings& settings, int code) {
  if (code == 0) return true;
  return !settings.TypeOptionDisabled(code);
}

SearchOrder OrderFor(const SearchRequest& request) {
  if (request.os_name != QLatin1String("Win7")) return SearchOrder::kNewestFirst;
  if (request.type_code != 0 && request.today && !request.region_flag) {
    return SearchOrder::kTitleDescending;
  }
  return SearchOrder::kTitleAscending;
}

QStringList KeywordWords(const QString& keyword) {
  const QString text = TrimBlanks(keyword);
  if (text.isEmpty()) return {};
  QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  return words;
}

namespace {

// One statement per order; "today" is the period from today to today, and
// type 0 matches every type. Ties keep the order of insertion.
Statement PrepareSearch(Database& db, SearchOrder order) {
  switch (order) {
    case SearchOrder::kNewestFirst:
      return db.Prepare(
          "SELECT MC, DZ, SJ, LX FROM List WHERE SJ >= ?1 AND SJ <= ?2 "
          "AND (?3 = 0 OR LX = ?3) ORDER BY SJ DESC, ID DESC");
    case SearchOrder::kTitleAscending:
      return db.Prepare(
          "SELECT MC, DZ, SJ, LX FROM List WHERE SJ >= ?1 AND SJ <= ?2 "
          "AND (?3 = 0 OR LX = ?3) ORDER BY MC, ID");
    case SearchOrder::kTitleDescending:
      return db.Prepare(
          "SELECT MC, DZ, SJ, LX FROM List WHERE SJ >= ?1 AND SJ <= ?2 "
          "AND (?3 = 0 OR LX = ?3) ORDER BY MC DESC, ID DESC");
  }
  return {};
}

QString Cell(const Statement& st, int column) {
  return st.IsNull(column) ? QString() : TrimBlanks(st.Text(column));
}

}  // namespace

Result<void> RunSearchQuery(Database& db, const SearchRequest& request, ResultSet* rows) {
  rows->clear();
  const QString format = QStringLiteral("yyyy-MM-dd");
  const QDate from = request.today ? request.today_date : request.from;
  const QDate to = request.today ? request.today_date : request.to;
  if (!from.isValid() || !to.isValid()) {
    return Fail(Error::Kind::kBadData, QStringLiteral("查询的日期不正确"));
  }

  Statement st = PrepareSearch(db, OrderFor(request));
  st.BindAll(from.toString(format), to.toString(format), static_cast<int>(request.type_code));
  const QStringList words = KeywordWords(request.keyword);
  while (st.Next()) {
    ResultRow row{Cell(st, 0), Cell(st, 1), Cell(st, 2), st.IsNull(3) ? QString() : st.Text(3)};
    if (!words.isEmpty() && !ContainsAllWords(row.title, words)) continue;
    rows->push_back(std::move(row));
  }
  if (!st.ok()) {
    qCWarning(lcSearch) << "search failed:" << st.error().FullText();
    rows->clear();
    return Fail(st.error());
  }
  return {};
}

}  // namespace talvec
