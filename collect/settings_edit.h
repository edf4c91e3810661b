// The settings the settings dialog edits: reading them from the SysSet row,
// checking what the user typed, and writing them back all at once.
#pragma once

#include <QString>
#include <QTime>
#include <array>
#include <optional>

#include "core/settings.h"

namespace talvec {

class Database;

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

// The form filled from the first SysSet row; nothing when the row cannot
// be read. A time that cannot be read keeps the form's default.
std::optional<SettingsForm> LoadSettingsForm(Database& db);

// The interval in minutes when the text is a decimal number from 5 to 120
// (blanks around it allowed); nothing otherwise.
std::optional<double> CheckInterval(const QString& text);

// Whether the trimmed text is a server address as the settings keep it: a
// host name, IPv4 or bracketed IPv6 address, an optional port and an
// optional path; no scheme, no blanks, no quotes, no trailing "/".
bool CheckAddress(const QString& text);

// "t,f,...": the ten channel flags as researchlx holds them.
QString ChannelFlags(const std::array<bool, kChannelCount>& channels);

// A time of day as the settings keep it: "HH:MM:SS".
QString TimeText(const QTime& time);

struct SaveOutcome {
  bool ok = false;
  QString error;  // the database's cause when not ok
};

// Writes the whole form in one transaction, every value bound; the
// interval must have passed CheckInterval. On success the values that act
// at once are set in `settings` (channel flags, automatic analysis, the
// interval in seconds, the two times); on failure nothing is written and
// `settings` is unchanged.
SaveOutcome SaveSettingsForm(Database& db, const SettingsForm& form, SystemSettings* settings);

}  // namespace talvec
