// The main window's place on screen: where it opens (the frame the user
// left it in, or the design size), kept within the screen's available
// area, and kept for the next run in table UiState.
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "core/ui_state.h"
#include "ui/frmweath.h"
#include "ui/twips.h"

Q_LOGGING_CATEGORY(lcPlacement, "talvec.window.placement")

namespace talvec {

namespace {

// The frame no larger than the area and moved into it as little as needed.
QRect FitFrameWithin(QRect frame, const QRect& area) {
  frame.setSize(frame.size().boundedTo(area.size()));
  frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
  frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
  return frame;
}

// The screen a kept frame stood on, when that screen is still there.
const QScreen* ScreenOf(const QRect& frame, const QScreen* fallback) {
  const QScreen* screen = QGuiApplication::screenAt(frame.center());
  return screen ? screen : fallback;
}

}  // namespace

void FrmWeath::RestorePlacement() {
  if (!context_.db) return;
  const UiState state(*context_.db);
  const Result<std::optional<QRect>> frame = state.Rect(QLatin1String(kFrameKey));
  const Result<std::optional<bool>> maximized = state.Flag(QLatin1String(kMaximizedKey));
  if (!frame || !maximized) {
    qCWarning(lcPlacement) << "window placement not restored:"
                           << (frame ? maximized.error() : frame.error()).FullText();
    return;
  }
  if (*frame && !(*frame)->isEmpty()) kept_frame_ = **frame;
  if (*maximized && **maximized) {
    // The frame the window returns to is placed once it is back to normal
    // (the window manager's frame is known by then).
    restore_normal_ = true;
    if (kept_frame_) setGeometry(*kept_frame_);
    setWindowState(windowState() | Qt::WindowMaximized);
  }
}

void FrmWeath::KeepPlacement() {
  if (!context_.db || !context_.db->IsOpen() || !isVisible()) return;
  const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  const bool maximized = isMaximized();
  const QRect normal = maximized || isFullScreen() || isMinimized() ? normalGeometry() : geometry();
  UiState state(*context_.db);
  // A window never shown in its normal state has no frame to keep.
  const Result<void> kept =
      normal.isEmpty()
          ? state.SetFlag(QLatin1String(kMaximizedKey), maximized)
          : state.SetTexts(
                {{QLatin1String(kFrameKey), UiState::RectText(normal.marginsAdded(margins))},
                 {QLatin1String(kMaximizedKey), UiState::FlagText(maximized)}});
  if (!kept) qCWarning(lcPlacement) << "window placement not kept:" << kept.error().FullText();
}

void FrmWeath::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (fitted_) return;
  fitted_ = true;
  FitToScreen();
  // The window manager tells the frame's size only once the window is
  // mapped; fit again when it has.
  QTimer::singleShot(0, this, &FrmWeath::FitToScreen);
  QTimer::singleShot(300, this, &FrmWeath::FitToScreen);
}

void FrmWeath::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && restore_normal_ &&
      !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))) {
    restore_normal_ = false;
    QTimer::singleShot(0, this, &FrmWeath::FitToScreen);
  }
}

void FrmWeath::FitToScreen() {
  if (isMaximized() || isFullScreen() || isMinimized()) return;
  const QScreen* current = screen() ? screen() : QGuiApplication::primaryScreen();
  const QScreen* target = kept_frame_ ? ScreenOf(*kept_frame_, current) : current;
  if (!target) return;
  const QRect available = target->availableGeometry();
  const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  QRect placed;
  if (kept_frame_) {
    placed = FitFrameWithin(*kept_frame_, available);
  } else {
    const QSize design(TwipsToPixels(kDesignWindowWidth, Dpi()),
                       TwipsToPixels(kDesignWindowHeight, Dpi()));
    placed = QRect(QPoint(), design);
    placed.moveCenter(available.center());
    placed = FitFrameWithin(placed, available);
  }
  setGeometry(placed.marginsRemoved(frame));
}

}  // namespace talvec
