#include "sitesim/notice_forms.h"

#include <QLocale>
#include <cmath>

#include "sitesim/site_data.h"

namespace talvec::sitesim::forms {
namespace {

const char16_t kUpperDigits[] = u"零壹贰叁肆伍陆柒捌玖";
const char16_t kUpperUnits[] = u" 拾佰仟";  // position 0 has no unit

// One group of four digits (1..9999) in upper-case numerals; `zero_first`
// puts the 零 that stands for leading zeros of the group.
QString UpperGroup(int group, bool zero_first) {
  QString out;
  bool zero = zero_first;
  for (int pos = 3; pos >= 0; --pos) {
    int d = group;
    for (int i = 0; i < pos; ++i) d /= 10;
    d %= 10;
    if (d == 0) {
      if (!out.isEmpty()) zero = true;
      continue;
    }
    if (zero) out += QChar(kUpperDigits[0]);
    zero = false;
    out += QChar(kUpperDigits[d]);
    if (pos > 0) out += QChar(kUpperUnits[pos]);
  }
  return out;
}

QString Thousands(qint64 whole) {
  QString digits = QString::number(whole);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u',');
  return digits;
}

QString Two(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString FullWidth(const QString& text) {
  QString out;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    out += u > 0x20 && u < 0x7F ? QChar(char16_t(u - 0x20 + 0xFF00)) : c;
  }
  return out;
}

}  // namespace

QString Decimal(double value) {
  QString text = QString::number(value, 'f', 2);
  if (text.contains(u'.')) {
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
  }
  return text;
}

QString UpperYuan(qint64 yuan) {
  if (yuan <= 0) return QStringLiteral("零元整");
  const int groups[3] = {static_cast<int>(yuan / 100000000 % 10000),
                         static_cast<int>(yuan / 10000 % 10000), static_cast<int>(yuan % 10000)};
  const char16_t* const names[3] = {u"亿", u"万", u""};
  QString out;
  bool gap = false;  // a zero group (or more) since the last written one
  for (int g = 0; g < 3; ++g) {
    if (groups[g] == 0) {
      if (!out.isEmpty()) gap = true;
      continue;
    }
    out += UpperGroup(groups[g], !out.isEmpty() && (gap || groups[g] < 1000));
    out += QString::fromUtf16(names[g]);
    gap = false;
  }
  return out + QStringLiteral("元整");
}

