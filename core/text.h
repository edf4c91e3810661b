// The text helpers every subsystem uses: trimming, cutting, the exact
// operations of the rules and the word test. Positions are UTF-16 code units;
// every comparison is exact and case-sensitive.
#pragma once

#include <QString>
#include <QStringView>

namespace talvec {

// The text without its leading and trailing blanks (U+0020 only; tabs, line
// feeds and wide blanks stay).
QString TrimBlanks(const QString& text);

// The first `n` characters, never splitting a surrogate pair.
QString CutChars(const QString& text, qsizetype n);

// Deletes every occurrence of `word`, left to right, without rescanning.
void RemoveAll(QString& text, QStringView word);

inline bool Contains(const QString& text, QStringView word) { return text.contains(word); }

inline bool IsWide(QChar c) { return c.unicode() >= 128; }
inline bool IsAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// A word occurs in a title when the title contains it as an exact,
// case-sensitive substring; the empty word occurs in every title.
inline bool WordOccurs(QStringView title, QStringView word) {
  return word.isEmpty() || title.contains(word, Qt::CaseSensitive);
}

// Whether any word of `words` occurs in the title. The list is split at
// every single blank and is not trimmed, so a leading, trailing or doubled
// blank gives an empty word, which occurs in every title.
bool AnyWordOccurs(QStringView title, QStringView words);

}  // namespace talvec
