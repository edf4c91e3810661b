#include "core/dates.h"

#include <QRegularExpression>

namespace talvec {

std::optional<QDate> ReadDate(const QString& text) {
  static const QRegularExpression date_form(
      QStringLiteral("^\\s*(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?(?:[ "
                     "T]+[0-9:.]*)?\\s*$"));
  const QRegularExpressionMatch m = date_form.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QDate date(m.capturedView(1).toInt(), m.capturedView(2).toInt(), m.capturedView(3).toInt());
  if (!date.isValid()) return std::nullopt;
  return date;
}

QString ReformatDate(const QString& text) {
  const std::optional<QDate> date = ReadDate(text);
  return date ? DateText(*date) : text;
}

}  // namespace talvec
