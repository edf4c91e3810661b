#include "net/network_status.h"

#include <QLoggingCategory>
#include <QPointer>

#include "net/page_fetcher.h"

Q_LOGGING_CATEGORY(lcNetwork, "talvec.network")

namespace talvec {

bool HasErrorWords(QStringView text) {
  return text.contains(u"无法找到该页") || text.contains(u"页面没有找到");
}

bool IsUnusablePage(const QString& text) { return text.isEmpty() || HasErrorWords(text); }

NetworkStatus::NetworkStatus(PageFetcher& fetcher, QString site_base_address, QObject* parent)
    : Service(parent),
      fetcher_(fetcher),
      site_base_address_(std::move(site_base_address)),
      TimerCheckNet(this) {
  setObjectName(QStringLiteral("NetworkStatus"));
  TimerCheckNet.setObjectName(QStringLiteral("TimerCheckNet"));
  TimerCheckNet.setInterval(kRecheckMs);
  connect(&TimerCheckNet, &QTimer::timeout, this, [this] { RecheckTick(); });
}

NetworkStatus::~NetworkStatus() { Stop(); }

void NetworkStatus::SetNetworkOk(bool ok) {
  if (network_ok_ == ok) return;
  network_ok_ = ok;
  qCInfo(lcNetwork) << "NetworkOk" << ok;
  emit networkOkChanged(ok);
}

void NetworkStatus::SetUnreachable(bool unreachable) {
  if (unreachable_ == unreachable) return;
  unreachable_ = unreachable;
  emit reachabilityChanged(unreachable);
}

QCoro::Task<bool> NetworkStatus::ProbeSite(Service* owner) {
  const FetchResult page =
      co_await fetcher_.Fetch(site_base_address_, QStringLiteral("UTF-8"),
                              PageFetcher::kListPageBytes, owner ? owner : this);
  // Only the result is used here: the probe may have outlived neither its
  // owner nor this service, but touches neither.
  if (!page) qCInfo(lcNetwork) << "probe failed:" << page.error().message;
  co_return page && !IsUnusablePage(*page);
}

QCoro::Task<> NetworkStatus::StartupProbe() {
  const bool ok = co_await ProbeSite();
  if (stopping()) co_return;
  if (ok) {
    SetNetworkOk(true);
    SetUnreachable(false);
  } else {
    SetNetworkOk(false);
    SetUnreachable(true);
    TimerCheckNet.start();
  }
}

void NetworkStatus::NetworkLossReaction() {
  SetNetworkOk(false);
  SetUnreachable(true);
  if (!TimerCheckNet.isActive()) TimerCheckNet.start();
}

QCoro::Task<bool> NetworkStatus::WaitForNetwork(Service* waiter) {
  QPointer<Service> guard(waiter);
  QPointer<NetworkStatus> self(this);
  // A wait of the waiter, so that its Stop() ends it; this service's own
  // stop or destruction ends it as well.
  while (self && !self->stopping() && !network_ok_) {
    if (!guard || !co_await guard->SignalOrStop(this, &NetworkStatus::networkOkChanged)) {
      co_return false;
    }
  }
  co_return self && !self->stopping() && guard && !guard->stopping();
}

QCoro::Task<> NetworkStatus::RecheckTick() {
  // A probe still waiting when the next tick comes is not doubled.
  if (rechecking_ || stopping()) co_return;
  rechecking_ = true;
  const bool ok = co_await ProbeSite();
  if (stopping()) co_return;
  rechecking_ = false;
  if (ok) {
    TimerCheckNet.stop();
    SetUnreachable(false);
    SetNetworkOk(true);
  } else {
    SetNetworkOk(false);
    SetUnreachable(true);
  }
}

}  // namespace talvec
