// Tables and indexes of the database file, the steps that bring an older file
// up to the layout of this program, and the settings row a file is delivered
// with.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <utility>

#include "core/database.h"

namespace talvec {

// Creates the tables of an empty, open file at layout `version` (1 is the
// five tables alone; by default the layout of this program). On an error
// every step is rolled back.
Result<void> CreateSchema(Database& db, int version = Database::kSchemaVersion);

// One step: takes a file at layout version - 1 to `version`, in one
// transaction that stamps PRAGMA user_version as it commits. An error, with
// the file left as it was, when the file is not at version - 1 or the step
// fails.
Result<void> MigrateTo(Database& db, int version);

// Takes an open file from its layout up to Database::kSchemaVersion, step by
// step; costs one read when it is there already. On failure the step that
// failed is rolled back and the error says why in the user's words.
Result<void> Migrate(Database& db);

// The end time ("yyyy-MM-dd HH:mm:ss") and the new-row count of the last
// complete collection cycle; nothing when no cycle has completed yet.
std::optional<std::pair<QString, int>> ReadLastCycle(Database& db);
Result<void> WriteLastCycle(Database& db, const QString& ended_at, int new_rows);

// Inserts the single settings row of a new installation. `today` fixes the
// catch-up date so that the first cycle of a new user stays short.
Result<void> InsertDeliveredSettings(Database& db, const QDate& today);

}  // namespace talvec
