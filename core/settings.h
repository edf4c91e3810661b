// The settings row, SysSet: the one module that reads and writes it.
// The row is read whole into a typed record; the program's views of it
// (the start-up values, the settings dialog's form, the watch settings) are
// made from that record; each group of columns has one writer, which runs
// in one transaction.
//
// One rule for every reader and writer: the row belongs to the file (it is
// delivered with it, and start-up puts it back when it is missing). A table
// that cannot be read, and a table without its row, are errors: a reader
// gives no values, a writer writes nothing and says so (an update of an
// empty table would report success and keep nothing). A Null column is that
// column's default, as each view says.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <array>
#include <optional>

#include "core/error.h"

namespace talvec {

class Database;

inline constexpr int kChannelCount = 10;

// ---- The row ----

// The columns as stored, each nothing when Null.
struct SettingsRow {
  std::optional<QString> researchlx;
  std::optional<QString> AttentionNotice;
  std::optional<QString> BeginTime, EndTime;
  std::optional<QString> ServerDZ, WebDZ;
  std::optional<QString> CollectionDate;
  std::optional<QString> Version;
  std::optional<QString> AttentionProduct, AttentionPlace;
  // Number columns: the leading number of what is stored (0 for a text
  // that starts with none).
  std::optional<double> AutoAnalysis;
  std::optional<double> updatetime;
  std::optional<double> research, Upgrade;
  std::optional<double> UIType;
  std::optional<double> AttentionTime, AttentionSave;
};

// The row; kMissing when the table has none.
Result<SettingsRow> ReadSettingsRow(Database& db);

// Puts the delivered row back into a file whose table has none (start-up,
// before the row is read); true when it did. `today` as for
// InsertDeliveredSettings.
Result<bool> RestoreMissingSettingsRow(Database& db, const QDate& today);

// ---- The start-up values ----

struct SystemSettings {
  QString researchlx;       // ten "t"/"f" items, trimmed
  qint16 AutoAnalysis = 2;  // 1 = analyse automatically
  bool PopupNotice = false;
  bool SoundNotice = false;
  qint16 IntervalSeconds = 600;
  QString BeginTime;
  QString EndTime;
  QString SiteBaseAddress;        // "http://" + ServerDZ
  QString ManagementBaseAddress;  // "http://" + WebDZ
  qint16 UIType = 1;
  // Read only at start-up, to decide which timers run.
  qint16 research = 1;  // 1 = automatic collection
  qint16 Upgrade = 2;   // 1 = automatic upgrade check

