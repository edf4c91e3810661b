// Favorites: announcements the user keeps, one row of table Favorites per
// title.
#pragma once

#include <QString>
#include <vector>

namespace talvec {

class Database;

struct FavoriteEntry {
  QString title;    // MC
  QString address;  // DZ, as the result list holds it
  QString date;     // SJ
};

enum class AddFavoriteResult { kAdded, kExists, kFailed };

// Keeps an announcement unless its title is already kept.
AddFavoriteResult AddFavorite(Database& db, const FavoriteEntry& entry);

// Every favorite, newest date first (the last added first within a day);
// texts trimmed, empty where Null. False when the table cannot be read.
bool LoadFavorites(Database& db, std::vector<FavoriteEntry>* entries);

// Removes every favorite with this title.
bool DeleteFavorite(Database& db, const QString& title);

}  // namespace talvec
