// What the windows keep between runs (a list's sort, the main window's
// place and size, later a panel shown or hidden), as keys and values in
// table UiState. This module holds every statement on that table.
#pragma once

#include <QRect>
#include <QString>
#include <initializer_list>
#include <optional>
#include <utility>

#include "core/error.h"

namespace talvec {

class Database;

class UiState {
 public:
  explicit UiState(Database& db) : db_(db) {}

  // A key's value; nothing when the key was never written. A value that is
  // not of the asked type is an error (kBadData), not a guess.
  Result<std::optional<QString>> Text(const QString& key) const;
  Result<std::optional<int>> Int(const QString& key) const;
  Result<std::optional<bool>> Flag(const QString& key) const;
  Result<std::optional<QRect>> Rect(const QString& key) const;

  Result<void> SetText(const QString& key, const QString& value);
  Result<void> SetInt(const QString& key, int value);
  Result<void> SetFlag(const QString& key, bool value);
  Result<void> SetRect(const QString& key, const QRect& value);
  // Several values that belong together, written in one transaction.
  Result<void> SetTexts(std::initializer_list<std::pair<QString, QString>> values);

  // The stored forms, for SetTexts: decimal integers, "1"/"0", and a
  // rectangle as "left,top,width,height".
  static QString IntText(int value);
  static QString FlagText(bool value) { return QLatin1String(value ? "1" : "0"); }
  static QString RectText(const QRect& rect);

 private:
  Database& db_;
};

}  // namespace talvec
