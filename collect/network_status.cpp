#include "collect/network_status.h"

#include <QLoggingCategory>
#include <qcorosignal.h>

#include "collect/page_fetcher.h"

Q_LOGGING_CATEGORY(lcNetwork, "talvec.network")

namespace talvec {

bool IsUnusablePage(const QString& text) {
  return text.isEmpty() || text.contains(QStringLiteral("无法找到该页")) ||
         text.contains(QStringLiteral("页面没有找到"));
}

int AdvancePulse(PulseState& state) {
  state.level += state.falling ? -40 : 40;
  if (state.level > 255) state.falling = true;
  if (state.level < 1) state.falling = false;
  state.level = std::clamp(state.level, 0, 255);
  return state.level;
}

NetworkStatus::NetworkStatus(PageFetcher& fetcher, QString site_base_address, QObject* parent)
    : QObject(parent),
      fetcher_(fetcher),
      site_base_address_(std::move(site_base_address)),
      TimerCheckNet(this),
      Timer1(this),
      Timer2(this),
      Timer3(this) {
  setObjectName(QStringLiteral("NetworkStatus"));
  TimerCheckNet.setObjectName(QStringLiteral("TimerCheckNet"));
  TimerCheckNet.setInterval(30000);
  connect(&TimerCheckNet, &QTimer::timeout, this, [this] { RecheckTick(); });
  const std::pair<QTimer*, const char*> pulses[] = {
      {&Timer1, "Timer1"}, {&Timer2, "Timer2"}, {&Timer3, "Timer3"}};
  for (auto [timer, name] : pulses) {
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(80);
    connect(timer, &QTimer::timeout, this, [this, timer = timer] { PulseTick(timer); });
  }
}

void NetworkStatus::SetNetworkOk(bool ok) {
  if (network_ok_ == ok) return;
  network_ok_ = ok;
  qCInfo(lcNetwork) << "NetworkOk" << ok;
  emit networkOkChanged(ok);
}

void NetworkStatus::SetLight(bool visible, int red, int green, int blue) {
  emit lightChanged(visible, red, green, blue);
}

QCoro::Task<bool> NetworkStatus::ProbeSite() {
  const QString text = co_await fetcher_.FetchPage(site_base_address_, QStringLiteral("UTF-8"));
  co_return !IsUnusablePage(text);
}

QCoro::Task<> NetworkStatus::StartupProbe() {
  const bool ok = co_await ProbeSite();
  if (ok) {
    SetNetworkOk(true);
    Timer3.stop();
  } else {
    SetNetworkOk(false);
    TimerCheckNet.start();
    Timer3.start();
  }
}

void NetworkStatus::NetworkLossReaction() {
  SetNetworkOk(false);
  if (!TimerCheckNet.isActive()) TimerCheckNet.start();
  if (!Timer3.isActive()) Timer3.start();
  Timer1.stop();
}

QCoro::Task<> NetworkStatus::WaitForNetwork() {
  while (!network_ok_) co_await qCoro(this, &NetworkStatus::networkOkChanged);
}

QCoro::Task<> NetworkStatus::RecheckTick() {
  // A probe still waiting when the next tick comes is not doubled.
  if (rechecking_) co_return;
  rechecking_ = true;
  const bool ok = co_await ProbeSite();
  rechecking_ = false;
  if (ok) {
    Timer3.stop();
    TimerCheckNet.stop();
    SetLight(false);
    SetNetworkOk(true);
  } else {
    SetNetworkOk(false);
    if (!Timer3.isActive()) Timer3.start();
  }
}

void NetworkStatus::StartWorkingPulse() {
  if (!Timer1.isActive()) Timer1.start();
}

void NetworkStatus::StopWorkingPulse(bool hide_light) {
  Timer1.stop();
  if (hide_light) SetLight(false);
}

void NetworkStatus::StartSearchPulse() {
  SetLight(true, 0, 0, pulse_.level);
  Timer2.start();
}

void NetworkStatus::StopSearchPulse() {
  Timer2.stop();
  SetLight(false);
}

void NetworkStatus::PulseTick(QTimer* timer) {
  const int level = AdvancePulse(pulse_);
  if (timer == &Timer1) SetLight(true, 0, level, 0);
  else if (timer == &Timer2) SetLight(true, 0, 0, level);
  else SetLight(true, level, 0, 0);
}

}  // namespace talvec
