#include "update/update_failures.h"

#include <vector>

#include "core/database.h"
#include "update/version_rules.h"

namespace talvec {

namespace {

constexpr char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss";

QString TimeText(const QDateTime& at) { return at.toString(QLatin1String(kTimeFormat)); }

tl::unexpected<Error> StatementFailed(const Statement& st) {
  return Fail(Error::Kind::kOther, QStringLiteral("无法记录升级结果"), st.error().FullText());
}

Result<void> Run(Statement st) {
  if (!st.Run()) return StatementFailed(st);
  return {};
}

}  // namespace

bool KeepsQuiet(const UpdateFailure& failure, const QDateTime& now) {
  if (!failure.at.isValid()) return false;
  const qint64 since = failure.at.secsTo(now);
  return since >= 0 && since < kFailedVersionQuietSeconds;
}

Result<void> RecordUpdateStart(Database& db, const QString& version, const QDateTime& now) {
  return Run(
      db.Query("INSERT OR REPLACE INTO UpdateFailures(Version, Cause, FailedAt, Awaiting) "
               "VALUES(?, ?, ?, 1)",
               version, QString::fromUtf8(kNoReportCause), TimeText(now)));
}

Result<void> RecordUpdateFailure(Database& db, const QString& version, const QString& cause,
                                 const QDateTime& now) {
  return Run(
      db.Query("INSERT OR REPLACE INTO UpdateFailures(Version, Cause, FailedAt, Awaiting) "
               "VALUES(?, ?, ?, 0)",
               version, cause, TimeText(now)));
}

Result<std::optional<UpdateFailure>> FindUpdateFailure(Database& db, const QString& version) {
  Statement st = db.Query("SELECT Cause, FailedAt FROM UpdateFailures WHERE Version = ?", version);
  if (st.Next()) {
    return UpdateFailure{version, st.Text(0),
                         QDateTime::fromString(st.Text(1), QLatin1String(kTimeFormat))};
  }
  if (!st.ok()) return StatementFailed(st);
  return std::optional<UpdateFailure>();
}

Result<std::optional<UpdateFailure>> SettleUpdateFailures(
    Database& db, const QString& own_version, const std::optional<UpdateOutcome>& outcome) {
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(Error::Kind::kBusy, QStringLiteral("无法记录升级结果"));
  std::vector<UpdateFailure> awaiting;
  std::vector<QString> reached;
  {
    Statement st =
        db.Query("SELECT Version, Cause, FailedAt, Awaiting FROM UpdateFailures ORDER BY FailedAt");
    while (st.Next()) {
      const QString version = st.Text(0);
      // Versions this program has reached (or that are no version at all)
      // have nothing left to keep quiet.
      if (JudgeServerVersion(version, own_version) != ServerVersion::kNewer) {
        reached.push_back(version);
      } else if (st.Int(3) == 1) {
        awaiting.push_back(
            {version, st.Text(1), QDateTime::fromString(st.Text(2), QLatin1String(kTimeFormat))});
      }
    }
    if (!st.ok()) return StatementFailed(st);
  }
  std::optional<UpdateFailure> last;
  for (UpdateFailure& failure : awaiting) {
    if (outcome && outcome->succeeded) {
      // It installed, yet this is not the new program: nothing failed.
      if (Result<void> r =
              Run(db.Query("DELETE FROM UpdateFailures WHERE Version = ?", failure.version));
          !r)
        return Fail(r.error());
      continue;
    }
    if (outcome) {
      failure.cause = outcome->cause;
      failure.at = outcome->at;
    }
    if (Result<void> r = Run(db.Query(
            "UPDATE UpdateFailures SET Cause = ?, FailedAt = ?, Awaiting = 0 WHERE Version = ?",
            failure.cause, TimeText(failure.at), failure.version));
        !r)
      return Fail(r.error());
    last = failure;  // the rows come oldest first
  }
  // The updater was started by hand, not by this program: no version to
  // keep quiet, but its cause is still told.
  if (awaiting.empty() && outcome && !outcome->succeeded) {
    last = UpdateFailure{QString(), outcome->cause, outcome->at};
  }
  for (const QString& version : reached) {
    if (Result<void> r = Run(db.Query("DELETE FROM UpdateFailures WHERE Version = ?", version)); !r)
      return Fail(r.error());
  }
  if (!tx.Commit()) return Fail(Error::Kind::kOther, QStringLiteral("无法记录升级结果"));
  return last;
}

}  // namespace talvec
