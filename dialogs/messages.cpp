#include "dialogs/messages.h"

namespace talvec {

namespace {

MessageSink*& Sink() {
  static MessageSink* sink = nullptr;
  return sink;
}

}  // namespace

void SetMessageSink(MessageSink* sink) { Sink() = sink; }

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        const QString& detail,
                                        QMessageBox::StandardButtons buttons) {
  if (MessageSink* sink = Sink()) return sink->Show(parent, icon, caption, text, detail, buttons);
  QMessageBox box(icon, caption, text, buttons, parent);
  if (!detail.isEmpty()) box.setDetailedText(detail);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace talvec
