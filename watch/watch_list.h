// The watch list (table Attention) and its settings in the SysSet row, as
// the watch-list window reads and writes them. Entries are looked up,
// marked and deleted by title.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace talvec {

class Database;

struct WatchEntry {
  QString title;    // MC, trimmed
  QString address;  // DZ, trimmed; empty when Null
  QString date;     // SJ, trimmed; empty when Null
  QString state;    // ZT, trimmed: "1" unread, "2" read
  bool unread() const { return state == QLatin1String("1"); }
};

// Every entry, unread before read, newest first within each (the last
// added first within a day). False when the table cannot be read.
bool LoadWatchEntries(Database& db, std::vector<WatchEntry>* entries);
int UnreadWatchCount(Database& db);  // -1 when it cannot be counted

// Deletes the entries dated before `cutoff`; entries of that day stay.
bool PurgeWatchEntries(Database& db, const QDate& cutoff);
// The purge's cut-off: today minus the keep-days box's number (none: today).
QDate PurgeCutoff(const QDate& today, const QString& keep_days_text);

bool MarkAllWatchRead(Database& db);
bool MarkWatchTitleRead(Database& db, const QString& title);
bool DeleteWatchTitle(Database& db, const QString& title);
bool DeleteAllWatch(Database& db);

struct WatchForm;
// The opening of the watch-list window: the settings panel from the row,
// and the purge of the entries older than its keep days. Nothing when the
// row cannot be read; nothing is purged then, as the keep days are unknown.
std::optional<WatchForm> PrepareWatchList(Database& db, const QDate& today);

// The settings panel's contents, as texts and ticks.
struct WatchForm {
  QString product;         // Text1
  QString place;           // Text2
  QString look_back_days;  // Text3
  QString keep_days;       // Text4
  bool popup = false;      // Check2
  bool sound = false;      // Check3
};

inline constexpr int kLookBackMin = 1, kLookBackMax = 30;
inline constexpr int kKeepMin = 7, kKeepMax = 30;

// The panel filled from the settings row: words trimmed, day counts as the
// shortest text of their leading number (empty when Null), the notice
// flags (a missing second flag is off). Nothing when the row cannot be read.
std::optional<WatchForm> ReadWatchForm(Database& db);

enum class WatchSaveRefusal { kNone, kNoWords, kLookBackRange, kKeepRange };
// Why the panel cannot be saved as it is, checked in this order.
WatchSaveRefusal CheckWatchForm(const WatchForm& form);
// AttentionNotice: "1" or "0" for the pop-up, then "," and the same for
// the sound.
QString WatchNoticeText(bool popup, bool sound);
// Writes the five Attention columns of the settings row.
bool SaveWatchForm(Database& db, const WatchForm& form);

}  // namespace talvec
