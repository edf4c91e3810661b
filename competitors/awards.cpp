#include "competitors/awards.h"

#include <QStringList>
#include <algorithm>
#include <numeric>
#include <utility>

#include "core/database.h"
#include "core/text.h"

namespace talvec {

namespace {

// What a title takes, about, in UTF-8: thirty Chinese characters.
constexpr qint64 kTitleBytes = 96;

// Two texts of a row where they stand in a load's text blocks.
struct TextPair {
  quint32 block;
  quint32 first;  // offset in the block
  quint32 first_size;
  quint32 second;  // offset in the block
  quint32 second_size;

  QByteArrayView First(const TextBlocks& texts) const {
    return QByteArrayView(texts.At({block, first}), first_size);
  }
  QByteArrayView Second(const TextBlocks& texts) const {
    return QByteArrayView(texts.At({block, second}), second_size);
  }
};

// Two columns of the current row, copied as read.
TextPair CopyColumns(const Statement& st, int first, int second, TextBlocks& texts) {
  const QByteArrayView a = st.TextBytes(first);
  const QByteArrayView b = st.TextBytes(second);
  const TextBlocks::Place at = texts.Add(a, b);
  const auto a_size = static_cast<quint32>(a.size());
  return {at.block, at.offset, a_size, at.offset + a_size, static_cast<quint32>(b.size())};
}

// Turns texts copied as read into those of TrimBlanks(st.Text(column)), as
// DecodeUtf8 reads them: trimmed where they stand, or, for bytes that read
// otherwise, written again at the end of the blocks.
void SettleTexts(TextBlocks& texts, TextPair& pair, QByteArray& first_scratch,
                 QByteArray& second_scratch) {
  const QByteArrayView a = pair.First(texts);
  const QByteArrayView b = pair.Second(texts);
  if (IsPlainUtf8(a) && IsPlainUtf8(b)) {
    const QByteArrayView trimmed_a = TrimBlanks(a);
    const QByteArrayView trimmed_b = TrimBlanks(b);
    pair.first += static_cast<quint32>(trimmed_a.data() - a.data());
    pair.first_size = static_cast<quint32>(trimmed_a.size());
    pair.second += static_cast<quint32>(trimmed_b.data() - b.data());
    pair.second_size = static_cast<quint32>(trimmed_b.size());
    return;
  }
  const QByteArrayView fixed_a = TrimBlanks(PlainUtf8(a, first_scratch));
  const QByteArrayView fixed_b = TrimBlanks(PlainUtf8(b, second_scratch));
  const TextBlocks::Place at = texts.Add(fixed_a, fixed_b);
  pair = {at.block, at.offset, static_cast<quint32>(fixed_a.size()),
          at.offset + static_cast<quint32>(fixed_a.size()), static_cast<quint32>(fixed_b.size())};
}

// Settles the texts of every pair, in the order they were written, and
// hands each pair with the hash of its first text to `use` a few pairs
// later, once `index` has fetched the slot of that hash.
template <typename Pairs, typename Use>
void SettleAndLookUp(TextBlocks& texts, Pairs& pairs, const ByteIndex& index, Use use) {
  constexpr std::size_t kAhead = 16;
  const std::size_t n = pairs.size();
  LargeVector<quint64> hashes(n);
  QByteArray first_scratch;
  QByteArray second_scratch;
  for (std::size_t k = 0; k < n + kAhead; ++k) {
    if (k < n) {
      TextPair& pair = pairs[k].texts;
      SettleTexts(texts, pair, first_scratch, second_scratch);
      hashes[k] = ByteIndex::Hash(pair.First(texts));
      index.Prefetch(hashes[k]);
    }
    if (k >= kAhead) use(pairs[k - kAhead], hashes[k - kAhead]);
  }
}

// The date of a win is the date of its result announcement, by title: the
// last such announcement read wins, as a map filled in order has it.
struct TitleDates {
  // Sized for about one result announcement for every three awards.
  explicit TitleDates(qint64 awards)
      : expected(std::min<qint64>(awards / 3, 1 << 20)),
        texts(expected * kTitleBytes),
        of_title(expected) {}
  qint64 expected;             // announcements
  TextBlocks texts;            // the titles and dates as read
  ByteIndex of_title;          // title -> index into `dates`; keys in `texts`
  std::vector<QString> dates;  // each distinct date once
};

Result<void> ReadTitleDates(Database& db, TitleDates& out) {
  struct Day {
    TextPair texts;  // title, date
  };
  LargeVector<Day> read;
  read.reserve(static_cast<std::size_t>(out.expected));
  Statement days = db.Prepare("SELECT MC, SJ FROM List WHERE LX=4 OR LX=9");
  while (days.Next()) read.push_back({CopyColumns(days, 0, 1, out.texts)});
  if (!days.ok()) return Fail(days.error());
  ByteIndex date_index;
  SettleAndLookUp(out.texts, read, out.of_title, [&](const Day& day, quint64) {
    const QByteArrayView date = day.texts.Second(out.texts);
    const ByteIndex::Entry seen = date_index.Emplace(date, static_cast<qint32>(out.dates.size()));
    if (seen.added) out.dates.push_back(DecodeUtf8(date));
    *out.of_title.EmplaceKept(day.texts.First(out.texts), *seen.number).number = *seen.number;
  });
  return {};
}

// One row of GYS as read, before it takes its place.
struct ReadRow {
  TextPair texts;  // title, amount
  qint32 company;  // index into the names as stored
  qint32 date;     // index into TitleDates::dates, or -1
};

}  // namespace

Result<AwardTable> LoadAwardTable(Database& db) {
  AwardTable table;
  {
    Statement count = db.Prepare("SELECT count(*) FROM GYS");
    if (!count.Next()) return Fail(count.error());
    table.count = count.Int(0);
  }
  TitleDates dates(table.count);
  if (Result<void> read = ReadTitleDates(db, dates); !read) return Fail(std::move(read.error()));

  // Read in stored order and put in order here: an ordered read through
  // the index costs a look-up per row. A plain scan gives rowid order, so
  // grouping by name keeps each company's rows as stored.
  LargeVector<ReadRow> read;
  if (table.count > 0) read.reserve(static_cast<std::size_t>(table.count));
  // Companies by the bytes read, and by the name those bytes read as: the
  // few thousand names are checked once each, not once a row.
  ByteIndex stored_names;
  ByteIndex company_index;
  std::vector<QByteArrayView> names;  // as stored (untrimmed), kept by the index
  TextBlocks texts(table.count * kTitleBytes);
  QByteArray scratch;
  Statement st = db.Prepare("SELECT GYS, MC, JE FROM GYS");
  while (st.Next()) {
    const QByteArrayView stored = st.TextBytes(0);
    const ByteIndex::Entry seen = stored_names.Emplace(stored, 0);
    if (seen.added) {
      const ByteIndex::Entry company =
          company_index.Emplace(PlainUtf8(stored, scratch), static_cast<qint32>(names.size()));
      if (company.added) names.push_back(company.key);
      *seen.number = *company.number;
    }
    // Texts as read; they are checked and trimmed below, apart from the
    // engine's pages.
    read.push_back({CopyColumns(st, 1, 2, texts), *seen.number, -1});
  }
  if (!st.ok()) return Fail(st.error());

  SettleAndLookUp(texts, read, dates.of_title, [&](ReadRow& row, quint64 title_hash) {
    row.date = dates.of_title.Find(row.texts.First(texts), title_hash);
  });

  // By the stored name, as ORDER BY GYS would have it: UTF-8 bytes compare
  // as their code points.
  std::vector<qint32> by_name(names.size());
  std::iota(by_name.begin(), by_name.end(), 0);
  std::sort(by_name.begin(), by_name.end(), [&](qint32 a, qint32 b) {
    return names[static_cast<std::size_t>(a)] < names[static_cast<std::size_t>(b)];
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
    shown[c] = DecodeUtf8(TrimBlanks(names[c]));
  }
  LargeVector<quint32> order(read.size());
  for (std::size_t k = 0; k < read.size(); ++k)
    order[next[static_cast<std::size_t>(read[k].company)]++] = static_cast<quint32>(k);

  table.rows.reserve(HugePageCapacity(read.size(), sizeof(AwardRow)));
  AdviseHugePages(table.rows.data(), table.rows.capacity() * sizeof(AwardRow));
  qint32 number = 0;
  QExplicitlySharedDataPointer<const SharedBytes> block;
  quint32 block_number = 0;
  for (quint32 k : order) {
    const ReadRow& r = read[k];
    if (!block || r.texts.block != block_number) {
      block_number = r.texts.block;
      block = texts.Block(block_number);
    }
    table.rows.push_back({++number, shown[static_cast<std::size_t>(r.company)],
                          Utf8Text(block, r.texts.first, r.texts.first_size),
                          Utf8Text(block, r.texts.second, r.texts.second_size),
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
