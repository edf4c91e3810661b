#include "ui/status_light.h"

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <algorithm>

namespace talvec {

int AdvancePulse(PulseState& state) {
  state.level += state.falling ? -40 : 40;
  if (state.level > 255) state.falling = true;
  if (state.level < 1) state.falling = false;
  state.level = std::clamp(state.level, 0, 255);
  return state.level;
}

StatusLight::StatusLight(QWidget* light, QObject* parent)
    : QObject(parent), light_(light), Timer1(this), Timer2(this), Timer3(this) {
  setObjectName(QStringLiteral("StatusLight"));
  const std::pair<QTimer*, const char*> pulses[] = {
      {&Timer1, "Timer1"}, {&Timer2, "Timer2"}, {&Timer3, "Timer3"}};
  for (auto [timer, name] : pulses) {
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(kPulseMs);
    connect(timer, &QTimer::timeout, this, [this, timer = timer] { Tick(timer); });
  }
}

void StatusLight::Show(int red, int green, int blue) {
  if (!light_) return;
  QPalette palette = light_->palette();
  palette.setColor(QPalette::Window, QColor(red, green, blue));
  light_->setPalette(palette);
  light_->setAutoFillBackground(true);
  light_->show();
}

void StatusLight::Hide() {
  if (light_) light_->hide();
}

void StatusLight::HideWhenIdle() {
  if (!Timer1.isActive() && !Timer2.isActive() && !Timer3.isActive()) Hide();
}

void StatusLight::StartWorking() {
  if (!Timer1.isActive()) Timer1.start();
}

void StatusLight::StopWorking(bool hide_light) {
  Timer1.stop();
  if (hide_light) Hide();
}

void StatusLight::StartSearch() {
  Show(0, 0, pulse_.level);
  Timer2.start();
}

void StatusLight::StopSearch() {
  Timer2.stop();
  Hide();
}

void StatusLight::SetUnreachable(bool unreachable) {
  if (unreachable) {
    Timer1.stop();
    if (!Timer3.isActive()) Timer3.start();
  } else {
    Timer3.stop();
    HideWhenIdle();
  }
}

void StatusLight::StartCycle() {
  pulse_.level = static_cast<int>(random_() >> 24);  // 0..255
  Show(0, 0, 0);
  StartWorking();
}

void StatusLight::Tick(QTimer* timer) {
  const int level = AdvancePulse(pulse_);
  if (timer == &Timer1)
    Show(0, level, 0);
  else if (timer == &Timer2)
    Show(0, 0, level);
  else
    Show(level, 0, 0);
}

}  // namespace talvec
