// The text helpers every subsystem uses: trimming, cutting, the exact
// operations of the rules and the word test. Positions are UTF-16 code units;
// every comparison is exact and case-sensitive.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace talvec {

// The text without its leading and trailing blanks (U+0020 only; tabs, line
// feeds and wide blanks stay).
QString TrimBlanks(const QString& text);

// The same on UTF-8 bytes: a blank is the byte 0x20 and never part of a
// longer character.
QByteArrayView TrimBlanks(QByteArrayView text);

// Whether QString::fromUtf8 reads these bytes as they are, so that
// toUtf8 gives them back unchanged: well-formed UTF-8 (no overlong forms,
// surrogates or code points past U+10FFFF, nothing cut short) that does not
// start with a byte-order mark, which fromUtf8 drops.
bool IsPlainUtf8(QByteArrayView bytes);

// Bytes that DecodeUtf8 reads as the text fromUtf8 reads from `bytes`:
// `bytes` itself when IsPlainUtf8, else that text encoded again into
// `scratch`.
QByteArrayView PlainUtf8(QByteArrayView bytes, QByteArray& scratch);

// The text of UTF-8 bytes as fromUtf8 reads it, except that a leading
// byte-order mark is kept (U+FEFF): the inverse of QString::toUtf8, so that
// text kept as bytes and trimmed or cut there reads as it would have read.
QString DecodeUtf8(QByteArrayView bytes);

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

// WordOccurs on UTF-8: the same answer for plain UTF-8 (IsPlainUtf8) and a
// word without unpaired surrogates, since a byte match of well-formed UTF-8
// starts and ends on character boundaries.
inline bool WordOccursUtf8(QByteArrayView title, QByteArrayView word) {
  return word.isEmpty() || title.contains(word);
}

// Whether any word of `words` occurs in the title. The list is split at
// every single blank and is not trimmed, so a leading, trailing or doubled
// blank gives an empty word, which occurs in every title.
bool AnyWordOccurs(QStringView title, QStringView words);

}  // namespace talvec
