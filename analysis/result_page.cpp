#include "analysis/result_page.h"

#include <QLoggingCategory>

#include "analysis/winner_extraction.h"
#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"

Q_LOGGING_CATEGORY(lcAnalysis, "talvec.analysis")

namespace talvec {

namespace {

Result<void> WriteSummary(Database& db, int id, const QString& summary) {
  return db.Execute("UPDATE List SET ZBXX=? WHERE ID=?", summary.left(kSummaryLength), id);
}

// Keeps the per-announcement memory of not-found answers small; losing it
// only means counting again from the start.
constexpr qsizetype kStreakMemory = 4096;

}  // namespace

Result<void> StoreAnalysis(Database& db, int id, const QString& title, const QList<Award>& awards,
                           const QString& summary) {
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  const QString award_title = TrimBlanks(title).left(kTitleLength);
  for (const Award& award : awards) {
    if (Result<void> done = db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(?,?,?)", award_title,
                                       TrimBlanks(award.supplier).left(kSupplierLength),
                                       TrimBlanks(award.amount).left(kAmountLength));
        !done) {
      return done;
    }
  }
  if (Result<void> done = WriteSummary(db, id, summary); !done) return done;
  return tx.Commit();
}

ResultPageReader::ResultPageReader(Database& db, const SystemSettings& settings,
                                   PageFetcher& fetcher, NetworkStatus& network, QObject* parent)
    : Service(parent), db_(db), settings_(settings), fetcher_(fetcher), network_(network) {
  setObjectName(QStringLiteral("ResultPageReader"));
}

ResultPageReader::~ResultPageReader() { Stop(); }

QCoro::Task<bool> ResultPageReader::BrokenPage(int id) {
  // Only a site that answers its own probe can tell that a page is broken;
  // a failed probe says nothing about the page and starts counting anew.
  const bool site_ok = co_await network_.ProbeSite(this);
  if (stopping()) co_return false;
  if (!site_ok) {
    failure_streak_.remove(id);
    network_.NetworkLossReaction();
    co_return false;
  }
  if (failure_streak_.size() >= kStreakMemory && !failure_streak_.contains(id)) {
    failure_streak_.clear();
  }
  int& streak = failure_streak_[id];
  if (++streak < kFailureLimit) co_return false;
  failure_streak_.remove(id);
  co_return true;
}

bool ResultPageReader::Finish(int id, const QString& title, const QList<Award>& awards,
                              const QString& summary) {
  // An empty summary would leave the announcement in the queue for good.
  const Result<void> stored = StoreAnalysis(
      db_, id, title, awards, summary.isEmpty() ? QString::fromUtf16(kNoInfoSummary) : summary);
  if (!stored) {
    qCWarning(lcAnalysis) << "storing the analysis of" << id
                          << "failed:" << stored.error().FullText();
  }
  // Automatic analysis switched off while the page was read: the working
  // light goes out with this announcement.
  if (settings_.AutoAnalysis == 2) emit workingEnded();
  return stored.has_value();
}

QCoro::Task<AnalysisOutcome> ResultPageReader::AnalyseResultAnnouncement(QString address, int id,
                                                                         QString title) {
  const FetchResult page = co_await fetcher_.Fetch(address, QStringLiteral("UTF-8"),
                                                   PageFetcher::kResultPageBytes, this);
  if (stopping()) co_return AnalysisOutcome::kUnreachable;

  ResultCellCut cut = CutResultCell(page.value_or(QString()));
  if (cut.verdict == PageVerdict::kUnusable || cut.verdict == PageVerdict::kNotFound) {
    if (!page) network_.NoteFailure(page.error().message);
    const bool broken = co_await BrokenPage(id);
    if (stopping()) co_return AnalysisOutcome::kUnreachable;
    if (!broken) co_return AnalysisOutcome::kUnreachable;
    qCInfo(lcAnalysis) << "page of" << id << "failed" << kFailureLimit << "times:" << address
                       << (page ? QString() : page.error().message);
    co_return WriteSummary(db_, id, QString::fromUtf16(kPageFaultSummary))
        ? AnalysisOutcome::kPageFault
        : AnalysisOutcome::kStoreFailed;
  }
  failure_streak_.remove(id);
  emit pageRead(title, *page);

  switch (cut.verdict) {
    case PageVerdict::kUnusable:
    case PageVerdict::kNotFound:
    case PageVerdict::kCell:
      break;
    case PageVerdict::kNoHeader:
      co_return WriteSummary(db_, id, QString::fromUtf16(kPageFaultSummary))
          ? AnalysisOutcome::kPageFault
          : AnalysisOutcome::kStoreFailed;
    case PageVerdict::kNoInfo:
      co_return WriteSummary(db_, id, QString::fromUtf16(kNoInfoSummary))
          ? AnalysisOutcome::kNoInfo
          : AnalysisOutcome::kStoreFailed;
  }

  if (cut.cell.size() > kMaxCellChars) {
    qCWarning(lcAnalysis) << "result cell of" << id << "has" << cut.cell.size()
                          << "characters; the first" << kMaxCellChars << "are read";
    cut.cell = CutChars(cut.cell, kMaxCellChars);
  }
  if (!HasSupplierMarker(cut.cell)) {
    co_return Finish(id, title, {}, TrimBlanks(cut.cell)) ? AnalysisOutcome::kSummaryOnly
                                                          : AnalysisOutcome::kStoreFailed;
  }
  const Extraction extraction = ExtractAwards(cut.cell);
  co_return Finish(id, title, extraction.awards, TrimBlanks(extraction.prepared_cell))
      ? AnalysisOutcome::kExtracted
      : AnalysisOutcome::kStoreFailed;
}

}  // namespace talvec
