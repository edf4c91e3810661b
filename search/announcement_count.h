// How many announcements the store holds.
#pragma once

#include <cstdint>

#include "core/database.h"
#include "core/error.h"

namespace talvec {

Result<std::int64_t> CountAnnouncements(Database& db);

}  // namespace talvec
