// The award rows of the competitor window: table GYS read into the full
// list, and the search of that list by product words and place.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QExplicitlySharedDataPointer>
#include <QSharedData>
#include <QString>
#include <vector>

#include "core/error.h"

namespace talvec {

class Database;

// Bytes that many texts share; never changed once a text refers to them.
struct SharedBytes : QSharedData {
  QByteArray bytes;
};

// A text kept as its UTF-8 bytes, most often a slice of a buffer that the
// rows of one load share; it becomes a QString only when asked, so a list
// of many rows costs neither a decoding nor an allocation per text.
class Utf8Text {
 public:
  Utf8Text() = default;
  // A text of its own (rows built by hand), as toUtf8 encodes it.
  Utf8Text(const QString& text);  // NOLINT: implicit, as the QString it stands for
  // `size` bytes of `buffer` from `offset`.
  Utf8Text(QExplicitlySharedDataPointer<const SharedBytes> buffer, quint32 offset, quint32 size)
      : buffer_(std::move(buffer)), offset_(offset), size_(size) {}

  QByteArrayView bytes() const {
    return buffer_ ? QByteArrayView(buffer_->bytes.constData() + offset_, size_)
                   : QByteArrayView();
  }
  QString ToString() const { return QString::fromUtf8(bytes()); }
  bool isEmpty() const { return size_ == 0; }

  friend bool operator==(const Utf8Text& a, const Utf8Text& b) { return a.bytes() == b.bytes(); }
  friend bool operator==(const Utf8Text& a, const QString& b) { return a.ToString() == b; }

 private:
  QExplicitlySharedDataPointer<const SharedBytes> buffer_;
  quint32 offset_ = 0;
  quint32 size_ = 0;
};

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
