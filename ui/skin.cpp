#include "ui/skin.h"

#include <QApplication>
#include <QFile>

namespace talvec {

QString SkinPath(const QString& program_folder, int ui_type) {
  return program_folder + QStringLiteral("/help/U") + QString::number(ui_type) +
         QStringLiteral(".qzv");
}

bool ApplySkin(QApplication& app, const QString& program_folder, int ui_type) {
  QFile file(SkinPath(program_folder, ui_type));
  // A style sheet of a few hundred kilobytes is already huge; refuse more.
  if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) return false;
  app.setStyleSheet(QString::fromUtf8(file.readAll()));
  return true;
}

}  // namespace talvec
