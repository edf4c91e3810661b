#include "core/text.h"

#include <QStringDecoder>
#include <QtEndian>
#include <cstring>

namespace talvec {

QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
  while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
  if (begin == 0 && end == text.size()) return text;  // shared, no copy
  return text.mid(begin, end - begin);
}

QByteArrayView TrimBlanks(QByteArrayView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  return text.sliced(begin, end - begin);
}

namespace {

// Whether p[0..5] are two three-byte characters whose lead bytes need no
// look at the byte after them (E0 may start an overlong form, ED a
// surrogate); reads eight bytes.
inline bool TwoPlainThreeByteCharacters(const unsigned char* p) {
  quint64 word;
  std::memcpy(&word, p, 8);
  return (qFromLittleEndian(word) & 0x0000C0C0F0C0C0F0ULL) == 0x00008080E08080E0ULL &&
         p[0] != 0xE0 && p[0] != 0xED && p[3] != 0xE0 && p[3] != 0xED;
}

}  // namespace

bool IsPlainUtf8(QByteArrayView bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = p + bytes.size();
  // A leading byte-order mark.
  if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return false;
  auto tail = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  while (p < end) {
    // Eight ASCII bytes at a time.
    if (end - p >= 8) {
      quint64 word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        p += 8;
        continue;
      }
    }
    // Chinese text two characters at a time.
    while (end - p >= 8 && TwoPlainThreeByteCharacters(p)) p += 6;
    if (p == end) break;
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
    } else if (c < 0xC2) {  // a continuation byte, or an overlong lead
      return false;
    } else if (c < 0xE0) {
      if (end - p < 2 || !tail(p[1])) return false;
      p += 2;
    } else if (c < 0xF0) {
      if (end - p < 3 || !tail(p[1]) || !tail(p[2])) return false;
      if (c == 0xE0 && p[1] < 0xA0) return false;   // overlong
      if (c == 0xED && p[1] >= 0xA0) return false;  // a surrogate
      p += 3;
    } else if (c < 0xF5) {
      if (end - p < 4 || !tail(p[1]) || !tail(p[2]) || !tail(p[3])) return false;
      if (c == 0xF0 && p[1] < 0x90) return false;   // overlong
      if (c == 0xF4 && p[1] >= 0x90) return false;  // past U+10FFFF
      p += 4;
    } else {
      return false;
    }
  }
  return true;
}

QByteArrayView PlainUtf8(QByteArrayView bytes, QByteArray& scratch) {
  if (IsPlainUtf8(bytes)) return bytes;
  scratch = QString::fromUtf8(bytes).toUtf8();
  return scratch;
}

QString DecodeUtf8(QByteArrayView bytes) {
  if (!bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes);
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(bytes);
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
