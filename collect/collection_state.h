// The state one collection cycle keeps, and what the collectors work with.
#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <functional>

#include "collect/channels.h"

namespace talvec {

class Database;
class NetworkStatus;

// What the main window offers the collectors for an item without a readable
// date: the date of its result list's next-to-last row, "" when the list
// holds fewer than two rows.
class DateFallbackSource {
 public:
  virtual ~DateFallbackSource() = default;
  virtual QString NextToLastDate() const = 0;
};

struct ChannelState {
  qint32 PageCounter = 1;  // the next page to fetch
  bool ChannelDoneFlag = false;
};

struct CollectionState {
  std::array<ChannelState, kListChannelCount> channels{};
  bool StopCollection = false;
  // The collection date the cycle started from, "YYYY-MM-DD"; the catch-up
  // test replaces it with today.
  QString LastCollectionDate;
  int new_announcements = 0;  // rows stored by the running cycle

  ChannelState& OfType(int type) { return channels.at(type - 1); }
  void ResetChannels() { channels.fill(ChannelState{}); }
};

// Everything a collector reads and changes besides the page itself.
struct CollectorEnv {
  Database& db;
  NetworkStatus& network;
  CollectionState& state;
  // Today's date; the system date when empty.
  std::function<QDate()> today;
  // The date column of the result list's next-to-last row, or "" when the
  // list has fewer than two rows (or does not exist yet).
  std::function<QString()> fallback_date;

  QDate Today() const { return today ? today() : QDate::currentDate(); }
  // The date an item without one is stored with.
  QString FallbackDate() const;
};

}  // namespace talvec
