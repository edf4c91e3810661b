// The program's own version: the one unit that knows it. The numbers come
// from the build (TALVEC_VERSION_MAJOR, _MINOR, _REVISION), so a program of
// another version is this file compiled again with other numbers.
#include "core/startup.h"

#if !defined(TALVEC_VERSION_MAJOR) || !defined(TALVEC_VERSION_MINOR) || \
    !defined(TALVEC_VERSION_REVISION)
#error "the build defines TALVEC_VERSION_MAJOR, TALVEC_VERSION_MINOR and TALVEC_VERSION_REVISION"
#endif

namespace talvec {

QString ProgramVersionString() {
  static const QString text =
      VersionString(TALVEC_VERSION_MAJOR, TALVEC_VERSION_MINOR, TALVEC_VERSION_REVISION);
  return text;
}

}  // namespace talvec
