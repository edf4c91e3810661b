#include "competitors/awards.h"

#include <QHash>
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
  // Sized for about one result announcement for every two awards.
  explicit TitleDates(qint64 awards) : of_title(1024, awards / 2 * kTitleBytes) {}
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
// stand one after the other in the load's text blocks.
struct ReadRow {
  qint32 company;  // index into the names as stored
  qint32 date;     // index into TitleDates::dates, or -1
  TextBlocks::Place title;
  quint32 title_size;
  quint32 amount_size;
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
  QByteArray title_scratch;
  Statement st = db.Prepare("SELECT GYS, MC, JE FROM GYS");
  while (st.Next()) {
    // The title's look-up is fetched while the company is found.
    const QByteArrayView title = TrimmedColumn(st, 1, title_scratch);
    const quint64 title_hash = ByteIndex::Hash(title);
    dates.of_title.Prefetch(title_hash);
    const QByteArrayView stored = st.TextBytes(0);
    const ByteIndex::Entry seen = stored_names.Emplace(stored, 0);
    if (seen.added) {
      const ByteIndex::Entry company =
          company_index.Emplace(PlainUtf8(stored, scratch), static_cast<qint32>(names.size()));
      if (company.added) names.push_back(company.key);
      *seen.number = *company.number;
    }
    const qint32 company = *seen.number;
    const QByteArrayView amount = TrimmedColumn(st, 2, scratch);
    read.push_back({company, dates.of_title.Find(title, title_hash), texts.Add(title, amount),
                    static_cast<quint32>(title.size()), static_cast<quint32>(amount.size())});
  }
  if (!st.ok()) return Fail(st.error());

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
    if (!block || r.title.block != block_number) {
      block_number = r.title.block;
      block = texts.Block(block_number);
    }
    table.rows.push_back({++number, shown[static_cast<std::size_t>(r.company)],
                          Utf8Text(block, r.title.offset, r.title_size),
                          Utf8Text(block, r.title.offset + r.title_size, r.amount_size),
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
