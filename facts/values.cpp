#include "facts/values.h"

#include <QDate>
#include <cmath>

namespace talvec {
namespace {

// Full-width ASCII forms and the wide blank as their half-width selves.
QChar Half(QChar c) {
  const char16_t u = c.unicode();
  if (u >= 0xFF01 && u <= 0xFF5E) return QChar(char16_t(u - 0xFEE0));
  if (u == 0x3000 || u == 0x00A0) return QChar(u' ');
  return c;
}

QString Halved(QStringView text) { return HalfWidth(text); }
bool IsBlank(QChar c) { return IsFactBlank(c); }

bool IsDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

qsizetype SkipBlanks(QStringView t, qsizetype i) {
  while (i < t.size() && IsBlank(t[i])) ++i;
  return i;
}

// Up to `max` digits at i; the value, or -1 when none. `end` after them.
int Digits(QStringView t, qsizetype i, int max, qsizetype* end) {
  int value = 0, n = 0;
  while (i < t.size() && n < max && IsDigit(t[i])) {
    value = value * 10 + (t[i].unicode() - '0');
    ++i;
    ++n;
  }
  *end = i;
  // More digits than allowed: no such number here.
  if (n == 0 || (i < t.size() && IsDigit(t[i]))) return -1;
  return value;
}

bool StartsWithAt(QStringView t, qsizetype i, QStringView word) {
  return t.size() - i >= word.size() && t.mid(i, word.size()) == word;
}

// A date starting at i: "2026年12月8日", "2026-12-08", "2026/12/8", "2026.12.08".
std::optional<QDate> DateAt(QStringView t, qsizetype i, qsizetype* end) {
  if (i > 0 && IsDigit(t[i - 1])) return std::nullopt;
  qsizetype e;
  const int year = Digits(t, i, 4, &e);
  if (year < 1990 || year > 2100 || e - i != 4) return std::nullopt;
  qsizetype k = SkipBlanks(t, e);
  int month, day;
  if (k < t.size() && t[k] == u'年') {
    month = Digits(t, SkipBlanks(t, k + 1), 2, &e);
    k = SkipBlanks(t, e);
    if (month < 0 || k >= t.size() || t[k] != u'月') return std::nullopt;
    day = Digits(t, SkipBlanks(t, k + 1), 2, &e);
    if (day < 0) return std::nullopt;
    k = e;
    const qsizetype after = SkipBlanks(t, k);
    if (after < t.size() && (t[after] == u'日' || t[after] == u'号')) k = after + 1;
  } else if (e < t.size() && (t[e] == u'-' || t[e] == u'/' || t[e] == u'.')) {
    const QChar sep = t[e];
    month = Digits(t, e + 1, 2, &e);
    if (month < 0 || e >= t.size() || t[e] != sep) return std::nullopt;
    day = Digits(t, e + 1, 2, &e);
    if (day < 0) return std::nullopt;
    k = e;
  } else {
    return std::nullopt;
  }
  const QDate date(year, month, day);
  if (!date.isValid()) return std::nullopt;
  *end = k;
  return date;
}

struct TimeOfDay {
  bool present = false;  // a time follows the date
  bool valid = false;
  int hour = 0, minute = 0;
};

// The time of day right after a date (blanks, a weekday and 上午/下午 between).
TimeOfDay TimeAt(QStringView t, qsizetype i, qsizetype* end) {
  TimeOfDay time;
  *end = i;
  i = SkipBlanks(t, i);
  // "（星期三）", "(周三)", "星期三"
  for (QStringView open : {QStringView(u"("), QStringView(u"（"), QStringView()}) {
    qsizetype k = i;
    if (!open.isEmpty()) {
      if (!StartsWithAt(t, k, open)) continue;
      k += open.size();
    }
    qsizetype w = -1;
    if (StartsWithAt(t, k, u"星期"))
      w = k + 2;
    else if (StartsWithAt(t, k, u"周"))
      w = k + 1;
    if (w < 0 || w >= t.size()) continue;
    k = w + 1;
    if (!open.isEmpty()) {
      if (k < t.size() && (t[k] == u')' || t[k] == u'）'))
        ++k;
      else
        continue;
    }
    i = SkipBlanks(t, k);
    break;
  }
  int shift = 0;  // 下午, 晚上: +12 h
  bool noon = false;
  static constexpr QStringView kPeriods[] = {u"上午", u"下午", u"晚上", u"中午", u"早上", u"凌晨"};
  for (QStringView period : kPeriods) {
    if (StartsWithAt(t, i, period)) {
      if (period == u"下午" || period == u"晚上") shift = 12;
      noon = period == u"中午";
      i = SkipBlanks(t, i + period.size());
      break;
    }
  }
  qsizetype e;
  const int hour = Digits(t, i, 2, &e);
  if (hour < 0) return time;
  qsizetype k = SkipBlanks(t, e);
  int minute = -1;
  if (k < t.size() && t[k] == u':') {
    minute = Digits(t, SkipBlanks(t, k + 1), 2, &e);
    if (minute < 0) return time;
    k = e;
    if (k + 2 < t.size() && t[k] == u':' && IsDigit(t[k + 1])) {
      qsizetype s;
      if (Digits(t, k + 1, 2, &s) >= 0) k = s;
    }
  } else if (k < t.size() && (t[k] == u'点' || t[k] == u'时')) {
    k = SkipBlanks(t, k + 1);
    minute = 0;
    if (k < t.size() && t[k] == u'半') {
      minute = 30;
      ++k;
    } else if (k < t.size() && t[k] == u'整') {
      ++k;
    } else {
      const int m = Digits(t, k, 2, &e);
      if (m >= 0) {
        const qsizetype f = SkipBlanks(t, e);
        if (f < t.size() && t[f] == u'分') {
          minute = m;
          k = f + 1;
        }
      }
    }
  } else {
    return time;  // a figure that is no time of day
  }
  time.present = true;
  *end = k;
  int h = hour;
  if (shift && h < 12) h += shift;
  if (noon && h < 11) h += 12;
  if (h > 23 || minute > 59) return time;
  time.valid = true;
  time.hour = h;
  time.minute = minute;
  return time;
}

QString Format(QDate date, const TimeOfDay& time) {
  QString text = date.toString(QStringLiteral("yyyy-MM-dd"));
  if (time.present) {
    text += QStringLiteral(" %1:%2")
                .arg(time.hour, 2, 10, QLatin1Char('0'))
                .arg(time.minute, 2, 10, QLatin1Char('0'));
  }
  return text;
}

// The first dated time from position `from`: its text form and end, or ""
// when there is none, or when the time after the date is not one.
QString FirstTime(QStringView t, qsizetype from, qsizetype* end, qsizetype* begin = nullptr) {
  for (qsizetype i = from; i + 4 <= t.size(); ++i) {
    if (!IsDigit(t[i])) continue;
    qsizetype e;
    const std::optional<QDate> date = DateAt(t, i, &e);
    if (!date) continue;
    qsizetype te;
    const TimeOfDay time = TimeAt(t, e, &te);
    if (begin) *begin = i;
    *end = time.present ? te : e;
    if (time.present && !time.valid) return {};
    return Format(*date, time);
  }
  *end = t.size();
  return {};
}

constexpr QStringView kUpperDigits = u"零壹贰叁肆伍陆柒捌玖";

int UpperDigit(QChar c) {
  const qsizetype at = kUpperDigits.indexOf(c);
  if (at >= 0) return static_cast<int>(at);
  return c == u'〇' ? 0 : c == u'两' ? 2 : -1;
}

bool IsUpperChar(QChar c) {
  return UpperDigit(c) >= 0 || QStringView(u"拾佰仟万亿元圆角分整正").contains(c);
}

}  // namespace

QString HalfWidth(QStringView text) {
  QString out(text.size(), Qt::Uninitialized);
  QChar* d = out.data();
  for (QChar c : text) *d++ = Half(c);
  return out;
}

bool IsFactBlank(QChar c) {
  const char16_t u = c.unicode();
  return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == 0x3000 || u == 0x00A0;
}

std::optional<double> ReadUpperNumerals(QStringView text) {
  double total = 0;  // whole groups of 亿 and 万
  qint64 section = 0;
  int number = -1;  // the digit waiting for its unit
  bool digit_before = false, any = false, yuan = false, ended = false;
  double whole = 0, fraction = 0;
  for (QChar c : text) {
    if (ended) return std::nullopt;
    const int d = UpperDigit(c);
    if (d >= 0) {
      if (digit_before && number > 0) return std::nullopt;  // two figures in a row
      number = d;
      digit_before = true;
      any = true;
      continue;
    }
    digit_before = false;
    const char16_t u = c.unicode();
    if (u == u'拾' || u == u'佰' || u == u'仟') {
      const int unit = u == u'拾' ? 10 : u == u'佰' ? 100 : 1000;
      if (number < 0) {
        if (unit != 10 || section != 0) return std::nullopt;
        number = 1;  // "拾万" is ten ten-thousands
        any = true;
      }
      if (number == 0) return std::nullopt;
      section += static_cast<qint64>(number) * unit;
      number = -1;
    } else if (u == u'万') {
      section += std::max(number, 0);
      if (section == 0) return std::nullopt;
      total += static_cast<double>(section) * 1e4;
      section = 0;
      number = -1;
    } else if (u == u'亿') {
      section += std::max(number, 0);
      if (total + section == 0) return std::nullopt;
      total = (total + static_cast<double>(section)) * 1e8;
      section = 0;
      number = -1;
    } else if (u == u'元' || u == u'圆') {
      if (yuan) return std::nullopt;
      whole = total + static_cast<double>(section) + std::max(number, 0);
      yuan = true;
      total = 0;
      section = 0;
      number = -1;
    } else if (u == u'角' || u == u'分') {
      if (number < 0) return std::nullopt;
      fraction += number * (u == u'角' ? 0.1 : 0.01);
      number = -1;
      yuan = true;  // the yuan part may be absent ("伍角")
    } else if (u == u'整' || u == u'正') {
      ended = true;
    } else {
      return std::nullopt;
    }
  }
  if (!any || !yuan || number > 0 || section != 0 || total != 0) return std::nullopt;
  return whole + fraction;
}

std::optional<double> ReadMoney(QStringView raw, double default_unit) {
  const QString t = Halved(raw);
  for (QStringView word : {QStringView(u"%"), QStringView(u"率"), QStringView(u"折"),
                           QStringView(u"下浮"), QStringView(u"上浮")}) {
    if (t.contains(word)) return std::nullopt;
  }
  // The Arabic figures: digits with thousands separators and a decimal part.
  int figures = 0;
  qsizetype start = -1, stop = -1;
  double value = 0;
  for (qsizetype i = 0; i < t.size(); ++i) {
    if (!IsDigit(t[i])) continue;
    if (++figures > 1) return std::nullopt;
    start = i;
    QString digits;
    qsizetype k = i;
    while (k < t.size()) {
      if (IsDigit(t[k])) {
        digits += t[k++];
      } else if (t[k] == u',' && k + 3 < t.size() && IsDigit(t[k + 1]) && IsDigit(t[k + 2]) &&
                 IsDigit(t[k + 3]) && (k + 4 >= t.size() || !IsDigit(t[k + 4]))) {
        ++k;  // a thousands separator
      } else {
        break;
      }
    }
    if (k + 1 < t.size() && t[k] == u'.' && IsDigit(t[k + 1])) {
      digits += u'.';
      ++k;
      while (k < t.size() && IsDigit(t[k])) digits += t[k++];
    }
    if (k < t.size() && (t[k] == u',' || t[k] == u'.') && k + 1 < t.size() && IsDigit(t[k + 1]))
      return std::nullopt;  // "1,23" or "1.2.3": no figure we read
    bool ok = false;
    value = digits.toDouble(&ok);  // QString::toDouble is locale-free
    if (!ok || !std::isfinite(value)) return std::nullopt;
    stop = k;
    i = k - 1;
  }
  // Upper-case numerals: the run of them (at most one that holds a figure).
  std::optional<double> upper;
  int runs = 0;
  for (qsizetype i = 0; i < t.size();) {
    if (!IsUpperChar(t[i])) {
      ++i;
      continue;
    }
    qsizetype k = i;
    bool has_digit = false;
    while (k < t.size() && IsUpperChar(t[k])) {
      has_digit |= UpperDigit(t[k]) >= 0 || t[k] == u'拾';  // "拾万元" is ten ten-thousands
      ++k;
    }
    if (has_digit) {
      if (++runs > 1) return std::nullopt;
      upper = ReadUpperNumerals(t.mid(i, k - i));
      if (!upper) return std::nullopt;
    }
    i = k;
  }
  if (figures == 0) return upper;

  double unit = 0;
  const qsizetype after = SkipBlanks(t, stop);
  const QStringView rest = QStringView(t).mid(after);
  if (rest.startsWith(u"亿")) {
    unit = 1e8;
  } else if (rest.startsWith(u"万")) {
    unit = 1e4;
  } else if (rest.startsWith(u"元") || rest.startsWith(u"圆")) {
    unit = 1;
  } else {
    qsizetype before = start;
    while (before > 0 && IsBlank(t[before - 1])) --before;
    const QStringView head = QStringView(t).left(before);
    if (head.endsWith(u"￥") || head.endsWith(u"¥") || head.endsWith(u"人民币") ||
        head.endsWith(u"RMB", Qt::CaseInsensitive)) {
      unit = 1;
    } else if (default_unit > 0) {
      unit = default_unit;
    }
  }
  if (unit == 0) return std::nullopt;
  const double yuan = std::round(value * unit * 100.0) / 100.0;
  // The figure and the numerals must say the same.
  if (upper && std::llround(*upper * 100) != std::llround(yuan * 100)) return std::nullopt;
  return yuan;
}

QString ReadTime(QStringView raw) {
  const QString t = Halved(raw);
  qsizetype end;
  return FirstTime(t, 0, &end);
}

bool StatesDate(QStringView raw) {
  const QString t = Halved(raw);
  for (qsizetype i = 0; i + 4 <= t.size(); ++i) {
    qsizetype end;
    if (IsDigit(t[i]) && DateAt(t, i, &end)) return true;
  }
  return false;
}

TimeWindow ReadWindow(QStringView raw) {
  const QString t = Halved(raw);
  TimeWindow window;
  qsizetype end;
  window.from = FirstTime(t, 0, &end);
  if (window.from.isEmpty()) return window;
  // "至", "到", "~" right after the start ("起至" and blanks allowed).
  qsizetype k = SkipBlanks(t, end);
  if (k < t.size() && t[k] == u'起') k = SkipBlanks(t, k + 1);
  if (k >= t.size() || !(t[k] == u'至' || t[k] == u'到' || t[k] == u'~')) return window;
  k = SkipBlanks(t, k + 1);
  qsizetype date_end;
  if (k >= t.size() || !DateAt(t, k, &date_end)) return window;
  window.until = FirstTime(t, k, &end);
  return window;
}

QString ProjectKey(QStringView number) {
  QString key;
  key.reserve(number.size());
  for (QChar raw : number) {
    QChar c = Half(raw);
    const char16_t u = c.unicode();
    if (IsBlank(c)) continue;
    if (u == 0x2010 || u == 0x2011 || u == 0x2012 || u == 0x2013 || u == 0x2014 || u == 0x2015 ||
        u == 0x2212 || u == 0xFE63 || u == 0x2043) {
      c = u'-';
    } else if (u == u'（') {
      c = u'(';
    } else if (u == u'）') {
      c = u')';
    } else if (u >= 'a' && u <= 'z') {
      c = QChar(char16_t(u - 'a' + 'A'));
    }
    key += c;
  }
  return key;
}

QString YuanText(double yuan) {
  QString text = QString::number(yuan, 'f', 2);
  if (text.contains(u'.')) {
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
  }
  return text;
}

}  // namespace talvec
