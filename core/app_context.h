// What start-up settles and hands to the main window and its services.
#pragma once

#include <QString>

#include "core/database.h"
#include "core/settings.h"

namespace talvec {

struct AppContext {
  QString program_folder;  // no trailing separator
  Database* db = nullptr;
  SystemSettings settings;
  QString version;  // VersionString
  QString os_name;  // OsName
};

}  // namespace talvec
