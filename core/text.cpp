#include "core/text.h"

namespace talvec {

QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
  while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
  if (begin == 0 && end == text.size()) return text;  // shared, no copy
  return text.mid(begin, end - begin);
}

QString CutChars(const QString& text, qsizetype n) {
  if (text.size() <= n) return text;
  if (n > 0 && text.at(n - 1).isHighSurrogate()) --n;
  return text.left(n);
}

void RemoveAll(QString& text, QStringView word) {
  if (!word.isEmpty() && text.contains(word)) {
    text.replace(word.data(), word.size(), nullptr, 0);
  }
}

bool AnyWordOccurs(QStringView title, QStringView words) {
  for (QStringView word : words.tokenize(u' ')) {
    if (WordOccurs(title, word)) return true;
  }
  return false;
}

}  // namespace talvec
