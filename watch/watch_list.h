// The watch list (table Attention), as the watch-list window reads and
// writes it; its settings are in core/settings.h. Entries are looked up,
// marked and deleted by title.
#pragma once

#include <QDate>
#include <QString>
#include <vector>

#include "core/error.h"
#include "core/settings.h"  // WatchForm

namespace talvec {

class Database;

struct WatchEntry {
  QString title;      // MC, trimmed
  QString address;    // DZ, trimmed; empty when Null
  QString date;       // SJ, trimmed; empty when Null
  QString state;      // ZT, trimmed: "1" unread, "2" read
  QString rule = {};  // Rule: the rule that added it; empty for older entries
  bool unread() const { return state == QLatin1String("1"); }
};

// Every entry, unread before read, newest first within each (the last
// added first within a day).
Result<std::vector<WatchEntry>> LoadWatchEntries(Database& db);
// The entries one rule added (by Rule; an empty name: entries without one).
std::vector<WatchEntry> EntriesOfRule(std::vector<WatchEntry> entries, const QString& rule);
int UnreadWatchCount(Database& db);  // -1 when it cannot be counted

// Deletes the entries dated before `cutoff`; entries of that day stay.
Result<void> PurgeWatchEntries(Database& db, const QDate& cutoff);
// The purge's cut-off: today minus the keep-days box's number (none: today).
QDate PurgeCutoff(const QDate& today, const QString& keep_days_text);

Result<void> MarkAllWatchRead(Database& db);
Result<void> MarkWatchTitleRead(Database& db, const QString& title);
Result<void> DeleteWatchTitle(Database& db, const QString& title);
Result<void> DeleteAllWatch(Database& db);

// The opening of the watch-list window: the settings panel from the row,
// and the purge of the entries older than its keep days. An error when the
// row cannot be read; nothing is purged then, as the keep days are unknown.
Result<WatchForm> PrepareWatchList(Database& db, const QDate& today);

}  // namespace talvec
