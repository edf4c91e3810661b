// The facts reader: a background service beside result analysis that reads
// the pages of new announcements (types 1, 2, 5, 6, 7 and 10 and the
// construction tenders) and stores their key facts, newest first. It is
// polite to the site: one request at a time, a pause between requests, none
// while a collection cycle reads its lists, none while the network is down.
// A page that fails is tried again later, a few times within ten minutes,
// then marked failed. Result announcements give their facts from the page
// result analysis has read (TakePage), without a request of their own.
#pragma once

#include <qcorotask.h>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "core/error.h"
#include "core/service.h"
#include "facts/extraction.h"
#include "facts/facts_store.h"

namespace talvec {

class Database;
class NetworkStatus;
class PageFetcher;
struct SystemSettings;

struct FactsReaderOptions {
  // The clock (dates of the queue, ReadAt, retry times).
  std::function<QDateTime()> now;
  // True while a collection cycle reads its lists: no request then.
  std::function<bool()> lists_busy;
  int tick_ms = 10000;                        // TimerFacts
  int spacing_ms = 1000;                      // between two requests at least
  int busy_poll_ms = 500;                     // how often a waiting reader looks again
  int recent_days = 7;  // the automatic queue: announcements of these days
  // When a failing page is asked for again: the 2nd, 3rd and 4th request
  // this long after the 1st began, so that all four lie within ten minutes
  // however long each took (a later tick of TimerFacts adds at most tick_ms).
  int retry_ms[3] = {60000, 240000, 540000};
};

class FactsReader : public Service {
  Q_OBJECT

 public:
  // Requests a page may fail, in all, before it is marked failed (State 3).
  static constexpr int kAttempts = 4;
  // Work between two yields while a page is read.
  static constexpr int kSliceMs = 4;
  // The most pages one "读取近 N 天公告要素" takes on.
  static constexpr int kMaxRecent = 20000;

  FactsReader(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
              NetworkStatus& network, FactsReaderOptions options = {}, QObject* parent = nullptr);
  ~FactsReader() override;

  // TimerFacts on: new announcements are read from now on.
  void Start();
  QTimer& timerFacts() { return TimerFacts; }

  // A page the user opens: read next, whatever its date, unless its facts
  // are stored already (factsRead then follows at once).
  void ReadNow(const QString& title);
  // "读取近 N 天公告要素": every announcement of the last `days` days without
  // facts; the number of pages to read (0: nothing to do). An error when
  // such a run is going already or the database cannot be read.
  Result<int> ReadRecent(int days);
  void CancelRecent();
  bool RecentRunning() const { return recent_total_ > 0; }

  // The text of a page someone else has fetched (a result announcement read
  // by the analysis): its facts without a request.
  void TakePage(const QString& title, const QString& page);

  // A run is reading (or waiting to read) pages.
  bool Running() const { return running_; }
  // Requests sent so far.
  int requests() const { return requests_; }

 signals:
  // A Facts row was written for `title` (State 1, 2 or 3), or ReadNow found
  // one there.
  void factsRead(const QString& title, int state);
  void recentProgress(int done, int total);
  void recentFinished(int done, int total, bool cancelled);

 protected:
  void OnStop() override;

 private:
  struct Failure {
    int count = 0;
    QDateTime first;  // when the first request began
    QDateTime next;   // not before this
  };
  struct Given {
    QString title, page;
  };

  QDateTime Now() const;
  void Kick();
  QCoro::Task<> Run();
  // The next page to fetch, by priority: the user's, the command's, the
  // automatic queue's. Nothing when none is due.
  std::optional<QueuedPage> Next(bool* urgent, bool* recent);
  QCoro::Task<> ReadPage(QueuedPage page, bool urgent, bool recent);
  // Reads the page's facts in slices, yielding between them; nothing when
  // the service stopped meanwhile.
  QCoro::Task<std::optional<PageFacts>> Extract(QString page, QString title);
  void Store(const QString& title, const PageFacts& facts, const QString& list_date);
  void Failed(const QueuedPage& page, const QDateTime& began, bool urgent, bool recent);
  // Waits while a collection cycle reads its lists; false once stopped.
  QCoro::Task<bool> WaitForLists();
  void RecentDone(const QString& title);

  Database& db_;
  const SystemSettings& settings_;
  PageFetcher& fetcher_;
  NetworkStatus& network_;
  FactsReaderOptions options_;
  QTimer TimerFacts;
  bool running_ = false;
  int requests_ = 0;
  QElapsedTimer since_request_;
  QList<Given> given_;
  QList<QueuedPage> urgent_;
  QList<QueuedPage> recent_;
  QSet<QString> recent_open_;  // titles of the command's run not yet done
  int recent_done_ = 0, recent_total_ = 0;
  QHash<QString, Failure> failures_;
};

}  // namespace talvec
