// The state one collection cycle keeps, and what the collectors work with.
#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "collect/channels.h"
#include "collect/unfinished_channels.h"

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
  // The reading an earlier cycle left unfinished, as the cycle found it.
  std::optional<UnfinishedReading> unfinished;
  // This reading has reached the page the unfinished one had read up to
  // (or there was none): from here on it is the reading to resume.
  bool resumed = false;
  // The first page skipped as too large in this cycle, 0 when none.
  qint32 skipped_page = 0;
  // The page counter when the reading's progress was last written, 0 before.
  qint32 saved_page = 0;
};

struct CollectionState {
  std::array<ChannelState, kListChannelCount> channels{};
  bool StopCollection = false;
  // The collection date the cycle started from, "YYYY-MM-DD"; the catch-up
  // test replaces it with today.
  QString LastCollectionDate;
  int new_announcements = 0;  // rows stored by the running cycle
  int too_large_pages = 0;    // pages over a size limit in the running cycle
  // The largest List.ID when the cycle started: rows above it are its own.
  std::int64_t start_id = 0;
  // Why the last page could not be written.
  QString write_failure;

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
