#include "competitors/awards.h"

#include <QStringList>

#include "core/database.h"
#include "core/text.h"

namespace talvec {

bool LoadAwardTable(Database& db, AwardTable* table, QString* error) {
  table->count = 0;
  table->rows.clear();
  Statement count = db.Prepare("SELECT count(*) FROM GYS");
  if (!count.Next()) {
    if (error) *error = count.ok() ? db.LastError() : count.error();
    return false;
  }
  table->count = count.Int(0);
  // The date of a win is the date of its announcement, found by title.
  Statement st = db.Prepare(
      "SELECT g.GYS, g.MC, g.JE, l.SJ FROM GYS g LEFT JOIN List l ON l.MC = g.MC "
      "ORDER BY g.GYS, g.rowid");
  if (table->count > 0) table->rows.reserve(static_cast<std::size_t>(table->count));
  qint32 number = 0;
  while (st.Next()) {
    AwardRow row;
    row.number = ++number;
    row.company = TrimBlanks(st.Text(0));
    row.title = TrimBlanks(st.Text(1));
    row.amount = TrimBlanks(st.Text(2));
    row.date = TrimBlanks(st.Text(3));
    table->rows.push_back(std::move(row));
  }
  if (!st.ok()) {
    if (error) *error = st.error();
    table->rows.clear();
    return false;
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
  // An empty word matches every title, so the word test can be skipped.
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