  // Item k of researchlx, or "" when the text has fewer items: a missing item
  // is neither "t" nor "f", so its channel is not collected and its type
  // option stays enabled.
  QString ResearchItem(int k) const;
  bool CollectsType(int announcement_type) const {
    return ResearchItem(announcement_type - 1) == QLatin1String("t");
  }
  bool TypeOptionDisabled(int announcement_type) const {
    return ResearchItem(announcement_type - 1) == QLatin1String("f");
  }
};

// The readings of single columns, kept apart so they can be tested alone.
void ReadAttentionNotice(const QString& text, bool* popup, bool* sound);
// updatetime in seconds; ten minutes when Null, not positive or beyond 16 bits.
qint16 ReadIntervalSeconds(std::optional<double> updatetime);
// The style 1 to 9 as stored; 1 when Null or beyond 16 bits.
qint16 ReadUIType(std::optional<double> ui_type);
// researchlx trimmed; every channel ("t" ten times) when Null.
QString ReadResearchFlags(const std::optional<QString>& researchlx);

SystemSettings ToSystemSettings(const SettingsRow& row);
// Reads the row into `settings`; on an error `settings` is unchanged.
Result<void> LoadSystemSettings(Database& db, SystemSettings* settings);

// A time of day as the settings hold it: "HH:MM:SS", "H:MM:SS", "HH:MM" or
// "H:MM" on the 24-hour clock; on the 12-hour clock (hours 1 to 12) with
// "上午"/"下午" before it (a blank between is optional) or "AM"/"PM" after it;
// each also as the time part of "YYYY-MM-DD ..." or "YYYY/M/D ...". Blanks
// around the whole are ignored. Anything else (text after the seconds, hours
// past 23, "上午 13:00:00") is unreadable.
std::optional<QTime> ReadTimeOfDay(const QString& text);
// A time of day as the settings keep it: "HH:MM:SS".
QString TimeText(const QTime& time);

// ---- Collection settings and addresses (the settings dialog) ----

// What the dialog shows and the user changes.
struct SettingsForm {
  qint16 research = 1;  // 1 automatic collection, 2 manual
  QString interval;     // updatetime as typed (minutes)
  QTime begin{0, 0, 0};
  QTime end{23, 59, 59};
  std::array<bool, kChannelCount> channels{};  // item k of researchlx is "t"
  bool auto_analysis = false;
  qint16 upgrade = 2;  // 1 automatic upgrade check, 2 manual
  QString server;      // ServerDZ as typed
  QString web;         // WebDZ as typed
};

// The form as the row fills it. A time that cannot be read keeps the
// form's default.
SettingsForm ToSettingsForm(const SettingsRow& row);
Result<SettingsForm> LoadSettingsForm(Database& db);

// The interval in minutes when the text is a decimal number from 5 to 120
// (blanks around it allowed); nothing otherwise.
std::optional<double> CheckInterval(const QString& text);

// Whether the trimmed text is a server address as the settings keep it: a
// host name, IPv4 or bracketed IPv6 address, an optional port and an
// optional path; no scheme, no blanks, no quotes, no trailing "/".
bool CheckAddress(const QString& text);

// "t,f,...": the ten channel flags as researchlx holds them.
QString ChannelFlags(const std::array<bool, kChannelCount>& channels);

// The collection group: research, researchlx, Upgrade, updatetime,
// BeginTime, EndTime, AutoAnalysis. The interval must have passed
// CheckInterval.
Result<void> WriteCollectionSettings(Database& db, const SettingsForm& form);
// The addresses group: ServerDZ and WebDZ, trimmed.
Result<void> WriteAddresses(Database& db, const QString& server, const QString& web);
// The dialog's OK: both groups in one transaction. On success the values
// that act at once are set in `settings` (channel flags, automatic
// analysis, the interval in seconds, the two times); on failure nothing is
// written and `settings` is unchanged.
Result<void> SaveSettingsForm(Database& db, const SettingsForm& form, SystemSettings* settings);

// ---- Watch words and notices (the watch-list window, the matcher) ----

inline constexpr int kLookBackMin = 1, kLookBackMax = 30;
inline constexpr int kKeepMin = 7, kKeepMax = 30;

// What a watch run reads, each time.
struct WatchSettings {
  QString product;  // AttentionProduct, trimmed; empty (any product) when Null
  QString place;    // AttentionPlace, likewise
  int look_back_days = 7;
};

// AttentionTime as days: rounded to a whole number, halves to even, kept
// within 1 to 30; 7 when Null.
int ReadLookBackDays(std::optional<double> attention_time);
WatchSettings ToWatchSettings(const SettingsRow& row);
Result<WatchSettings> ReadWatchSettings(Database& db);

// The watch window's panel, as texts and ticks.
struct WatchForm {
  QString product;         // Text1
  QString place;           // Text2
  QString look_back_days;  // Text3
  QString keep_days;       // Text4
  bool popup = false;      // Check2
  bool sound = false;      // Check3
};

// The panel filled from the row: words trimmed, day counts as the shortest
// text of their number (empty when Null), the notice flags (a missing
// second flag is off).
WatchForm ToWatchForm(const SettingsRow& row);
Result<WatchForm> ReadWatchForm(Database& db);

enum class WatchSaveRefusal { kNone, kNoWords, kLookBackRange, kKeepRange };
// Why the panel cannot be saved as it is, checked in this order.
WatchSaveRefusal CheckWatchForm(const WatchForm& form);
// AttentionNotice: "1" or "0" for the pop-up, then "," and the same for
// the sound.
QString WatchNoticeText(bool popup, bool sound);
// The watch group: AttentionProduct, AttentionPlace, AttentionTime,
// AttentionSave, AttentionNotice.
Result<void> SaveWatchForm(Database& db, const WatchForm& form);

// ---- The style and the collection date ----

// UIType, 1 to 9.
Result<void> WriteStyle(Database& db, int ui_type);
// CollectionDate, "YYYY-MM-DD". Inside a transaction of the caller it
// stands or falls with it.
Result<void> WriteCollectionDate(Database& db, const QString& date);

}  // namespace talvec
