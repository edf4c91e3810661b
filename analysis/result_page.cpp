#include "analysis/result_page.h"

#include <QLoggingCategory>
#include <QPointer>

#include "analysis/winner_extraction.h"
#include "collect/network_status.h"
#include "collect/page_fetcher.h"
#include "core/database.h"
#include "core/settings.h"
#include "core/text.h"

Q_LOGGING_CATEGORY(lcAnalysis, "talvec.analysis")

namespace talvec {

namespace {

bool WriteSummary(Database& db, int id, const QString& summary) {
  return db.Execute("UPDATE List SET ZBXX=? WHERE ID=?", summary.left(kSummaryLength), id);
}

// Keeps the per-announcement memory of not-found answers small; losing it
// only means counting again from the start.
constexpr qsizetype kStreakMemory = 4096;

}  // namespace

bool StoreAnalysis(Database& db, int id, const QString& title, const QList<Award>& awards,
                   const QString& summary) {
  Database::Transaction tx(db);
  if (!tx.active()) return false;
  const QString award_title = TrimBlanks(title).left(kTitleLength);
  for (const Award& award : awards) {
    if (!db.Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(?,?,?)", award_title,
                    TrimBlanks(award.supplier).left(kSupplierLength),
                    TrimBlanks(award.amount).left(kAmountLength))) {
      return false;
    }
  }
  return WriteSummary(db, id, summary) && tx.Commit();
}

ResultPageReader::ResultPageReader(Database& db, const SystemSettings& settings,
                                   PageFetcher& fetcher, NetworkStatus& network, QObject* parent)
    : QObject(parent), db_(db), settings_(settings), fetcher_(fetcher), network_(network) {
  setObjectName(QStringLiteral("ResultPageReader"));
}

QCoro::Task<bool> ResultPageReader::MissingPage(int id) {
  QPointer<ResultPageReader> self(this);
  // Only a site that answers its own probe can tell that a page is missing;
  // a failed probe says nothing about the page and starts counting anew.
  const bool site_ok = co_await network_.ProbeSite();
  if (!self) co_return false;
  if (!site_ok) {
    not_found_streak_.remove(id);
    co_return false;
  }
  if (not_found_streak_.size() >= kStreakMemory && !not_found_streak_.contains(id)) {
    not_found_streak_.clear();
  }
  int& streak = not_found_streak_[id];
  if (++streak < kNotFoundLimit) co_return false;
  not_found_streak_.remove(id);
  co_return true;
}

bool ResultPageReader::Finish(int id, const QString& title, const QList<Award>& awards,
                              const QString& summary) {
  // An empty summary would leave the announcement in the queue for good.
  const bool stored = StoreAnalysis(
      db_, id, title, awards, summary.isEmpty() ? QString::fromUtf16(kNoInfoSummary) : summary);
  if (!stored) qCWarning(lcAnalysis) << "storing the analysis of" << id << "failed:" << db_.LastError();
  // Automatic analysis switched off while the page was read: the working
  // light goes out with this announcement.
  if (settings_.AutoAnalysis == 2) network_.StopWorkingPulse(true);
  return stored;
}

QCoro::Task<AnalysisOutcome> ResultPageReader::AnalyseResultAnnouncement(QString address, int id,
                                                                         QString title) {
  QPointer<ResultPageReader> self(this);
  const QString page = co_await fetcher_.FetchPage(address, QStringLiteral("UTF-8"));
  if (!self) co_return AnalysisOutcome::kUnreachable;

  ResultCellCut cut = CutResultCell(page);
  if (cut.verdict == PageVerdict::kNotFound) {
    const bool missing = co_await MissingPage(id);
    if (!self) co_return AnalysisOutcome::kUnreachable;
    if (missing) {
      qCInfo(lcAnalysis) << "page of" << id << "is missing:" << address;
      if (!WriteSummary(db_, id, QString::fromUtf16(kPageFaultSummary))) {
        co_return AnalysisOutcome::kStoreFailed;
      }
      co_return AnalysisOutcome::kPageFault;
    }
    network_.NetworkLossReaction();
    co_return AnalysisOutcome::kUnreachable;
  }
  not_found_streak_.remove(id);

  switch (cut.verdict) {
    case PageVerdict::kUnusable:
    case PageVerdict::kNotFound:
      network_.NetworkLossReaction();
      co_return AnalysisOutcome::kUnreachable;
    case PageVerdict::kNoHeader:
      co_return WriteSummary(db_, id, QString::fromUtf16(kPageFaultSummary))
          ? AnalysisOutcome::kPageFault
          : AnalysisOutcome::kStoreFailed;
    case PageVerdict::kNoInfo:
      co_return WriteSummary(db_, id, QString::fromUtf16(kNoInfoSummary))
          ? AnalysisOutcome::kNoInfo
          : AnalysisOutcome::kStoreFailed;
    case PageVerdict::kCell:
      break;
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
