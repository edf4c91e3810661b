// The main window's place on screen: where it opens (where the user left
// it, or at the design size), its frame within the screen's available
// area, and kept for the next run in table UiState. What is kept is the
// client area of the normal (not maximised) window: the frame's margins
// differ between window managers and between normal and maximised.
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "core/ui_state.h"
#include "ui/frmweath.h"
#include "ui/report_window.h"
#include "ui/twips.h"

Q_LOGGING_CATEGORY(lcPlacement, "talvec.window.placement")

namespace talvec {

namespace {

// The screen a kept window stood on, when that screen is still there.
const QScreen* ScreenOf(const QRect& window, const QScreen* fallback) {
  const QScreen* screen = QGuiApplication::screenAt(window.center());
  return screen ? screen : fallback;
}

}  // namespace

void FrmWeath::RestorePlacement() {
  if (!context_.db) return;
  const UiState state(*context_.db);
  const Result<std::optional<QRect>> normal = state.Rect(QLatin1String(kGeometryKey));
  const Result<std::optional<bool>> maximized = state.Flag(QLatin1String(kMaximizedKey));
  if (!normal || !maximized) {
    qCWarning(lcPlacement) << "window placement not restored:"
                           << (normal ? maximized.error() : normal.error()).FullText();
    return;
  }
  if (*normal && !(*normal)->isEmpty()) kept_geometry_ = **normal;
  if (*maximized && **maximized) {
    // Where the window goes when the user restores it, placed now: where it
    // was, if that is on a screen; else fitted with a guess at the frame the
    // window manager will add.
    const QScreen* on =
        kept_geometry_ ? QGuiApplication::screenAt(kept_geometry_->center()) : nullptr;
    setGeometry(on && on->availableGeometry().contains(*kept_geometry_)
                    ? *kept_geometry_
                    : NormalPlace(QMargins(4, 28, 4, 4)));
    setWindowState(windowState() | Qt::WindowMaximized);
  }
}

void FrmWeath::KeepPlacement() {
  if (!context_.db || !context_.db->IsOpen() || !isVisible()) return;
  const bool maximized = isMaximized();
  const QRect normal = maximized || isFullScreen() || isMinimized() ? normalGeometry() : geometry();
  UiState state(*context_.db);
  // A window never shown in its normal state has no place to keep.
  const Result<void> kept =
      normal.isEmpty()
          ? state.SetFlag(QLatin1String(kMaximizedKey), maximized)
          : state.SetTexts({{QLatin1String(kGeometryKey), UiState::RectText(normal)},
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

QRect FrmWeath::NormalPlace(const QMargins& frame) const {
  const QScreen* current = screen() ? screen() : QGuiApplication::primaryScreen();
  const QScreen* target = kept_geometry_ ? ScreenOf(*kept_geometry_, current) : current;
  if (!target) return geometry();
  const QRect available = target->availableGeometry();
  QRect placed;
  if (kept_geometry_) {
    placed = FitWithin(kept_geometry_->marginsAdded(frame), available);
  } else {
    const QSize design(TwipsToPixels(kDesignWindowWidth, Dpi()),
                       TwipsToPixels(kDesignWindowHeight, Dpi()));
    placed = QRect(QPoint(), design);
    placed.moveCenter(available.center());
    placed = FitWithin(placed, available);
  }
  return placed.marginsRemoved(frame);
}

void FrmWeath::FitToScreen() {
  if (isMaximized() || isFullScreen() || isMinimized()) return;
  setGeometry(NormalPlace(windowHandle() ? windowHandle()->frameMargins() : QMargins()));
}

}  // namespace talvec
