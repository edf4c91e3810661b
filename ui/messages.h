// Message boxes of the program. When TALVEC_MESSAGE_LOG names a file (tests
// only), a box is written to it as one line instead of waiting for a click.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace talvec {

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        const QString& detail = QString(),
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

}  // namespace talvec
