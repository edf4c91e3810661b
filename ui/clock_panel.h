// The clock panel Picture1: the time of day in large white digits, centred
// on a background picture.
#pragma once

#include <QPixmap>
#include <QString>
#include <QTime>
#include <QWidget>

namespace talvec {

// "HH:MM:SS" on the 24-hour clock.
QString ClockText(const QTime& time);

class ClockPanel : public QWidget {
  Q_OBJECT

 public:
  // `background` is the picture's file; without one a dark gradient is drawn.
  explicit ClockPanel(const QString& background, QWidget* parent = nullptr);

  // Draws the given time from now on.
  void ShowTime(const QTime& time);
  const QString& text() const { return text_; }
  // The face the digits are drawn in: 黑体 32 pt, or a CJK face where it is
  // missing.
  const QFont& clockFont() const { return font_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap background_;
  QFont font_;
  QString text_;
};

}  // namespace talvec
