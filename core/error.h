// The result of work that can fail, at the boundaries of the libraries
// (database, files, fetching, updates): a value, or an Error that says what
// failed and why.
#pragma once

#include <QString>
#include <tl/expected.hpp>
#include <utility>

namespace talvec {

struct Error {
  // The causes callers act on; kOther for the rest.
  enum class Kind {
    kOther,
    kBusy,         // another program holds the lock: try again soon
    kDiskFull,     // no room left on the disk
    kReadOnly,     // the file or its folder cannot be written
    kCorrupt,      // the file's pages are damaged
    kMissing,      // no such file
    kReplaced,     // the file was deleted or replaced since it was opened
    kNotDatabase,  // wrong password, or not a database of ours
    kNewerSchema,  // written by a newer program
    kNetwork,      // the request failed, stalled or passed its deadline
    kTooLarge,     // the body passed its cap
    kStopped,      // the service stopped while the work waited
    kBadData,      // the input is not in the form we read
  };

  Kind kind = Kind::kOther;
  // What the user reads: short, in Chinese where the cause is a common one.
  QString message;
  // The engine's own words (SQLite, the network stack), for a box's details
  // and the log.
  QString detail;
  // The engine's code where there is one (SQLite's primary result code,
  // an HTTP status), else 0.
  int code = 0;

  bool Is(Kind k) const { return kind == k; }
  // The message, with the detail after it when there is one.
  QString FullText() const {
    return detail.isEmpty() || detail == message ? message
                                                 : message + QStringLiteral("\n") + detail;
  }
};

template <typename T = void>
using Result = tl::expected<T, Error>;

inline Error MakeError(Error::Kind kind, QString message, QString detail = QString(),
                       int code = 0) {
  return Error{kind, std::move(message), std::move(detail), code};
}
inline tl::unexpected<Error> Fail(Error::Kind kind, QString message, QString detail = QString(),
                                  int code = 0) {
  return tl::unexpected<Error>(MakeError(kind, std::move(message), std::move(detail), code));
}
inline tl::unexpected<Error> Fail(Error error) { return tl::unexpected<Error>(std::move(error)); }

}  // namespace talvec
