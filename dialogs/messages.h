// Message boxes of the program. Every box goes through ShowMessage, so a
// test can install a sink that records boxes and answers them instead.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace talvec {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           const QString& detail,
                                           QMessageBox::StandardButtons buttons) = 0;
};

// Replaces the real message boxes until called again with nullptr.
void SetMessageSink(MessageSink* sink);

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        const QString& detail = QString(),
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

}  // namespace talvec
