// The help menu's "关于(&A)" box: which program and version this is, where
// its database file lies, how large it is and how many announcements it
// holds.
#pragma once

#include <QString>
#include <cstdint>

#include "core/error.h"

class QWidget;

namespace talvec {

struct AppContext;

struct AboutFacts {
  QString program_name;
  QString version;  // VersionString
  QString database_path;
  std::int64_t database_bytes = -1;  // -1: the file cannot be read
  std::int64_t log_bytes = 0;        // its write-ahead log beside it
  Result<std::int64_t> announcements = 0;
};

AboutFacts GatherAboutFacts(AppContext& context, const QString& program_name,
                            const QString& version);
QString AboutText(const AboutFacts& facts);

// The box, with caption "系统信息".
void ShowAbout(QWidget* parent, AppContext& context, const QString& program_name,
               const QString& version);

}  // namespace talvec
