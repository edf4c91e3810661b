// The install step of the updater: the files the package put into "temp"
// replace those of the program folder, each one atomically.
#pragma once

#include <QString>
#include <QStringList>

#include "core/error.h"

namespace talvec {

struct InstallReport {
  QStringList installed;     // relative paths now holding the new file
  QStringList refused;       // "path: why", left out by rule (user data, links, odd names)
  QStringList not_replaced;  // "path: why", the rename failed: the old file stays
};

// True for the files of the user's data, which an update never replaces:
// the database file and the files beside it.
bool IsUserDataFile(const QString& relative_path);

// Installs every file beneath `source` into `destination` in two passes:
// first each new file is written whole beside its target (a hidden
// ".NAME.talvec-new"), flushed to disk; then each is renamed over its
// target. If any file cannot be written in the first pass, the written ones
// are removed and nothing is installed: the error names each file and why.
// A process killed at any point leaves every target whole, old or new (and
// staged files that the next start removes). Symbolic links, names that
// leave the folder, the user's data files and the programs' hand-over
// files are refused.
Result<InstallReport> InstallFolder(const QString& source, const QString& destination);

}  // namespace talvec
