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

// The bytes of TrimBlanks(st.Text(column)), as DecodeUtf8 reads them.
QByteArrayView TrimmedColumn(const Statement& st, int column, QByteArray& scratch) {
  return TrimBlanks(PlainUtf8(st.TextBytes(column), scratch));
}

// The date of a win is the date of its result announcement, by title: the
// last such announcement read wins, as a map filled in order has it.
struct TitleDates {
  // Sized for about one result announcement for every three awards.
  explicit TitleDates(qint64 awards)
      : of_title(std::min<qint64>(awards / 3, 1 << 20), awards / 3 * kTitleBytes) {}
  ByteIndex of_title;                // title -> index into `dates`
  std::vector<QString> dates;  // each distinct date once
};

Result<void> ReadTitleDates(Database& db, TitleDates& out) {
  ByteIndex date_index;
  Statement days = db.Prepare("SELECT MC, SJ FROM List WHERE LX=4 OR LX=9");
  QByteArray title_scratch;
  QByteArray date_scratch;
  while (days.Next()) {
    const QByteArrayView date = TrimmedColumn(days, 1, date_scratch);
    const ByteIndex::Entry day = date_index.Emplace(date, static_cast<qint32>(out.dates.size()));
    if (day.added) out.dates.push_back(DecodeUtf8(date));
    *out.of_title.Emplace(TrimmedColumn(days, 0, title_scratch), *day.number).number =
        *day.number;
  }
  if (!days.ok()) return Fail(days.error());
  return {};
}

// One row of GYS as read, before it takes its place: its title and amount
// stand in one of the load's text blocks.
struct ReadRow {
  qint32 company;  // index into the names as stored
  qint32 date;     // index into TitleDates::dates, or -1
  quint32 block;
  quint32 title;  // offset in the block
  quint32 title_size;
  quint32 amount;  // offset in the block
  quint32 amount_size;
};

QByteArrayView Title(const TextBlocks& texts, const ReadRow& r) {
  return QByteArrayView(texts.At({r.block, r.title}), r.title_size);
}

// Turns the bytes a row was read with into those of its trimmed texts, as
// TrimmedColumn gives them: trimmed where they stand, or, for bytes that
// read otherwise, written again at the end of the blocks.
void SettleTexts(TextBlocks& texts, ReadRow& r, QByteArray& title_scratch,
                 QByteArray& amount_scratch) {
  const QByteArrayView title = Title(texts, r);
  const QByteArrayView amount(texts.At({r.block, r.amount}), r.amount_size);
  if (IsPlainUtf8(title) && IsPlainUtf8(amount)) {
    const QByteArrayView trimmed_title = TrimBlanks(title);
    const QByteArrayView trimmed_amount = TrimBlanks(amount);
    r.title += static_cast<quint32>(trimmed_title.data() - title.data());
    r.title_size = static_cast<quint32>(trimmed_title.size());
    r.amount += static_cast<quint32>(trimmed_amount.data() - amount.data());
    r.amount_size = static_cast<quint32>(trimmed_amount.size());
    return;
  }
  const QByteArrayView fixed_title = TrimBlanks(PlainUtf8(title, title_scratch));
  const QByteArrayView fixed_amount = TrimBlanks(PlainUtf8(amount, amount_scratch));
  const TextBlocks::Place at = texts.Add(fixed_title, fixed_amount);
  r.block = at.block;
  r.title = at.offset;
  r.title_size = static_cast<quint32>(fixed_title.size());
  r.amount = at.offset + r.title_size;
  r.amount_size = static_cast<quint32>(fixed_amount.size());
}

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
    const QByteArrayView title = st.TextBytes(1);
    const QByteArrayView amount = st.TextBytes(2);
    const TextBlocks::Place at = texts.Add(title, amount);
    const auto title_size = static_cast<quint32>(title.size());
    read.push_back({*seen.number, -1, at.block, at.offset, title_size, at.offset + title_size,
                    static_cast<quint32>(amount.size())});
  }
  if (!st.ok()) return Fail(st.error());

  // One pass over the texts in the order they were written, each title's
  // date looked up a few rows after its hash is known and its slot fetched.
  constexpr std::size_t kAhead = 16;
  LargeVector<quint64> title_hashes(read.size());
  QByteArray amount_scratch;
  for (std::size_t k = 0; k < read.size() + kAhead; ++k) {
    if (k < read.size()) {
      SettleTexts(texts, read[k], scratch, amount_scratch);
      title_hashes[k] = ByteIndex::Hash(Title(texts, read[k]));
      dates.of_title.Prefetch(title_hashes[k]);
    }
    if (k >= kAhead) {
      ReadRow& r = read[k - kAhead];
      r.date = dates.of_title.Find(Title(texts, r), title_hashes[k - kAhead]);
    }
  }

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

  table.rows.reserve(read.size());
  AdviseHugePages(table.rows.data(), table.rows.capacity() * sizeof(AwardRow));
  qint32 number = 0;
  QExplicitlySharedDataPointer<const SharedBytes> block;
  quint32 block_number = 0;
  for (quint32 k : order) {
    const ReadRow& r = read[k];
    if (!block || r.block != block_number) {
      block_number = r.block;
      block = texts.Block(block_number);
    }
    table.rows.push_back({++number, shown[static_cast<std::size_t>(r.company)],
                          Utf8Text(block, r.title, r.title_size),
                          Utf8Text(block, r.amount, r.amount_size),
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
