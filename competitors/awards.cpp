#include "competitors/awards.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

#include "core/database.h"
#include "core/text.h"

namespace talvec {

namespace {

// The order of SQLite's BINARY collation on UTF-8 text: code points. UTF-16
// code units differ from it only where surrogates meet U+E000..U+FFFF.
int CompareCodePoints(const QString& a, const QString& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype k = 0; k < n; ++k) {
    char32_t x = a[k].unicode();
    char32_t y = b[k].unicode();
    if (x == y) continue;
    if (x >= 0xD800 && y >= 0xD800) {
      x += x >= 0xE000 ? -0x800 : 0x2000;
      y += y >= 0xE000 ? -0x800 : 0x2000;
    }
    return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool LoadAwardTable(Database& db, AwardTable* table, QString* error) {
  table->count = 0;
  table->rows.clear();
  auto fail = [&](const Statement& st) {
    if (error) *error = st.error().FullText();
    table->rows.clear();
    return false;
  };
  Statement count = db.Prepare("SELECT count(*) FROM GYS");
  if (!count.Next()) return fail(count);
  table->count = count.Int(0);

  // The date of a win is the date of its result announcement, by title.
  QHash<QString, QString> dates;
  dates.reserve(static_cast<qsizetype>(std::min<std::int64_t>(table->count, 1 << 22)));
  Statement days = db.Prepare("SELECT MC, SJ FROM List WHERE LX=4 OR LX=9");
  while (days.Next()) dates.insert(TrimBlanks(days.Text(0)), TrimBlanks(days.Text(1)));
  if (!days.ok()) return fail(days);

  // Read in stored order and put in order here: an ordered read through
  // the index costs a look-up per row. A plain scan gives rowid order, so
  // grouping by name keeps each company's rows as stored.
  std::vector<AwardRow> read;
  if (table->count > 0) read.reserve(static_cast<std::size_t>(table->count));
  QHash<QString, std::vector<std::size_t>> by_name;
  QStringList names;
  Statement st = db.Prepare("SELECT GYS, MC, JE FROM GYS");
  while (st.Next()) {
    const QString stored = st.Text(0);
    AwardRow row;
    row.company = TrimBlanks(stored);
    row.title = TrimBlanks(st.Text(1));
    row.amount = TrimBlanks(st.Text(2));
    row.date = dates.value(row.title);
    auto it = by_name.find(stored);
    if (it == by_name.end()) {
      it = by_name.insert(stored, {});
      names.append(stored);
    }
    it->push_back(read.size());
    read.push_back(std::move(row));
  }
  if (!st.ok()) return fail(st);
  // By the stored name, as ORDER BY GYS would have it.
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return CompareCodePoints(a, b) < 0; });
  table->rows.reserve(read.size());
  qint32 number = 0;
  for (const QString& name : names) {
    for (std::size_t k : by_name.value(name)) {
      AwardRow& row = read[k];
      row.number = ++number;
      table->rows.push_back(std::move(row));
    }
  }
  return true;
}

QString LoadedCaption(qint64 count) {
  return QStringLiteral("竞争对手分析--共有记录") + QString::number(count) + QStringLiteral("条");
}

bool ProductTextMissing(const QString& product_text) { return TrimBlanks(product_text).isEmpty(); }

std::vector<AwardRow> SearchAwards(const std::vector<AwardRow>& full, const QString& product_text,
                                   const QString& place_text) {
  const QStringList words = TrimBlanks(product_text).split(QLatin1Char(' '));
  const QString place = TrimBlanks(place_text);
  // An empty word occurs in every title, so the word test can be skipped.
  const bool any_word = words.contains(QString());
  std::vector<AwardRow> found;
  qint32 number = 0;
  for (const AwardRow& row : full) {
    if (!WordOccurs(row.title, place)) continue;
    bool match = any_word;
    for (qsizetype k = 0; !match && k < words.size(); ++k) match = WordOccurs(row.title, words[k]);
    if (!match) continue;
    AwardRow copy = row;
    copy.number = ++number;
    found.push_back(std::move(copy));
  }
  return found;
}

}  // namespace talvec
