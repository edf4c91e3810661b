#include "core/numeric.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace talvec {

namespace {

// Blanks, tabs and line feeds; a carriage return ends the number.
bool IsSkipped(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// ASCII digits only: full-width and other digits are no part of a number.
int DigitValue(QChar c, int radix) {
  const char16_t u = c.unicode();
  int d = -1;
  if (u >= '0' && u <= '9')
    d = u - '0';
  else if (u >= 'A' && u <= 'F')
    d = u - 'A' + 10;
  else if (u >= 'a' && u <= 'f')
    d = u - 'a' + 10;
  return d < radix ? d : -1;
}

// Reads "&H..." / "&O..." after the prefix; the number is signed in the
// width its digits fill (16 bits up to four hex digits, otherwise 32).
double RadixValue(const QString& text, qsizetype pos, int radix) {
  quint64 value = 0;
  int digits = 0;
  for (; pos < text.size(); ++pos) {
    const QChar c = text.at(pos);
    if (IsSkipped(c)) continue;
    const int d = DigitValue(c, radix);
    if (d < 0) break;
    value = value * radix + d;
    if (++digits > 22 || value > 0xFFFFFFFFull) return 0;  // overflow: no number
  }
  if (value <= 0xFFFF && (radix == 16 ? digits <= 4 : digits <= 6)) {
    return static_cast<qint16>(static_cast<quint16>(value));
  }
  return static_cast<qint32>(static_cast<quint32>(value));
}

}  // namespace

double NumericValue(const QString& text) {
  qsizetype pos = 0;
  const qsizetype n = text.size();
  auto skip = [&] {
    while (pos < n && IsSkipped(text.at(pos))) ++pos;
  };
  skip();
  if (pos < n && text.at(pos) == QLatin1Char('&')) {
    qsizetype p = pos + 1;
    while (p < n && IsSkipped(text.at(p))) ++p;
    const QChar kind = p < n ? text.at(p).toUpper() : QChar();
    if (kind == QLatin1Char('H')) return RadixValue(text, p + 1, 16);
    if (kind == QLatin1Char('O')) return RadixValue(text, p + 1, 8);
    return 0;
  }

  std::string number;
  if (pos < n && (text.at(pos) == QLatin1Char('+') || text.at(pos) == QLatin1Char('-'))) {
    if (text.at(pos) == QLatin1Char('-')) number += '-';
    ++pos;
  }
  bool any_digit = false;
  bool point = false;
  for (; pos < n; ++pos) {
    const QChar c = text.at(pos);
    if (IsSkipped(c)) continue;
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
      number += static_cast<char>(c.unicode());
      any_digit = true;
    } else if (c == QLatin1Char('.') && !point) {
      number += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!any_digit) return 0;
  // An exponent counts only when digits follow it.
  if (pos < n) {
    const QChar e = text.at(pos).toUpper();
    if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
      qsizetype p = pos + 1;
      std::string exponent = "e";
      while (p < n && IsSkipped(text.at(p))) ++p;
      if (p < n && (text.at(p) == QLatin1Char('+') || text.at(p) == QLatin1Char('-'))) {
        exponent += static_cast<char>(text.at(p).unicode());
        ++p;
      }
      bool exp_digit = false;
      for (; p < n; ++p) {
        const QChar c = text.at(p);
        if (IsSkipped(c)) continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        exponent += static_cast<char>(c.unicode());
        exp_digit = true;
        if (exponent.size() > 8) break;
      }
      if (exp_digit) number += exponent;
    }
  }
  // from_chars reads the C form whatever the process's locale ("12.5", not
  // "12,5"); out of range, it leaves the value at 0.
  double value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

QString DecimalText(double value) {
  if (!std::isfinite(value)) return QStringLiteral("0");
  if (value == 0) return QStringLiteral("0");
  char buffer[64];
  // The C form whatever the process's locale; "%.15G" as printf writes it.
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (error != std::errc()) return QStringLiteral("0");
  QString text = QString::fromLatin1(buffer, end - buffer).toUpper();
  // "1.5E+20" keeps its form; "0.5" becomes ".5".
  if (text.startsWith(QLatin1String("0.")))
    text.remove(0, 1);
  else if (text.startsWith(QLatin1String("-0.")))
    text.remove(1, 1);
  return text;
}

std::optional<qint16> RoundToInt16(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // default mode: halves to even
  if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
  return static_cast<qint16>(rounded);
}

}  // namespace talvec
