// The versions whose update failed (table UpdateFailures), so that a
// package that cannot be installed is not offered again and again: the
// program would close for the updater, which fails and starts it again,
// for ever.
//
// A row is written before the updater starts, as if the update had
// failed ("the updater did not end normally"), and marked as awaiting the
// updater's report; the next start settles it with the outcome file the
// updater left (update/handover.h). So an updater that was killed, or
// crashed, counts as a failure as well.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "core/error.h"
#include "update/handover.h"

namespace talvec {

class Database;

struct UpdateFailure {
  QString version;
  QString cause;
  QDateTime at;
};

// A failed version is not offered automatically for this long.
inline constexpr qint64 kFailedVersionQuietSeconds = 24 * 3600;

// The cause of an update whose updater left no report.
inline constexpr char kNoReportCause[] = "升级程序未正常结束";

// True while `failure` keeps its version from being offered automatically:
// less than a day ago (a time in the future, after the clock was set
// back, keeps nothing).
bool KeepsQuiet(const UpdateFailure& failure, const QDateTime& now);

// Before the updater starts for `version`.
Result<void> RecordUpdateStart(Database& db, const QString& version, const QDateTime& now);
// The updater could not be started, or failed as far as this program knows.
Result<void> RecordUpdateFailure(Database& db, const QString& version, const QString& cause,
                                 const QDateTime& now);
// The failure recorded for `version`, if any.
Result<std::optional<UpdateFailure>> FindUpdateFailure(Database& db, const QString& version);

// At start: settles the rows that await the updater's report with
// `outcome` (the updater's file, or nothing when it left none), and drops
// the rows of versions this program has reached. Gives the failure of the
// last update to tell the user about, if it failed.
Result<std::optional<UpdateFailure>> SettleUpdateFailures(
    Database& db, const QString& own_version, const std::optional<UpdateOutcome>& outcome);

}  // namespace talvec