QString TimeValue(const QDateTime& time) {
  return time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString DateValue(QDate date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QString Money(double yuan, Rng& rng, bool upper_only_allowed) {
  const qint64 whole = std::llround(yuan);
  const double f = rng.Unit();
  if (whole >= 100000000 && whole % 1000000 == 0 && f < 0.3)
    return Decimal(yuan / 100000000.0) + QStringLiteral("亿元");
  if (f < 0.22) return Thousands(whole) + QStringLiteral(".00元");
  if (f < 0.36) return QString::number(whole) + QStringLiteral(".00元");
  if (f < 0.46) return QString::number(whole) + QStringLiteral("元");
  if (f < 0.58) return QStringLiteral("￥") + Decimal(yuan / 10000.0) + QStringLiteral("万元");
  if (f < 0.72) {
    return Decimal(yuan / 10000.0) + QStringLiteral("万元（大写：") + UpperYuan(whole) +
           QStringLiteral("）");
  }
  if (f < 0.80) return QStringLiteral("￥") + Thousands(whole) + QStringLiteral(".00");
  if (f < 0.87) return QString::number(whole) + QStringLiteral(".00 元");
  if (f < 0.93) return QStringLiteral("人民币") + Decimal(yuan / 10000.0) + QStringLiteral(" 万元");
  if (upper_only_allowed) return QStringLiteral("人民币") + UpperYuan(whole);
  return QString::number(whole) + QStringLiteral("元");
}

QString NotMoney(Rng& rng) {
  static const char16_t* const kTexts[] = {u"保密", u"详见采购文件", u"下浮率3%", u"详见招标文件",
                                           u"以财政评审金额为准"};
  return QString::fromUtf16(kTexts[rng.Below(5)]);
}

QString Time(const QDateTime& time, Rng& rng) {
  const QDate d = time.date();
  const int h = time.time().hour(), m = time.time().minute();
  const QString ymd =
      QStringLiteral("%1年%2月%3日").arg(d.year()).arg(Two(d.month()), Two(d.day()));
  const QString ymd_short =
      QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day());
  switch (rng.Below(7)) {
    case 0:
      return ymd + QStringLiteral(" %1点%2分（北京时间）").arg(Two(h), Two(m));
    case 1:
      return DateValue(d) + QStringLiteral(" %1:%2:00").arg(Two(h), Two(m));
    case 2:
      if (h < 12) return ymd_short + QStringLiteral("上午%1:%2").arg(h).arg(Two(m));
      if (h > 12) return ymd_short + QStringLiteral("下午%1:%2").arg(h - 12).arg(Two(m));
      return ymd_short + QStringLiteral(" %1:%2").arg(h).arg(Two(m));
    case 3:
      return ymd_short + QStringLiteral(" %1时%2分").arg(h).arg(Two(m));
    case 4:
      return ymd + QStringLiteral("%1:%2").arg(Two(h), Two(m));
    case 5:
      return QStringLiteral("%1/%2/%3 %4:%5")
          .arg(d.year())
          .arg(d.month())
          .arg(d.day())
          .arg(Two(h), Two(m));
    default:
      return ymd + QStringLiteral(" %1:%2（北京时间）").arg(Two(h), Two(m));
  }
}

QString Date(QDate date, Rng& rng) {
  switch (rng.Below(3)) {
    case 0:
      return QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
    case 1:
      return DateValue(date);
    default:
      return QStringLiteral("%1年%2月%3日")
          .arg(date.year())
          .arg(Two(date.month()), Two(date.day()));
  }
}

QString Window(const QDateTime& from, const QDateTime& until, Rng& rng, QString* from_value,
               QString* until_value) {
  const QDate a = from.date(), b = until.date();
  switch (rng.Below(4)) {
    case 0:
      *from_value = DateValue(a);
      *until_value = DateValue(b);
      return QStringLiteral(
                 "%1年%2月%3日至%4年%5月%6日，每天上午9:00至12:00，下午14:00至17:00"
                 "（北京时间，法定节假日除外）")
          .arg(a.year())
          .arg(Two(a.month()), Two(a.day()))
          .arg(b.year())
          .arg(Two(b.month()), Two(b.day()));
    case 1:
      *from_value = TimeValue(from);
      *until_value = TimeValue(until);
      return DateValue(a) + QStringLiteral(" %1:00 至 ").arg(from.time().toString(u"HH:mm")) +
             DateValue(b) + QStringLiteral(" %1:00").arg(until.time().toString(u"HH:mm"));
    case 2:
      *from_value = TimeValue(from);
      *until_value = TimeValue(until);
      return QStringLiteral("%1年%2月%3日%4至%5年%6月%7日%8")
          .arg(a.year())
          .arg(a.month())
          .arg(a.day())
          .arg(from.time().toString(u"H:mm"))
          .arg(b.year())
          .arg(b.month())
          .arg(b.day())
          .arg(until.time().toString(u"H:mm"));
    default:
      *from_value = DateValue(a);
      *until_value = DateValue(b);
      return QStringLiteral("自%1起至%2止").arg(Date(a, rng), Date(b, rng));
  }
}

QString NewProjectKey(int year, int region, bool provincial, Rng& rng) {
  switch (rng.Below(4)) {
    case 0:
      return QStringLiteral("N51%1%2%3")
          .arg(provincial ? 0 : 100 + region, 4, 10, QLatin1Char('0'))
          .arg(year)
          .arg(rng.Below(1000000), 6, 10, QLatin1Char('0'));
    case 1:
      return QStringLiteral("SCZC%1-%2-%3")
          .arg(year)
          .arg(rng.Chance(0.5) ? u'G' : u'F')
          .arg(rng.Below(10000), 4, 10, QLatin1Char('0'));
    case 2:
      return QStringLiteral("%1ZFCG(%2)%3")
          .arg(provincial ? QStringLiteral("SC") : QStringLiteral("S%1").arg(region + 1))
          .arg(year)
          .arg(rng.Below(1000), 3, 10, QLatin1Char('0'));
    default:
      return QStringLiteral("JLZB-%1-%2-CG")
          .arg(year)
          .arg(rng.Below(1000), 3, 10, QLatin1Char('0'));
  }
}

QString WrittenNumber(const QString& key, Rng& rng) {
  const double f = rng.Unit();
  if (f < 0.55) return key;
  QString text = key;
  if (f < 0.65) return FullWidth(key);
  if (f < 0.75) {
    static const char16_t kDashes[] = u"—－–‐";
    return text.replace(u'-', QChar(kDashes[rng.Below(4)]));
  }
  if (f < 0.85 && key.contains(u'(')) {
    return text.replace(u'(', QChar(u'（')).replace(u')', QChar(u'）'));
  }
  if (f < 0.92) return key.toLower();
  // A blank after the letters that open it, or a wide one.
  qsizetype at = 0;
  while (at < text.size() && text[at].isLetter()) ++at;
  if (at == 0 || at >= text.size()) return key;
  text.insert(at, rng.Chance(0.5) ? QChar(u' ') : QChar(u'\u3000'));
  return text;
}

}  // namespace talvec::sitesim::forms
