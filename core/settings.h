// The settings row, as the rest of the program reads it.
#pragma once

#include <QString>
#include <QStringList>

namespace talvec {

class Database;

inline constexpr int kChannelCount = 10;

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
qint16 ReadIntervalSeconds(const QVariant& updatetime);
qint16 ReadUIType(const QVariant& ui_type);

// Reads the first row of SysSet. A missing row, a missing column or a Null
// value gives that value's default; returns false only when the table cannot
// be read at all.
bool LoadSystemSettings(Database& db, SystemSettings* settings);

}  // namespace talvec
