// What passes between TALVEC and MORVUP through the program folder, and
// what an interrupted update leaves there. MORVUP knows nothing of
// TALVEC's tables: when its work is over it leaves its outcome in a small
// file beside itself, which TALVEC reads and deletes at its next start.
// While it works it holds the updater's lock, so that neither program
// tidies a folder the other is still writing.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/error.h"

namespace talvec {

inline constexpr char kUpdateOutcomeFileName[] = "MORVUP.outcome";
// Held by MORVUP for its whole run (SingleInstance with this name).
inline constexpr char kUpdaterLockName[] = "MORVUP.lock";
// The package, as the management server names it, and its download.
inline constexpr char kPackageFileName[] = "Update.exe";
inline constexpr char kPartSuffix[] = ".part";
// The folder the package fills with the new files.
inline constexpr char kPackageFolderName[] = "temp";

struct UpdateOutcome {
  bool succeeded = false;
  QString cause;  // why it failed; empty on success
  QDateTime at;   // when the updater ended
};

// Writes the outcome file whole (a crash leaves the old file or none).
Result<void> WriteUpdateOutcome(const QString& program_folder, const UpdateOutcome& outcome);
// Reads and deletes the outcome file; nothing when there is none. A file
// that is not in the form is deleted as well and read as an error.
Result<std::optional<UpdateOutcome>> TakeUpdateOutcome(const QString& program_folder);

// The install writes each new file whole beside its target under this
// name (".TALVEC.talvec-new") before it renames it over the target.
QString StagedFileName(const QString& file_name);
bool IsStagedFileName(const QString& file_name);

// Files of the hand-over that a package never replaces.
bool IsHandOverFile(const QString& relative_path);

// Removes what an interrupted update leaves in the program folder: the
// folder "temp", the package and its partial download, and the staged
// files of an install in any subfolder. Call it only while holding the
// updater's lock. Gives the paths removed.
QStringList RemoveUpdateLeftovers(const QString& program_folder);

}  // namespace talvec
