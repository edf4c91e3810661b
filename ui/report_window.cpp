#include "ui/report_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "ui/twips.h"

namespace talvec {

QRect FitWithin(QRect frame, const QRect& area) {
  frame.setSize(frame.size().boundedTo(area.size()));
  frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
  frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
  return frame;
}

QString CountText(qint64 rows) { return QStringLiteral("共 %1 条").arg(rows); }

void ShowCount(QStatusBar* bar, qint64 rows) {
  auto* label = bar->findChild<QLabel*>(QStringLiteral("LabelCount"));
  if (!label) {
    label = new QLabel(bar);
    label->setObjectName(QStringLiteral("LabelCount"));
    bar->addPermanentWidget(label);
  }
  label->setText(CountText(rows));
}

void ShowNote(QStatusBar* bar, const QString& text) {
  int room = bar->width() - 24;
  if (auto* count = bar->findChild<QLabel*>(QStringLiteral("LabelCount"))) room -= count->width();
  const QString shown = bar->fontMetrics().elidedText(text, Qt::ElideRight, std::max(80, room));
  if (!bar->property("talvecNoteTip").toBool()) {
    // The whole text of a cut note stays in the tool tip while it shows.
    bar->setProperty("talvecNoteTip", true);
    QObject::connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& message) {
      if (message.isEmpty()) bar->setToolTip(QString());
    });
  }
  bar->showMessage(shown, kNoteMs);
  bar->setToolTip(shown == text ? QString() : text);
}

namespace {

// How long after the first show the window manager's framing is watched.
constexpr int kPlacingMs = 1500;

}  // namespace

ReportWindow::ReportWindow(const QString& object_name, const QString& caption, QWidget* parent)
    : QDialog(parent) {
  setObjectName(object_name);
  setWindowTitle(caption);
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(true);
}

int ReportWindow::Px(double twips) const {
  return TwipsToPixels(twips, screen() ? screen()->logicalDotsPerInch() : 96.0);
}

void ReportWindow::FitToScreen(QSize design_twips, QSizeF share) {
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  const QScreen* s = owner && owner->screen() ? owner->screen() : screen();
  const QRect available = s ? s->availableGeometry() : QRect(0, 0, 1280, 800);
  const QSize wanted =
      QSize(Px(design_twips.width()), Px(design_twips.height()))
          .expandedTo(QSize(static_cast<int>(available.width() * share.width()),
                            static_cast<int>(available.height() * share.height())));
  // The frame's size once the window manager has told it, else a guess at
  // a title bar and borders.
  QMargins frame = FrameMargins();
  if (frame.isNull()) frame = QMargins(8, 40, 8, 8);
  resize(wanted.boundedTo(available.size().shrunkBy(frame)));
  // Centred over the owner (or the screen), inside the available area.
  QRect outer(QPoint(), size().grownBy(frame));
  outer.moveCenter(owner && owner->isVisible() ? owner->frameGeometry().center()
                                               : available.center());
  move(FitWithin(outer, available).topLeft());
}

void ReportWindow::PlaceBody(QWidget* body, int left, int top, int extra_right, int bottom) {
  body_ = body;
  margins_ = {left, top, extra_right, bottom};
  PlaceChildren();
}

QStatusBar* ReportWindow::statusBar() {
  if (!status_bar_) {
    status_bar_ = new QStatusBar(this);
    status_bar_->setObjectName(QStringLiteral("StatusBar1"));
    // The bar's own grip stands in the corner instead of the dialog's.
    setSizeGripEnabled(false);
    status_bar_->setSizeGripEnabled(true);
    status_bar_->show();
    PlaceChildren();
  }
  return status_bar_;
}

void ReportWindow::PlaceChildren() {
  int bottom = Px(margins_.bottom);
  if (status_bar_) {
    const int bar = status_bar_->sizeHint().height();
    status_bar_->setGeometry(0, height() - bar, width(), bar);
    bottom = std::max(bottom, bar);
  }
  if (body_) {
    const int left = Px(margins_.left);
    const int top = Px(margins_.top);
    body_->setGeometry(left, top, std::max(0, width() - 2 * left - Px(margins_.extra_right)),
                       std::max(0, height() - top - bottom));
  }
}

void ReportWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceChildren();
  FramedMeanwhile();
}

void ReportWindow::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  FramedMeanwhile();
}

QMargins ReportWindow::FrameMargins() const {
  return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

void ReportWindow::FramedMeanwhile() {
  if (!placing_ || FrameMargins() == seen_margins_) return;
  seen_margins_ = FrameMargins();
  KeepOnScreen();
}

void ReportWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (enter_closes_) {
    // No button is the default (QDialog would make the first one so after
    // this event, and it would look as if Enter clicked it).
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
  }
  // The window manager frames the window after it is mapped, and may move
  // it as it does: when the frame's margins change meanwhile, the frame is
  // checked again.
  placing_ = true;
  seen_margins_ = FrameMargins();
  KeepOnScreen();
  QTimer::singleShot(kPlacingMs, this, [this] {
    FramedMeanwhile();
    placing_ = false;
  });
}

void ReportWindow::KeepOnScreen() {
  const QScreen* s = screen();
  if (!s || isMaximized() || isFullScreen()) return;
  const QRect area = s->availableGeometry();
  const QRect frame = frameGeometry();
  if (area.contains(frame)) return;
  const QRect inside = FitWithin(frame, area);
  if (inside.size() != frame.size()) resize(inside.size() - (frame.size() - size()));
  move(inside.topLeft());
}

void ReportWindow::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  // Enter clicks the button that has the focus; from any other control it
  // closes the window.
  if (enter_closes_ && enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      reject();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace talvec
