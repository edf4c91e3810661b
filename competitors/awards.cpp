#include "competitors/awards.h"

#include <QHash>
#include <QHashFunctions>
#include <QStringList>
#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

#include "core/database.h"
#include "core/text.h"

namespace talvec {

Utf8Text::Utf8Text(const QString& text) {
  if (text.isEmpty()) return;
  auto* own = new SharedBytes;
  own->bytes = text.toUtf8();
  size_ = static_cast<quint32>(own->bytes.size());
  buffer_.reset(own);
}

namespace {

// Byte strings to numbers: open addressing on their 64-bit hashes, the
// bytes compared only where the hashes agree, so a look-up that misses
// touches one slot and no key. The index keeps its keys.
class ByteIndex {
 public:
  explicit ByteIndex(qsizetype expected) {
    qsizetype capacity = 16;
    while (capacity < 2 * expected) capacity *= 2;
    slots_.resize(static_cast<std::size_t>(capacity));
  }

  // The number of `key`, or -1.
  qint32 Find(QByteArrayView key) const {
    const quint64 hash = Hash(key);
    for (std::size_t k = Home(hash);; k = Next(k)) {
      const Slot& slot = slots_[k];
      if (slot.value < 0) return -1;
      if (slot.hash == hash && Key(slot) == key) return slot.value;
    }
  }

  // The number of `key`, which is given `value` when new; the second is
  // true when it was.
  std::pair<qint32*, bool> Emplace(QByteArrayView key, qint32 value) {
    if (2 * (used_ + 1) > static_cast<qsizetype>(slots_.size())) Grow();
    const quint64 hash = Hash(key);
    std::size_t k = Home(hash);
    for (;; k = Next(k)) {
      Slot& slot = slots_[k];
      if (slot.value < 0) break;
      if (slot.hash == hash && Key(slot) == key) return {&slot.value, false};
    }
    Slot& slot = slots_[k];
    slot = {hash, keys_.size(), key.size(), value};
    keys_.append(key);
    ++used_;
    return {&slot.value, true};
  }

 private:
  struct Slot {
    quint64 hash = 0;
    qsizetype offset = 0;
    qsizetype size = 0;
    qint32 value = -1;  // -1: free
  };

  static quint64 Hash(QByteArrayView key) { return qHashBits(key.data(), key.size(), 0x9E37); }
  std::size_t Home(quint64 hash) const { return hash & (slots_.size() - 1); }
  std::size_t Next(std::size_t k) const { return (k + 1) & (slots_.size() - 1); }
  QByteArrayView Key(const Slot& slot) const {
    return QByteArrayView(keys_).sliced(slot.offset, slot.size);
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.value < 0) continue;
      std::size_t k = Home(slot.hash);
      while (slots_[k].value >= 0) k = Next(k);
      slots_[k] = slot;
    }
  }

  std::vector<Slot> slots_;
  QByteArray keys_;
  qsizetype used_ = 0;
};

// The trimmed text of a column as QString::fromUtf8 would read it.
QByteArrayView TrimmedColumn(const Statement& st, int column, QByteArray& scratch) {
  return TrimBlanks(PlainUtf8(st.TextBytes(column), scratch));
}

// The date of a win is the date of its result announcement, by title: the
// last such announcement read wins, as a map filled in order has it.
struct TitleDates {
  explicit TitleDates(qsizetype expected) : of_title(expected) {}
  ByteIndex of_title;          // title -> index into `dates`
  std::vector<QString> dates;  // each distinct date once
};

Result<void> ReadTitleDates(Database& db, TitleDates& out) {
  ByteIndex date_index(64);
  Statement days = db.Prepare("SELECT MC, SJ FROM List WHERE LX=4 OR LX=9");
  QByteArray title_scratch;
  QByteArray date_scratch;
  while (days.Next()) {
    const QByteArrayView date = TrimmedColumn(days, 1, date_scratch);
    const auto [index, added] = date_index.Emplace(date, static_cast<qint32>(out.dates.size()));
    if (added) out.dates.push_back(QString::fromUtf8(date));
    *out.of_title.Emplace(TrimmedColumn(days, 0, title_scratch), *index).first = *index;
  }
  if (!days.ok()) return Fail(days.error());
  return {};
}

// One row of GYS as read, before it takes its place. Its title and amount
// stand back to back in the load's text buffer.
struct ReadRow {
  qint32 company;  // index into the names as stored
  qint32 date;     // index into TitleDates::dates, or -1
  quint32 title;   // offset of the title
  quint32 title_size;
  quint32 amount_size;
};

// Texts of one load past this size do not fit the rows' offsets.
constexpr qsizetype kMaxTextBytes = std::numeric_limits<quint32>::max();

}  // namespace

