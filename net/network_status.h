// Whether the procurement site can be reached, and the re-check that
// restores it. What the user sees of it (the status light) is drawn by the
// window from the signals below.
#pragma once

#include <qcorotask.h>
#include <QString>
#include <QStringView>
#include <QTimer>

#include "core/service.h"

namespace talvec {

class PageFetcher;

// An empty page or one carrying the site's error words is unusable.
bool IsUnusablePage(const QString& text);
// The error words alone.
bool HasErrorWords(QStringView text);

class NetworkStatus : public Service {
  Q_OBJECT

 public:
  static constexpr int kRecheckMs = 30000;

  NetworkStatus(PageFetcher& fetcher, QString site_base_address, QObject* parent = nullptr);
  ~NetworkStatus() override;

  bool NetworkOk() const { return network_ok_; }
  void SetNetworkOk(bool ok);
  // True while the site is known to be unreachable (a probe or a reader
  // failed, and no re-check has succeeded since).
  bool Unreachable() const { return unreachable_; }

  // Fetches the site's base address; true when the page is usable. The
  // request belongs to `owner` (this service when null) and ends with it.
  QCoro::Task<bool> ProbeSite(Service* owner = nullptr);
  // The probe of the main window's load: sets NetworkOk, or starts the
  // re-check.
  QCoro::Task<> StartupProbe();
  // A reader met an unusable page: NetworkOk off, re-check on.
  void NetworkLossReaction();
  // Resumes as soon as NetworkOk turns on (at once when it already is), or
  // when `waiter` or this service stops. Gives false when it ended by a stop.
  QCoro::Task<bool> WaitForNetwork(Service* waiter);

  // What the last failed request said, for the status text.
  const QString& LastFailure() const { return last_failure_; }
  void NoteFailure(const QString& failure) { last_failure_ = failure; }

  QTimer& timerCheckNet() { return TimerCheckNet; }

 signals:
  void networkOkChanged(bool ok);
  // The site became unreachable, or reachable again.
  void reachabilityChanged(bool unreachable);

 private:
  QCoro::Task<> RecheckTick();
  void SetUnreachable(bool unreachable);

  PageFetcher& fetcher_;
  QString site_base_address_;
  QString last_failure_;
  bool network_ok_ = false;
  bool unreachable_ = false;
  bool rechecking_ = false;
  QTimer TimerCheckNet;
};

}  // namespace talvec
