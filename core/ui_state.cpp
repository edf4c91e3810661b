#include "core/ui_state.h"

#include <QStringList>
#include <charconv>

#include "core/database.h"

namespace talvec {

namespace {

// The statement's cause kept (its kind tells a busy lock or a refused
// write), its text as the detail.
tl::unexpected<Error> Failed(const char* what, const QString& key, const Error& cause) {
  return Fail(cause.kind, QStringLiteral("%1界面状态 %2").arg(QLatin1String(what), key),
              cause.FullText(), cause.code);
}

tl::unexpected<Error> BadValue(const QString& key, const QString& value) {
  return Fail(Error::Kind::kBadData, QStringLiteral("界面状态 %1 的值无法识别").arg(key), value);
}

// A whole decimal number and nothing else, read without the user's locale.
std::optional<int> ReadInt(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  int value = 0;
  const char* end = bytes.constData() + bytes.size();
  const auto [ptr, ec] = std::from_chars(bytes.constData(), end, value);
  if (bytes.isEmpty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

QString UiState::IntText(int value) {
  char buffer[16];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return QString::fromLatin1(buffer, end - buffer);
}

QString UiState::RectText(const QRect& rect) {
  return QStringList{IntText(rect.left()), IntText(rect.top()), IntText(rect.width()),
                     IntText(rect.height())}
      .join(u',');
}

Result<std::optional<QString>> UiState::Text(const QString& key) const {
  Statement st = db_.Query("SELECT Value FROM UiState WHERE Key = ?", key);
  if (st.Next()) return std::optional<QString>(st.IsNull(0) ? QString() : st.Text(0));
  if (!st.ok()) return Failed("无法读取", key, st.error());
  return std::optional<QString>();
}

Result<std::optional<int>> UiState::Int(const QString& key) const {
  return Text(key).and_then(
      [&key](const std::optional<QString>& text) -> Result<std::optional<int>> {
        if (!text) return std::optional<int>();
        if (const std::optional<int> value = ReadInt(*text)) return value;
        return BadValue(key, *text);
      });
}

Result<std::optional<bool>> UiState::Flag(const QString& key) const {
  return Text(key).and_then(
      [&key](const std::optional<QString>& text) -> Result<std::optional<bool>> {
        if (!text) return std::optional<bool>();
        if (*text == QLatin1String("1")) return std::optional<bool>(true);
        if (*text == QLatin1String("0")) return std::optional<bool>(false);
        return BadValue(key, *text);
      });
}

Result<std::optional<QRect>> UiState::Rect(const QString& key) const {
  return Text(key).and_then(
      [&key](const std::optional<QString>& text) -> Result<std::optional<QRect>> {
        if (!text) return std::optional<QRect>();
        const QStringList parts = text->split(u',');
        std::optional<int> n[4];
        if (parts.size() == 4) {
          for (int i = 0; i < 4; ++i) n[i] = ReadInt(parts[i]);
        }
        if (!n[0] || !n[1] || !n[2] || !n[3] || *n[2] < 0 || *n[3] < 0) {
          return BadValue(key, *text);
        }
        return std::optional<QRect>(QRect(*n[0], *n[1], *n[2], *n[3]));
      });
}

Result<void> UiState::SetText(const QString& key, const QString& value) {
  Statement st = db_.Query("INSERT OR REPLACE INTO UiState(Key, Value) VALUES(?, ?)", key, value);
  if (!st.Run()) return Failed("无法保存", key, st.error());
  return {};
}

Result<void> UiState::SetInt(const QString& key, int value) { return SetText(key, IntText(value)); }

Result<void> UiState::SetFlag(const QString& key, bool value) {
  return SetText(key, FlagText(value));
}

Result<void> UiState::SetRect(const QString& key, const QRect& value) {
  return SetText(key, RectText(value));
}

Result<void> UiState::SetTexts(std::initializer_list<std::pair<QString, QString>> values) {
  QStringList keys;
  for (const auto& [key, value] : values) keys << key;
  Database::Transaction tx(db_);
  if (!tx.active()) return Failed("无法保存", keys.join(u','), tx.error());
  for (const auto& [key, value] : values) {
    if (Result<void> written = SetText(key, value); !written) return written;
  }
  if (Result<void> committed = tx.Commit(); !committed) {
    return Failed("无法保存", keys.join(u','), committed.error());
  }
  return {};
}

}  // namespace talvec
