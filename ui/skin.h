// Interface styles: each style is a Qt style sheet in help/U<n>.qzv.
#pragma once

#include <QString>

class QApplication;

namespace talvec {

QString SkinPath(const QString& program_folder, int ui_type);
// Applies the style file when it exists and can be read; otherwise leaves
// the current style in place. Returns whether a style was applied.
bool ApplySkin(QApplication& app, const QString& program_folder, int ui_type);

}  // namespace talvec
