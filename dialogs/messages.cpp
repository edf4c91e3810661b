#include "dialogs/messages.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>

namespace talvec {

namespace {

MessageSink*& Sink() {
  static MessageSink* sink = nullptr;
  return sink;
}

// Widens a box so that the window manager's title bar shows its caption
// whole: the caption is centred between the bar's icon and its buttons, so
// the box needs the caption's width and about a button row on each side.
void FitCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  QFont bold = box.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  const int width = metrics.horizontalAdvance(box.windowTitle()) + 10 * metrics.height();
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
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
  FitCaption(box);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace talvec
