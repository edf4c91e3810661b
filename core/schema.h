// Tables and indexes of the database file, and the settings row it is
// delivered with.
#pragma once

#include <QDate>

namespace talvec {

class Database;

// Creates every table and index in an empty, open file and stamps the schema
// version. Returns false (and leaves the transaction rolled back) on an error.
bool CreateSchema(Database& db);

// Creates the indexes a file lacks (a file written before an index was
// added); costs nothing when they are all there.
bool EnsureIndexes(Database& db);

// Inserts the single settings row of a new installation. `today` fixes the
// catch-up date so that the first cycle of a new user stays short.
bool InsertDeliveredSettings(Database& db, const QDate& today);

}  // namespace talvec

#include <QString>
#include <optional>
#include <utility>
namespace talvec {
// TEMP until the schema step lands.
std::optional<std::pair<QString, int>> ReadLastCycle(Database& db);
bool WriteLastCycle(Database& db, const QString& ended_at, int new_rows);
}  // namespace talvec
