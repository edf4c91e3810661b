// Interface styles: each style is a Qt style sheet in help/U<n>.qzv. The
// skin layer is attached to the program first, then the style file; a
// missing or unreadable file leaves the look as it was.
#pragma once

#include <QIcon>
#include <QString>

class QApplication;

namespace talvec {

QString SkinPath(const QString& program_folder, int ui_type);

// Attaches the skin layer: the widget style the style sheets are written
// for. Repeated calls change nothing.
void SkinAttach(QApplication& app);
// Loads a style file over the attached layer. The files carry no password;
// the parameter keeps the layer's calling form. Returns whether a style was
// applied.
bool SkinAttachEx(QApplication& app, const QString& path, const QString& password);

// Style n: the layer, then its file. Returns whether the file was applied.
bool ApplySkin(QApplication& app, const QString& program_folder, int ui_type);

// The program's own icon, in every size it comes in.
QIcon TalvecIcon();

}  // namespace talvec
