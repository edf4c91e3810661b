// Reading one result announcement: fetch its page, cut out the result cell,
// extract the winners, and store them with the announcement's summary.
#pragma once

#include <qcorotask.h>
#include <QHash>
#include <QList>
#include <QString>

#include "analysis/award_cleaning.h"
#include "analysis/result_cell.h"
#include "core/error.h"
#include "core/service.h"

namespace talvec {

class Database;
class NetworkStatus;
class PageFetcher;
struct SystemSettings;

inline constexpr char16_t kPageFaultSummary[] = u"网页故障";
inline constexpr char16_t kNoInfoSummary[] = u"无信息";

// Writes the awards and the summary of one announcement in one transaction:
// either all of them are stored or none, so an announcement analysed again
// after a failure never gets its awards twice. Texts are cut to their
// column widths here.
Result<void> StoreAnalysis(Database& db, int id, const QString& title, const QList<Award>& awards,
                           const QString& summary);

enum class AnalysisOutcome {
  kUnreachable,  // nothing written; the network-loss reaction ran when the
                 // site did not answer its probe either
  kPageFault,    // "网页故障"
  kNoInfo,       // "无信息"
  kSummaryOnly,  // the cell without supplier marker as summary
  kExtracted,    // awards and the prepared cell as summary
  kStoreFailed,  // the statements failed; the announcement stays queued
};

class ResultPageReader : public Service {
  Q_OBJECT

 public:
  // A page that fails this many times in a row (empty, not found, too
  // large, timed out, undecodable), each time while a probe of the site
  // succeeds, is taken as broken and summarised "网页故障".
  static constexpr int kFailureLimit = 3;
  // Result cells longer than this are cut before extraction: real ones are
  // a few kilobytes, and a hostile one must not hold the window.
  static constexpr qsizetype kMaxCellChars = 64 * 1024;

  ResultPageReader(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
                   NetworkStatus& network, QObject* parent = nullptr);
  ~ResultPageReader() override;

  QCoro::Task<AnalysisOutcome> AnalyseResultAnnouncement(QString address, int id, QString title);

 signals:
  // Automatic analysis was switched off while a page was read: whatever
  // shows the program working should stop showing it.
  void workingEnded();
  // A usable page of the announcement `title` was read (the facts reader
  // takes its key facts from it, without a request of its own).
  void pageRead(const QString& title, const QString& page);

 private:
  // After a failed page: true when the site answers its probe and the page
  // has now failed kFailureLimit times in a row.
  QCoro::Task<bool> BrokenPage(int id);
  bool Finish(int id, const QString& title, const QList<Award>& awards, const QString& summary);

  Database& db_;
  const SystemSettings& settings_;
  PageFetcher& fetcher_;
  NetworkStatus& network_;
  QHash<int, int> failure_streak_;  // announcement id -> failures in a row
};

}  // namespace talvec
