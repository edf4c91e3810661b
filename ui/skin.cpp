#include "ui/skin.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QStyleFactory>

namespace talvec {

QString SkinPath(const QString& program_folder, int ui_type) {
  return program_folder + QStringLiteral("/help/U") + QString::number(ui_type) +
         QStringLiteral(".qzv");
}

void SkinAttach(QApplication& app) {
  // The sheets are drawn over Fusion, which looks the same on every desktop.
  if (app.style() &&
      app.style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0) {
    return;
  }
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
}

bool SkinAttachEx(QApplication& app, const QString& path, const QString& /*password*/) {
  QFile file(path);
  // A style sheet of a few hundred kilobytes is already huge; refuse more.
  if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) return false;
  const QByteArray sheet = file.readAll();
  if (sheet.isEmpty()) return false;
  app.setStyleSheet(QString::fromUtf8(sheet));
  return true;
}

bool ApplySkin(QApplication& app, const QString& program_folder, int ui_type) {
  SkinAttach(app);
  return SkinAttachEx(app, SkinPath(program_folder, ui_type), QString());
}

QIcon TalvecIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/talvec/talvec-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace talvec
