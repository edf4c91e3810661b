#include "analysis/award_cleaning.h"

#include <span>

#include "core/numeric.h"
#include "core/text.h"

namespace talvec {

namespace {

constexpr QStringView kSingleSupplierWords[] = {
    u"第一包",   u"第二包", u"第三包",     u"拟中标人", u"中标人",   u"中标", u"第二", u"第三",
    u"拟中选人", u"中选人", u"第一",       u"候选人",   u"候选单位", u"单位", u"候选", u"投标商为",
    u"投标商",   u"投标",   u"成交供应商", u"成交商",   u"供应商",   u"成交", u"\r\n", u"包一",
    u"包二",     u"包三",   u"包四",       u"商家",     u"-"};

// As the single list, with "供应商" twice more after "候选".
constexpr QStringView kColonSupplierWords[] = {
    u"第一包", u"第二包",   u"第三包", u"拟中标人", u"中标人", u"中标",     u"第二",
    u"第三",   u"拟中选人", u"中选人", u"第一",     u"候选人", u"候选单位", u"单位",
    u"候选",   u"供应商",   u"供应商", u"投标商为", u"投标商", u"投标",     u"成交供应商",
    u"成交商", u"供应商",   u"成交",   u"\r\n",     u"包一",   u"包二",     u"包三",
    u"包四",   u"商家",     u"-"};

// As the single list, with the line break removed last but one.
constexpr QStringView kCommaSupplierWords[] = {
    u"第一包",   u"第二包", u"第三包",     u"拟中标人", u"中标人",   u"中标", u"第二", u"第三",
    u"拟中选人", u"中选人", u"第一",       u"候选人",   u"候选单位", u"单位", u"候选", u"投标商为",
    u"投标商",   u"投标",   u"成交供应商", u"成交商",   u"供应商",   u"成交", u"包一", u"包二",
    u"包三",     u"包四",   u"商家",       u"\r\n",     u"-"};

constexpr QStringView kColonAmountWords[] = {u"）",       u"人民币",   u")",      u",",
                                             u"中标金额", u"中标总价", u"中标价", u"中标内容",
                                             u"中标",     u"内容",     u"；",     u";"};

constexpr QStringView kCommaAmountWords[] = {
    u"中标",   u"金额",     u"价",       u"为",     u"成交",   u"报价", u"报",
    u"中选价", u"中标价",   u"人民币",   u"）",     u")",      u"。",   u",",
    u"，",     u"中标金额", u"中标总价", u"中标价", u"中选价", u"中选", u"价"};

constexpr QStringView kSingleAmountWords[] = {u"人民币", u"）",       u")",        u"。",    u",",
                                              u"，",     u"中标金额", u"中标总价", u"中标价"};

constexpr QStringView kRejectedWords[] = {u"废标", u"流标", u"不足", u"交易服务中心"};

std::span<const QStringView> SupplierWords(CellLayout layout) {
  switch (layout) {
    case CellLayout::kColon:
      return kColonSupplierWords;
    case CellLayout::kComma:
      return kCommaSupplierWords;
    case CellLayout::kSingle:
      break;
  }
  return kSingleSupplierWords;
}

std::span<const QStringView> AmountWords(CellLayout layout) {
  switch (layout) {
    case CellLayout::kColon:
      return kColonAmountWords;
    case CellLayout::kComma:
      return kCommaAmountWords;
    case CellLayout::kSingle:
      break;
  }
  return kSingleAmountWords;
}

// Replaces the text by what follows the first occurrence of `separator`.
void CutAfter(QString& text, QStringView separator) {
  const qsizetype at = text.indexOf(separator);
  if (at >= 0) text.remove(0, at + separator.size());
}

}  // namespace

QString CleanSupplierName(CellLayout layout, const QString& text) {
  QString name = text;
  for (QStringView word : SupplierWords(layout)) RemoveAll(name, word);

  // Leading numbering ("1、", "1.") and bracketed remarks go with everything
  // before them; each cut sees the result of the previous one.
  CutAfter(name, u"、");
  CutAfter(name, u".");
  CutAfter(name, u" ");
  CutAfter(name, u"。");
  CutAfter(name, u")");
  if (!name.contains(u'(')) CutAfter(name, u"）");
  if (!name.contains(u'（')) CutAfter(name, u"）");
  CutAfter(name, u";");
  CutAfter(name, u"；");
  CutAfter(name, u":");
  CutAfter(name, u"：");
  return name;
}

QString CleanAmount(CellLayout layout, const QString& text) {
  QString amount = text;
  for (QStringView word : AmountWords(layout)) RemoveAll(amount, word);

  if (layout == CellLayout::kColon) {
    // A value written out in Chinese numerals is no number.
    if (!amount.isEmpty() && IsWide(amount.at(0))) amount.clear();
    for (QStringView stop : {QStringView(u"，"), QStringView(u","), QStringView(u"。")}) {
      const qsizetype at = amount.indexOf(stop);
      if (at >= 0) amount.truncate(at + stop.size());
    }
  }

  const qsizetype yuan = amount.indexOf(u'元');
  if (yuan >= 0) amount.truncate(yuan);

  if (amount.contains(u'万')) {
    amount.remove(u'万');
    amount = DecimalText(NumericValue(amount) * 10000);
  }

  if (NumericValue(amount) == 0) amount.clear();
  return amount;
}

bool AcceptAward(const QString& supplier) {
  if (supplier.size() <= 5) return false;
  for (QStringView word : kRejectedWords) {
    if (supplier.contains(word)) return false;
  }
  for (QChar c : supplier) {
    if (IsAsciiDigit(c)) return false;
  }
  return true;
}

std::optional<Award> CleanAndAccept(CellLayout layout, const QString& supplier,
                                    const QString& amount) {
  Award award{TrimBlanks(CleanSupplierName(layout, supplier)),
              TrimBlanks(CleanAmount(layout, amount))};
  if (!AcceptAward(award.supplier)) return std::nullopt;
  return award;
}

}  // namespace talvec
