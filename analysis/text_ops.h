// Small exact, case-sensitive text operations shared by the analysis code.
// Positions are UTF-16 code units.
#pragma once

#include <QString>
#include <QStringView>

namespace talvec::analysis_text {

// Deletes every occurrence of `word`, left to right, without rescanning.
inline void RemoveAll(QString& text, QStringView word) {
  if (!word.isEmpty() && text.contains(word)) {
    text.replace(word.data(), word.size(), nullptr, 0);
  }
}

inline bool Contains(const QString& text, QStringView word) { return text.contains(word); }

inline bool IsWide(QChar c) { return c.unicode() >= 128; }
inline bool IsAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

}  // namespace talvec::analysis_text
