#include "ui/elided_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace talvec {

void ElidedLabel::SetFullText(const QString& text) {
  full_text_ = text;
  Fit();
}

void ElidedLabel::Fit() {
  const int room = contentsRect().width() - 2 * margin() - 2 * std::max(0, indent());
  const QFontMetrics metrics(font());
  QStringList lines = full_text_.split(QLatin1Char('\n'));
  elided_ = false;
  for (QString& line : lines) {
    if (metrics.horizontalAdvance(line) <= room) continue;
    line = metrics.elidedText(line, Qt::ElideRight, room);
    elided_ = true;
  }
  setText(lines.join(QLatin1Char('\n')));
  setToolTip(elided_ ? full_text_ : QString());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Fit();
}

void ElidedLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  // A style sheet or font change alters the text's width.
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) Fit();
}

}  // namespace talvec
