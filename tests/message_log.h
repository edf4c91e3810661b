// A message sink for tests: each box becomes one line of a file
// ("icon|caption|text|detail") and is answered at once, by default with its
// first button (OK, or Yes of Yes/No).
#pragma once

#include <QFile>
#include <QString>

#include "dialogs/messages.h"

namespace talvec::test_support {

class MessageLog : public MessageSink {
 public:
  explicit MessageLog(QString path) : path_(std::move(path)) {}

  // The answer to Yes/No boxes.
  void AnswerYes(bool yes) { yes_ = yes; }

  QMessageBox::StandardButton Show(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                   const QString& text, const QString& detail,
                                   QMessageBox::StandardButtons buttons) override {
    QFile file(path_);
    if (file.open(QIODevice::Append | QIODevice::Text)) {
      file.write(
          QStringLiteral("%1|%2|%3|%4\n")
              .arg(static_cast<int>(icon))
              .arg(caption, text, QString(detail).replace(QLatin1Char('\n'), QLatin1Char(' ')))
              .toUtf8());
    }
    if (buttons & QMessageBox::Yes) return yes_ ? QMessageBox::Yes : QMessageBox::No;
    if (buttons & QMessageBox::Ok) return QMessageBox::Ok;
    return QMessageBox::NoButton;
  }

 private:
  QString path_;
  bool yes_ = true;
};

}  // namespace talvec::test_support
