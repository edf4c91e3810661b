// What the collection is doing, as the service reports it; the window turns
// it into the status text.
#pragma once

#include <QDateTime>
#include <QString>

namespace talvec {

struct CollectionProgress {
  enum class Phase {
    kIdle,
    kConstruction,
    kChannel,
    kWaitingNetwork,
    kWriteFailed,  // pages could not be written; `cause` says why
    kFileGone,  // the file takes no more writes (deleted, replaced, damaged): no more cycles
  };
  Phase phase = Phase::kIdle;
  int type = 0;                 // the channel being read (kChannel)
  qint32 page = 0;              // its page number (kChannel)
  int new_announcements = 0;    // stored so far in the running cycle
  int too_large_pages = 0;      // pages of the running (or last) cycle too large to read whole
  QString cause;                // why the network or the file failed, when known
  QDateTime last_complete_end;  // invalid until a cycle has ended
  int last_complete_new = 0;    // stored by that cycle
};

}  // namespace talvec
