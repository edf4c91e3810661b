// The version texts the program and the management server exchange:
// "1.01.0021" is a major number, a minor of at least two digits and a
// revision of at least four. Versions compare by their three numbers.
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace talvec {

using VersionNumbers = std::array<quint64, 3>;

// The numbers of a text in the version form, or nothing (a blank, a line
// break, a fourth part, a number too long to hold: anything else).
std::optional<VersionNumbers> ParseVersion(QStringView text);

enum class ServerVersion {
  kNoAnswer,  // empty, blank or not a version: ask again / give up
  kNewer,
  kNotNewer,  // the same or older
};

// Judges the server's answer against the program's own version. The answer
// is trimmed first; an own version that is not in the form makes every
// answer "not newer", so a broken build never updates itself in a loop.
ServerVersion JudgeServerVersion(const QString& answer, const QString& own_version);

}  // namespace talvec
