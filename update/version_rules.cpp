#include "update/version_rules.h"

#include <charconv>

namespace talvec {

std::optional<VersionNumbers> ParseVersion(QStringView text) {
  VersionNumbers numbers{};
  constexpr int kMinDigits[3] = {1, 2, 4};
  qsizetype pos = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != u'.') return std::nullopt;
      ++pos;
    }
    std::string digits;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
      digits.push_back(static_cast<char>(text[pos].unicode()));
      ++pos;
    }
    if (static_cast<int>(digits.size()) < kMinDigits[part] || digits.size() > 18)
      return std::nullopt;
    std::from_chars(digits.data(), digits.data() + digits.size(), numbers[part]);
  }
  if (pos != text.size()) return std::nullopt;
  return numbers;
}

ServerVersion JudgeServerVersion(const QString& answer, const QString& own_version) {
  const std::optional<VersionNumbers> server = ParseVersion(answer.trimmed());
  if (!server) return ServerVersion::kNoAnswer;
  const std::optional<VersionNumbers> own = ParseVersion(own_version);
  if (!own) return ServerVersion::kNotNewer;
  return *server > *own ? ServerVersion::kNewer : ServerVersion::kNotNewer;
}

}  // namespace talvec
