// Table UnfinishedChannels: the list channels whose reading a collection
// cycle did not finish (the window closed, the program was killed, the cycle
// was given up, the channel was left after unusable pages). A later cycle
// passes over the rows such readings stored, instead of taking them for
// known titles that end the channel, and resumes at the page they reached.
#pragma once

#include <QString>
#include <cstdint>
#include <map>

#include "core/error.h"

namespace talvec {

class Database;

struct UnfinishedReading {
  // Rows of List with an ID above this, stored before the running cycle,
  // come from readings of the channel that did not finish.
  std::int64_t since_id = 0;
  // The reading that stored the rows with IDs in (resume_from, resume_to]
  // had read every page before `resume_page` (0: no page to resume at).
  qint32 resume_page = 0;
  std::int64_t resume_from = 0;
  std::int64_t resume_to = 0;

  bool operator==(const UnfinishedReading&) const = default;
};

// Every row, by channel code.
Result<std::map<QString, UnfinishedReading>> ReadUnfinishedChannels(Database& db);
Result<> SaveUnfinishedChannel(Database& db, const QString& channel,
                               const UnfinishedReading& reading);
Result<> ClearUnfinishedChannel(Database& db, const QString& channel);
// Clears the channel's row only when no reading before `start_id` left it.
Result<> ClearUnfinishedSince(Database& db, const QString& channel, std::int64_t start_id);

// The largest ID in List, 0 when it is empty: rows above it are newer.
Result<std::int64_t> LastListId(Database& db);

}  // namespace talvec
