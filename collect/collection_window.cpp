#include "collect/collection_window.h"

#include <QDate>
#include <QRegularExpression>

namespace talvec {

std::optional<QTime> ReadTimeOfDay(const QString& text) {
  // [0-9], not \d: other scripts' digits are no part of a time.
  static const QRegularExpression form(
      QStringLiteral("^(?:([0-9]{4})([-/])([0-9]{1,2})\\2([0-9]{1,2})\\s+)?"  // date part
                     "(?:(上午|下午)\\s*)?"                                   // 12-hour mark before
                     "([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?"                // H:MM[:SS]
                     "(?:\\s*([AaPp][Mm]))?$"));                              // 12-hour mark after
  const QRegularExpressionMatch m = form.match(text.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  if (m.hasCaptured(1) &&
      !QDate(m.capturedView(1).toInt(), m.capturedView(3).toInt(), m.capturedView(4).toInt())
           .isValid()) {
    return std::nullopt;
  }
  const QStringView before = m.capturedView(5);
  const QStringView after = m.capturedView(9);
  int hour = m.capturedView(6).toInt();
  if (!before.isEmpty() || !after.isEmpty()) {
    if (!before.isEmpty() && !after.isEmpty()) return std::nullopt;
    if (hour < 1 || hour > 12) return std::nullopt;
    const bool pm = before == u"下午" || after.startsWith(u'p', Qt::CaseInsensitive);
    hour = hour % 12 + (pm ? 12 : 0);
  }
  const int minute = m.capturedView(7).toInt();
  const int second = m.hasCaptured(8) ? m.capturedView(8).toInt() : 0;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return QTime(hour, minute, second);
}

bool InCollectionWindow(const QTime& now, const QString& begin, const QString& end) {
  const QString format = QStringLiteral("HH:mm:ss");
  const QString begin_text = ReadTimeOfDay(begin).value_or(QTime(0, 0, 0)).toString(format);
  const QString end_text = ReadTimeOfDay(end).value_or(QTime(23, 59, 59)).toString(format);
  const QString now_text = now.toString(format);
  return begin_text <= now_text && now_text <= end_text;
}

}  // namespace talvec
