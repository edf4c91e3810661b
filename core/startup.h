// Facts start-up settles once: the version text, the system's name, and
// whether another copy of the program already runs.
#pragma once

#include <QString>
#include <QtGlobal>

namespace talvec {

// "1.01.0020" for 1, 1, 20.
QString VersionString(int major, int minor, int revision);
// The program's own version; defined in core/version.cpp, which each
// program links through a talvec_version library of its own.
QString ProgramVersionString();

// Maps an operating-system version number ("6.1.7601") to its name.
QString OsName(const QString& os_version);
// The operating system's version number as the platform reports it; empty
// where there is no such service.
QString OsVersion();

// Holds an exclusive lock on a file beside the database in the program folder
// for as long as it lives. The lock belongs to the open file, not to its
// content: the system releases it when the process ends, however it ends, so
// a file left behind (empty, or any bytes) never keeps the program out.
// `lock_name` names another lock of the folder (the updater's); empty: the
// program's own, beside the database.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& program_folder, const QString& lock_name = QString());
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();
  // False when another running copy holds the lock. A lock file that cannot
  // be opened at all is no proof of another copy: that start goes on (the
  // database beside it says what is wrong with the folder).
  bool acquired() const { return acquired_; }
  static QString LockPath(const QString& program_folder, const QString& lock_name = QString());

 private:
  qintptr handle_ = -1;  // file descriptor, or a Windows HANDLE
  bool acquired_ = false;
};

}  // namespace talvec
