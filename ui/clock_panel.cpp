#include "ui/clock_panel.h"

#include <QLinearGradient>
#include <QPainter>

namespace talvec {

QString ClockText(const QTime& time) { return time.toString(QStringLiteral("HH:mm:ss")); }

ClockPanel::ClockPanel(const QString& background, QWidget* parent)
    : QWidget(parent), background_(background) {
  setObjectName(QStringLiteral("Picture1"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  // 黑体 where the system has it; otherwise the first CJK face found.
  font_.setFamilies({QStringLiteral("黑体"), QStringLiteral("SimHei"),
                     QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                     QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei"),
                     QStringLiteral("Droid Sans Fallback"), QStringLiteral("sans-serif")});
  font_.setPointSize(32);
}

void ClockPanel::ShowTime(const QTime& time) {
  const QString text = ClockText(time);
  if (text == text_) return;
  text_ = text;
  update();
}

void ClockPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!background_.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), background_);
  } else {
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, QColor(0x2c, 0x3e, 0x5c));
    shade.setColorAt(1, QColor(0x12, 0x1b, 0x2b));
    painter.fillRect(rect(), shade);
  }
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setFont(font_);
  painter.setPen(Qt::white);
  painter.drawText(rect(), Qt::AlignCenter, text_);
}

}  // namespace talvec
