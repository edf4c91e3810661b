#include "analysis/winner_extraction.h"

#include "core/text.h"

namespace talvec {

namespace {

constexpr QStringView kPackageLabels[] = {u"第一包", u"第二包", u"第三包", u"第四包",
                                          u"第1包",  u"第2包",  u"第3包",  u"第4包"};

// Part i + k of `parts`, or nullptr when there is none.
const QString* PartAt(const QStringList& parts, qsizetype i, qsizetype k) {
  return i + k < parts.size() ? &parts.at(i + k) : nullptr;
}

void ExtractColon(const QString& cell, const QString& number_run, QList<Award>& awards) {
  const QStringList parts = cell.split(u':');
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString& part = parts.at(i);
    QString supplier;
    QString amount = number_run;
    bool marked = false;
    // Later markers win: in "某某厂销售公司" the name ends at "厂".
    for (QStringView marker : {QStringView(u"公司"), QStringView(u"合作社"), QStringView(u"经营部"),
                               QStringView(u"厂"), QStringView(u"中心")}) {
      const qsizetype at = part.indexOf(marker);
      if (at >= 0) {
        supplier = part.left(at + marker.size());
        marked = true;
      }
    }
    const QString* next = PartAt(parts, i, 1);
    if (next && part.contains(u'价')) amount += *next + QStringLiteral("\r\n");
    if (part.contains(u"金额")) {
      QString commas = part;
      commas.replace(u'，', u',');
      const qsizetype first = commas.indexOf(u',');
      if (first >= 0) {
        const qsizetype second = commas.indexOf(u',', first + 1);
        amount = second >= 0 ? commas.mid(first + 1, second - first - 1) : commas.mid(first + 1);
      } else if (next) {
        amount = *next;
      }
    }
    // The furthest of the next three parts that names a unit wins.
    for (qsizetype k = 1; k <= 3; ++k) {
      const QString* later = PartAt(parts, i, k);
      if (later && later->contains(u'元')) amount = *later;
    }
    if (!marked) continue;
    bool punctuated = false;
    for (QChar stop : {u'，', u',', u'。', u'.', u';', u'；', u'：'}) {
      if (supplier.contains(stop)) punctuated = true;
    }
    if (punctuated) continue;
    if (auto award = CleanAndAccept(CellLayout::kColon, supplier, amount)) awards.append(*award);
  }
}

void ExtractComma(const QString& cell, QList<Award>& awards) {
  const QStringList parts = cell.split(u',');
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString& part = parts.at(i);
    QString supplier;
    QString amount;
    bool marked = false;
    // The name keeps the one character after its marker.
    for (QStringView marker : {QStringView(u"公司"), QStringView(u"中心"), QStringView(u"合作社"),
                               QStringView(u"经营部"), QStringView(u"厂")}) {
      const qsizetype at = part.indexOf(marker);
      if (at >= 0) {
        supplier = part.left(at + marker.size() + 1);
        marked = true;
      }
    }
    const QString* next = PartAt(parts, i, 1);
    if (marked && next &&
        (next->contains(u'元') || next->contains(u'价') || next->contains(u'额'))) {
      amount = *next;
    }
    if (part.contains(u"金额")) amount = next ? *next : part;
    if (part.contains(u'价')) amount = next ? *next : part;
    if (!marked) continue;
    if (auto award = CleanAndAccept(CellLayout::kComma, supplier, amount)) awards.append(*award);
  }
}

void ExtractSingle(const QString& cell, const QString& number_run, QList<Award>& awards) {
  // 1-based position of the deciding marker; 0 when the cell has none.
  qsizetype marker = 0;
  for (QStringView word : {QStringView(u"厂"), QStringView(u"公司"), QStringView(u"合作社"),
                           QStringView(u"中心"), QStringView(u"经营部")}) {
    const qsizetype at = cell.indexOf(word);
    if (at >= 0) marker = at + 1;
  }
  // The name starts at the nearest ASCII character before the marker (it
  // belongs to the name), or at the start of the cell.
  qsizetype start = 1;
  for (qsizetype p = marker; p >= 1; --p) {
    if (!IsWide(cell.at(p - 1))) {
      start = p;
      break;
    }
  }
  qsizetype extra = 2;
  if (cell.contains(u"合作社") || cell.contains(u"经营部"))
    extra = 3;
  else if (cell.contains(u'厂'))
    extra = 1;
  const qsizetype length = std::max<qsizetype>(0, marker - start + extra);
  const QString supplier = cell.mid(start - 1, length);
  if (auto award = CleanAndAccept(CellLayout::kSingle, supplier, number_run)) {
    awards.append(*award);
  }
}

}  // namespace

PreparedCell PrepareCell(const QString& cell) {
  PreparedCell prepared{cell, CellLayout::kSingle};
  QString& text = prepared.text;
  text.replace(u'：', u':');
  if (text.contains(u':')) {
    prepared.layout = CellLayout::kColon;
    return prepared;
  }
  text.replace(u'，', u',');
  for (QStringView label : kPackageLabels) RemoveAll(text, label);
  if (text.contains(u',')) prepared.layout = CellLayout::kComma;
  return prepared;
}

QString NumberRun(const QString& cell) {
  qsizetype start = -1;
  for (qsizetype j = 0; j < cell.size(); ++j) {
    if (IsAsciiDigit(cell.at(j))) {
      start = j;
      break;
    }
  }
  if (start < 0) return {};
  qsizetype last = start;  // the last digit, point or "万" taken
  for (qsizetype j = start; j < cell.size(); ++j) {
    const QChar c = cell.at(j);
    if (IsAsciiDigit(c) || c == u'.') {
      last = j;
    } else if (c == u'万') {
      last = j;
      break;
    }
  }
  return cell.mid(start, last - start + 2);
}

Extraction ExtractAwards(const QString& result_cell) {
  PreparedCell prepared = PrepareCell(result_cell);
  Extraction result;
  switch (prepared.layout) {
    case CellLayout::kColon:
      ExtractColon(prepared.text, NumberRun(prepared.text), result.awards);
      break;
    case CellLayout::kComma:
      ExtractComma(prepared.text, result.awards);
      break;
    case CellLayout::kSingle:
      ExtractSingle(prepared.text, NumberRun(prepared.text), result.awards);
      break;
  }
  result.prepared_cell = std::move(prepared.text);
  return result;
}

}  // namespace talvec
