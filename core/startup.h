// Facts start-up settles once: the version text, the system's name, and
// whether another copy of the program already runs.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace talvec {

// "1.01.0020" for 1, 1, 20.
QString VersionString(int major, int minor, int revision);
// The program's own version, from the build.
QString ProgramVersionString();

// Maps an operating-system version number ("6.1.7601") to its name.
QString OsName(const QString& os_version);
// The operating system's version number as the platform reports it; empty
// where there is no such service.
QString OsVersion();

// Holds a lock keyed on the program folder for as long as it lives.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& program_folder);
  // False when another running copy holds the lock.
  bool acquired() const { return acquired_; }
  static QString LockPath(const QString& program_folder);

 private:
  std::unique_ptr<QLockFile> lock_;
  bool acquired_ = false;
};

}  // namespace talvec
