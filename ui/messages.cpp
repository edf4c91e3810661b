#include "ui/messages.h"

#include <QFile>

namespace talvec {

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        const QString& detail,
                                        QMessageBox::StandardButtons buttons) {
  const QString log = qEnvironmentVariable("TALVEC_MESSAGE_LOG");
  if (!log.isEmpty()) {
    QFile file(log);
    if (file.open(QIODevice::Append | QIODevice::Text)) {
      file.write(QStringLiteral("%1|%2|%3|%4\n")
                     .arg(static_cast<int>(icon))
                     .arg(caption, text, QString(detail).replace(QLatin1Char('\n'), QLatin1Char(' ')))
                     .toUtf8());
    }
    // The first button stands for the user's answer (OK, or Yes of Yes/No).
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes}) {
      if (buttons & b) return b;
    }
    return QMessageBox::NoButton;
  }
  QMessageBox box(icon, caption, text, buttons, parent);
  if (!detail.isEmpty()) box.setDetailedText(detail);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace talvec
