#include "collect/collection_window.h"


namespace talvec {

bool InCollectionWindow(const QTime& now, const QString& begin, const QString& end) {
  const QString format = QStringLiteral("HH:mm:ss");
  const QString begin_text = ReadTimeOfDay(begin).value_or(QTime(0, 0, 0)).toString(format);
  const QString end_text = ReadTimeOfDay(end).value_or(QTime(23, 59, 59)).toString(format);
  const QString now_text = now.toString(format);
  return begin_text <= now_text && now_text <= end_text;
}

}  // namespace talvec
