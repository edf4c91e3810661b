// The in-memory filters of the result list: word lists of the region,
// product-category and public-body choices, the word test and the filter
// pass over the full result set.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <vector>

#include "search/result_set.h"

namespace talvec {

inline constexpr int kRegionCount = 22;
inline constexpr int kCategoryCount = 9;
inline constexpr int kPublicBodyCount = 47;

// Captions of the region choices; choice 0 stands for every region.
extern const std::array<const char*, kRegionCount> kRegionCaptions;
// Captions of the product categories; each is its word list, "/" between words.
extern const std::array<const char*, kCategoryCount> kCategoryCaptions;

struct CategoryHeading {
  const char* caption;
  int first;  // first and last category under the heading
  int last;
};
extern const std::array<CategoryHeading, 3> kCategoryHeadings;

struct PublicBody {
  const char* caption;
  const char* words;  // fixed word list, or nullptr to derive it from the caption
};
extern const std::array<PublicBody, kPublicBodyCount> kPublicBodies;

// The word list that a choice hands to the filter pass. Out-of-range
// indexes give an empty text.
QString RegionChoiceWords(int index);
QString CategoryChoiceWords(int index);
QString PublicBodyChoiceWords(int index);

// Splits a word list at every blank, after trimming its outer blanks.
// Two blanks in a row give an empty word.
QStringList SplitWords(const QString& words);

// Titles that contain every word of the list (an empty list matches all).
bool ContainsAllWords(QStringView title, const QStringList& words);
bool ContainsAnyWord(QStringView title, const QStringList& words);

// One filter pass: the indexes of the full-result rows that pass, in order.
// With choice words (a region, category or public-body choice) a row passes
// when its title holds one of the words, or always for "全部". Otherwise the
// free text applies: "全部" or "all" keep every row, an empty text keeps
// none, and any other text keeps the titles holding all of its words.
std::vector<qsizetype> FilterPass(const ResultSet& full, const QString& choice_words,
                                  const QString& free_text);

}  // namespace talvec
