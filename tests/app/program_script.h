// The test build's walk through the viewer as a user takes it, started once
// the main window shows: a search, two announcements opened by double click
// in the result list, help by F1. Each outcome is one line of a report file:
//
//   page|<viewer caption>|<page title>     the announcement shown
//   page|none                              no viewer came up
//   help|<viewer caption>|<page title>
//   help|none
//   end|ok  or  end|timeout|<step>
//
// Then the main window closes and the program ends as it always does.
#pragma once

#include <QString>

namespace talvec {

class FrmWeath;

void StartViewerScript(FrmWeath& window, const QString& report_path);

}  // namespace talvec
