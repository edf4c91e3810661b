#include "facts/facts_reader.h"

#include <QLoggingCategory>

#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"

Q_LOGGING_CATEGORY(lcFacts, "talvec.facts")

namespace talvec {

FactsReader::FactsReader(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
                         NetworkStatus& network, FactsReaderOptions options, QObject* parent)
    : Service(parent),
      db_(db),
      settings_(settings),
      fetcher_(fetcher),
      network_(network),
      options_(std::move(options)) {
  setObjectName(QStringLiteral("FactsReader"));
  TimerFacts.setObjectName(QStringLiteral("TimerFacts"));
  TimerFacts.setParent(this);
  TimerFacts.setInterval(options_.tick_ms);
  connect(&TimerFacts, &QTimer::timeout, this, &FactsReader::Kick);
}

FactsReader::~FactsReader() { Stop(); }

void FactsReader::OnStop() {
  TimerFacts.stop();
  recent_.clear();
  recent_open_.clear();
  recent_total_ = 0;
}

QDateTime FactsReader::Now() const {
  return options_.now ? options_.now() : QDateTime::currentDateTime();
}

void FactsReader::Start() {
  if (stopping()) return;
  TimerFacts.start();
  Kick();
}

void FactsReader::Kick() {
  // One run at a time; a run that is going picks up what was added.
  if (running_ || stopping()) return;
  Run();
}

void FactsReader::ReadNow(const QString& title) {
  if (stopping()) return;
  const Result<std::optional<FactsRow>> row = ReadFacts(db_, title);
  if (row && *row && (*row)->state != FactsState::kFailed) {
    emit factsRead(title, static_cast<int>((*row)->state));
    return;
  }
  const Result<std::optional<QueuedPage>> page = ReadQueuedPage(db_, title);
  if (!page || !*page) {
    if (!page) qCWarning(lcFacts) << "cannot queue" << title << page.error().FullText();
    return;
  }
  failures_.remove(title);  // asked for: fresh attempts
  urgent_.removeIf([&](const QueuedPage& p) { return p.title == title; });
  urgent_.prepend(**page);
  Kick();
}

Result<int> FactsReader::ReadRecent(int days) {
  if (stopping()) return Fail(Error::Kind::kStopped, QStringLiteral("程序正在退出"));
  if (RecentRunning()) return Fail(Error::Kind::kOther, QStringLiteral("读取公告要素正在进行"));
  const QString from =
      Now().date().addDays(-std::max(days, 1) + 1).toString(QStringLiteral("yyyy-MM-dd"));
  Result<QList<QueuedPage>> pages = ReadFactsQueue(db_, from, kMaxRecent);
  if (!pages) return Fail(pages.error());
  recent_ = std::move(*pages);
  recent_open_.clear();
  for (const QueuedPage& p : recent_) recent_open_.insert(p.title);
  recent_done_ = 0;
  recent_total_ = static_cast<int>(recent_.size());
  if (recent_total_ == 0) return 0;
  emit recentProgress(0, recent_total_);
  Kick();
  return recent_total_;
}

void FactsReader::CancelRecent() {
  if (!RecentRunning()) return;
  const int done = recent_done_, total = recent_total_;
  recent_.clear();
  recent_open_.clear();
  recent_total_ = 0;
  emit recentFinished(done, total, true);
}

void FactsReader::RecentDone(const QString& title) {
  if (!recent_open_.remove(title)) return;
  ++recent_done_;
  emit recentProgress(recent_done_, recent_total_);
  if (recent_open_.isEmpty()) {
    const int done = recent_done_, total = recent_total_;
    recent_.clear();
    recent_total_ = 0;
    emit recentFinished(done, total, false);
  }
}

void FactsReader::TakePage(const QString& title, const QString& page) {
  if (stopping() || title.isEmpty()) return;
  given_.append({title, page});
  Kick();
}

std::optional<QueuedPage> FactsReader::Next(bool* urgent, bool* recent) {
  const QDateTime now = Now();
  auto due = [&](const QString& title) {
    const auto it = failures_.constFind(title);
    return it == failures_.cend() || it->next <= now;
  };
  *urgent = *recent = false;
  for (const QueuedPage& p : std::as_const(urgent_)) {
    if (due(p.title)) {
      *urgent = true;
      return p;
    }
  }
  for (qsizetype i = 0; i < recent_.size();) {
    const QueuedPage& p = recent_[i];
    // Read meanwhile (by the automatic queue or the user): done.
    const Result<std::optional<FactsRow>> row = ReadFacts(db_, p.title);
    if (row && *row) {
      const QString title = p.title;
      recent_.removeAt(i);
      RecentDone(title);
      continue;
    }
    if (due(p.title)) {
      *recent = true;
      return p;
    }
    ++i;
  }
  const QString from =
      now.date().addDays(-options_.recent_days).toString(QStringLiteral("yyyy-MM-dd"));
  const Result<QList<QueuedPage>> queue =
      ReadFactsQueue(db_, from, 20 + static_cast<int>(failures_.size()));
  if (!queue) {
    qCWarning(lcFacts) << "facts queue unreadable:" << queue.error().FullText();
    return std::nullopt;
  }
  for (const QueuedPage& p : *queue) {
    if (due(p.title)) return p;
  }
  return std::nullopt;
}

QCoro::Task<> FactsReader::Run() {
  running_ = true;
  while (!stopping()) {
    // Pages fetched by someone else first: they cost the site nothing.
    if (!given_.isEmpty()) {
      const Given given = given_.takeFirst();
      const std::optional<PageFacts> facts = co_await Extract(given.page, given.title);
      if (!facts) co_return;
      // The list's date stands for a correction date the page leaves out.
      const Result<std::optional<QueuedPage>> listed = ReadQueuedPage(db_, given.title);
      Store(given.title, *facts, listed && *listed ? (*listed)->date : QString());
      continue;
    }
    bool urgent = false, recent = false;
    const std::optional<QueuedPage> next = Next(&urgent, &recent);
    if (!next) break;
    if (!network_.NetworkOk()) {
      if (!co_await network_.WaitForNetwork(this)) co_return;
      continue;
    }
    // No request while a cycle reads its lists, not even the user's page.
    if (options_.lists_busy && options_.lists_busy()) {
      if (!co_await Pause(options_.busy_poll_ms)) co_return;
      continue;
    }
    if (since_request_.isValid()) {
      const qint64 left = options_.spacing_ms - since_request_.elapsed();
      if (left > 0) {
        if (!co_await Pause(static_cast<int>(left))) co_return;
        continue;  // look again: something more urgent may have come
      }
    }
    if (urgent) urgent_.removeIf([&](const QueuedPage& p) { return p.title == next->title; });
    if (recent) recent_.removeIf([&](const QueuedPage& p) { return p.title == next->title; });
    co_await ReadPage(*next, urgent, recent);
    if (stopping()) co_return;
  }
  running_ = false;
}

QCoro::Task<> FactsReader::ReadPage(QueuedPage page, bool urgent, bool recent) {
  const QString stored = TrimBlanks(page.address);
  const QString address =
      stored.contains(QLatin1String("http://")) ? stored : settings_.SiteBaseAddress + stored;
  ++requests_;
  const QDateTime began = Now();
  const FetchResult fetched = co_await fetcher_.Fetch(address, QStringLiteral("UTF-8"),
                                                      PageFetcher::kResultPageBytes, this);
  since_request_.start();
  if (stopping()) co_return;
  if (!fetched || IsUnusablePage(*fetched)) {
    if (!fetched) network_.NoteFailure(fetched.error().message);
    // A site that does not answer its own probe says nothing about the page:
    // the page waits for the network instead of counting a failure.
    const qint64 left = options_.spacing_ms - since_request_.elapsed();
    if (left > 0 && !co_await Pause(static_cast<int>(left))) co_return;
    if (!co_await WaitForLists()) co_return;
    ++requests_;
    const bool site_ok = co_await network_.ProbeSite(this);
    since_request_.start();
    if (stopping()) co_return;
    if (!site_ok) {
      network_.NetworkLossReaction();
      if (urgent) urgent_.prepend(page);
      if (recent) recent_.prepend(page);
      co_return;
    }
    qCInfo(lcFacts) << "page of" << page.title << "failed:" << address
                    << (fetched ? QStringLiteral("error page") : fetched.error().FullText());
    Failed(page, began, urgent, recent);
    co_return;
  }
  failures_.remove(page.title);
  const std::optional<PageFacts> facts = co_await Extract(*fetched, TrimBlanks(page.title));
  if (!facts) co_return;
  Store(page.title, *facts, page.date);
}

QCoro::Task<std::optional<PageFacts>> FactsReader::Extract(QString page, QString title) {
  FactsExtraction extraction(std::move(page), std::move(title));
  QElapsedTimer slice;
  slice.start();
  while (!extraction.Step()) {
    if (slice.elapsed() >= kSliceMs) {
      if (!co_await Pause(0)) co_return std::nullopt;
      slice.restart();
    }
  }
  co_return extraction.facts();
}

void FactsReader::Store(const QString& title, const PageFacts& facts, const QString& list_date) {
  const Result<> written = WritePageFacts(db_, title, facts, list_date, Now());
  if (!written) {
    // Most likely another program holds the file: the page waits a while.
    qCWarning(lcFacts) << "facts of" << title << "not stored:" << written.error().FullText();
    failures_[title].next = Now().addSecs(30);
    return;
  }
  failures_.remove(title);
  const int state = static_cast<int>(facts.HasFacts() ? FactsState::kRead : FactsState::kNoFacts);
  emit factsRead(title, state);
  RecentDone(title);
}

QCoro::Task<bool> FactsReader::WaitForLists() {
  while (options_.lists_busy && options_.lists_busy()) {
    if (!co_await Pause(options_.busy_poll_ms)) co_return false;
  }
  co_return !stopping();
}

void FactsReader::Failed(const QueuedPage& page, const QDateTime& began, bool urgent,
                         bool recent) {
  Failure& failure = failures_[page.title];
  if (failure.count == 0) failure.first = began;
  if (++failure.count >= kAttempts) {
    const Result<> written = WriteFactsFailed(db_, page.title, Now());
    if (!written) {
      qCWarning(lcFacts) << "failure of" << page.title
                         << "not stored:" << written.error().FullText();
      failure.count = kAttempts - 1;
      failure.next = Now().addSecs(30);
    } else {
      failures_.remove(page.title);
      emit factsRead(page.title, static_cast<int>(FactsState::kFailed));
      RecentDone(page.title);
      return;
    }
  } else {
    failure.next = failure.first.addMSecs(options_.retry_ms[failure.count - 1]);
  }
  if (urgent) urgent_.append(page);
  if (recent) recent_.append(page);
}

}  // namespace talvec
