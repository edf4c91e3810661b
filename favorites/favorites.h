// Favorites: announcements the user keeps, one row of table Favorites per
// title.
#pragma once

#include <QString>
#include <vector>

#include "core/error.h"

namespace talvec {

class Database;

struct FavoriteEntry {
  QString title;    // MC
  QString address;  // DZ, as the result list holds it
  QString date;     // SJ
};

enum class AddFavoriteResult { kAdded, kExists };

// Keeps an announcement unless its title is already kept.
Result<AddFavoriteResult> AddFavorite(Database& db, const FavoriteEntry& entry);

// Every favorite, newest date first (the last added first within a day);
// texts trimmed, empty where Null. An error, with *entries empty, when the
// table cannot be read.
Result<void> LoadFavorites(Database& db, std::vector<FavoriteEntry>* entries);

// Removes every favorite with this title.
Result<void> DeleteFavorite(Database& db, const QString& title);

}  // namespace talvec