Result<AwardTable> LoadAwardTable(Database& db) {
  AwardTable table;
  {
    Statement count = db.Prepare("SELECT count(*) FROM GYS");
    if (!count.Next()) return Fail(count.error());
    table.count = count.Int(0);
  }
  TitleDates dates(std::min<qint64>(table.count / 2, 1 << 20));
  if (Result<void> read = ReadTitleDates(db, dates); !read) return Fail(std::move(read.error()));

  // Read in stored order and put in order here: an ordered read through
  // the index costs a look-up per row. A plain scan gives rowid order, so
  // grouping by name keeps each company's rows as stored.
  std::vector<ReadRow> read;
  if (table.count > 0) read.reserve(static_cast<std::size_t>(table.count));
  ByteIndex company_index(1024);
  std::vector<QByteArray> names;  // as stored
  QExplicitlySharedDataPointer<SharedBytes> texts(new SharedBytes);
  QByteArray& buffer = texts->bytes;
  QByteArray scratch;
  Statement st = db.Prepare("SELECT GYS, MC, JE FROM GYS");
  while (st.Next()) {
    const QByteArrayView name = PlainUtf8(st.TextBytes(0), scratch);
    const auto [company, added] = company_index.Emplace(name, static_cast<qint32>(names.size()));
    if (added) names.push_back(name.toByteArray());
    const QByteArrayView title = TrimmedColumn(st, 1, scratch);
    ReadRow row{*company, dates.of_title.Find(title), static_cast<quint32>(buffer.size()),
                static_cast<quint32>(title.size()), 0};
    buffer.append(title);
    const QByteArrayView amount = TrimmedColumn(st, 2, scratch);
    row.amount_size = static_cast<quint32>(amount.size());
    buffer.append(amount);
    if (buffer.size() > kMaxTextBytes) {
      return Fail(Error::Kind::kTooLarge, QStringLiteral("中标数据过多，无法全部读取。"));
    }
    read.push_back(row);
  }
  if (!st.ok()) return Fail(st.error());

  // By the stored name, as ORDER BY GYS would have it: UTF-8 bytes compare
  // as their code points.
  std::vector<qint32> by_name(names.size());
  std::iota(by_name.begin(), by_name.end(), 0);
  std::sort(by_name.begin(), by_name.end(), [&](qint32 a, qint32 b) {
    return QByteArrayView(names[static_cast<std::size_t>(a)]) <
           QByteArrayView(names[static_cast<std::size_t>(b)]);
  });
  // Where each company's rows begin, and its name as shown (trimmed).
  std::vector<quint32> next(names.size(), 0);
  for (const ReadRow& row : read) ++next[static_cast<std::size_t>(row.company)];
  std::vector<QString> shown(names.size());
  quint32 at = 0;
  for (qint32 k : by_name) {
    const auto c = static_cast<std::size_t>(k);
    const quint32 rows = next[c];
    next[c] = at;
    at += rows;
    shown[c] = QString::fromUtf8(TrimBlanks(QByteArrayView(names[c])));
  }
  std::vector<quint32> order(read.size());
  for (std::size_t k = 0; k < read.size(); ++k)
    order[next[static_cast<std::size_t>(read[k].company)]++] = static_cast<quint32>(k);

  const QExplicitlySharedDataPointer<const SharedBytes> shared(texts.data());
  table.rows.reserve(read.size());
  qint32 number = 0;
  for (quint32 k : order) {
    const ReadRow& r = read[k];
    table.rows.push_back({++number, shown[static_cast<std::size_t>(r.company)],
                          Utf8Text(shared, r.title, r.title_size),
                          Utf8Text(shared, r.title + r.title_size, r.amount_size),
                          r.date < 0 ? QString() : dates.dates[static_cast<std::size_t>(r.date)]});
  }
  return table;
}

QString LoadedCaption(qint64 count) {
  return QStringLiteral("竞争对手分析--共有记录") + QString::number(count) + QStringLiteral("条");
}

bool ProductTextMissing(const QString& product_text) { return TrimBlanks(product_text).isEmpty(); }

namespace {

// A word of the search, tested on a title's UTF-8 bytes; a word that is no
// well-formed text (an unpaired surrogate) is tested on the decoded title.
class SearchWord {
 public:
  explicit SearchWord(const QString& word)
      : text_(word), utf8_(word.toUtf8()), on_bytes_(word.isValidUtf16()) {}
  bool OccursIn(const Utf8Text& title) const {
    return on_bytes_ ? WordOccursUtf8(title.bytes(), utf8_) : WordOccurs(title.ToString(), text_);
  }

 private:
  QString text_;
  QByteArray utf8_;
  bool on_bytes_;
};

}  // namespace

std::vector<AwardRow> SearchAwards(const std::vector<AwardRow>& full, const QString& product_text,
                                   const QString& place_text) {
  const QStringList words = TrimBlanks(product_text).split(QLatin1Char(' '));
  const SearchWord place(TrimBlanks(place_text));
  // An empty word occurs in every title, so the word test can be skipped.
  const bool any_word = words.contains(QString());
  std::vector<SearchWord> tests;
  if (!any_word) {
    for (const QString& word : words) tests.emplace_back(word);
  }
  std::vector<AwardRow> found;
  qint32 number = 0;
  for (const AwardRow& row : full) {
    if (!place.OccursIn(row.title)) continue;
    bool match = any_word;
    for (std::size_t k = 0; !match && k < tests.size(); ++k) match = tests[k].OccursIn(row.title);
    if (!match) continue;
    AwardRow copy = row;
    copy.number = ++number;
    found.push_back(std::move(copy));
  }
  return found;
}

}  // namespace talvec
