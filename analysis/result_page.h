// Reading one result announcement: fetch its page, cut out the result cell,
// extract the winners, and store them with the announcement's summary.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <qcorotask.h>

#include "analysis/award_cleaning.h"
#include "analysis/result_cell.h"

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
bool StoreAnalysis(Database& db, int id, const QString& title, const QList<Award>& awards,
                   const QString& summary);

enum class AnalysisOutcome {
  kUnreachable,   // nothing written, network-loss reaction performed
  kPageFault,     // "网页故障"
  kNoInfo,        // "无信息"
  kSummaryOnly,   // the cell without supplier marker as summary
  kExtracted,     // awards and the prepared cell as summary
  kStoreFailed,   // the statements failed; the announcement stays queued
};

class ResultPageReader : public QObject {
  Q_OBJECT

 public:
  // A page that answers with the site's not-found words this many times in a
  // row, each time while a probe of the site succeeds, is taken as missing.
  static constexpr int kNotFoundLimit = 3;

  ResultPageReader(Database& db, const SystemSettings& settings, PageFetcher& fetcher,
                   NetworkStatus& network, QObject* parent = nullptr);

  QCoro::Task<AnalysisOutcome> AnalyseResultAnnouncement(QString address, int id, QString title);

 private:
  QCoro::Task<bool> MissingPage(int id);
  bool Finish(int id, const QString& title, const QList<Award>& awards, const QString& summary);

  Database& db_;
  const SystemSettings& settings_;
  PageFetcher& fetcher_;
  NetworkStatus& network_;
  QHash<int, int> not_found_streak_;  // announcement id -> answers in a row
};

}  // namespace talvec
