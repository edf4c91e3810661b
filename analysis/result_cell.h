// Cutting the result cell out of a result announcement's page.
#pragma once

#include <QString>

namespace talvec {

inline constexpr qsizetype kSummaryLength = 127;
inline constexpr qsizetype kSupplierLength = 127;
inline constexpr qsizetype kTitleLength = 127;
inline constexpr qsizetype kAmountLength = 50;

enum class PageVerdict {
  kUnusable,  // empty: the fetch failed
  kNotFound,  // the site's not-found words
  kNoHeader,  // fetched, but without the result table's header
  kNoInfo,    // no footer after the header, or no cell after it
  kCell,      // `cell` holds the (non-empty) result cell
};

struct ResultCellCut {
  PageVerdict verdict = PageVerdict::kUnusable;
  QString cell;  // apostrophes replaced by "‘"
};

inline constexpr char16_t kResultHeader[] = u"各包中标/成交供应商名称、地址及报价";
inline constexpr char16_t kFooterMarker[] = u"版权所有";

ResultCellCut CutResultCell(const QString& page);

// True when the cell names a supplier at all ("公司", "合作社", "经营部",
// "厂"); other cells are stored as the summary without extraction.
bool HasSupplierMarker(const QString& cell);

}  // namespace talvec
