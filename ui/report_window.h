// The frame every list window shares (the watch list, the favorites, the
// competitors and the windows to come): a dialog that deletes itself when
// closed, opens at its design size within the screen's available area,
// closes on Esc (and where asked on Enter in a box), keeps its list body
// placed by the design's twips margins, and has a status bar for counts
// and short confirmations when it asks for one.
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QStatusBar;

namespace talvec {

// "共 N 条": the rows a list shows.
QString CountText(qint64 rows);
// The count at the right end of a status bar (a label made on first use).
void ShowCount(QStatusBar* bar, qint64 rows);
// A short confirmation in a status bar, for a few seconds, cut to fit with
// its whole text in the bar's tool tip.
void ShowNote(QStatusBar* bar, const QString& text);
inline constexpr int kNoteMs = 6000;

// A window's frame no larger than the area and moved into it as little as
// needed.
QRect FitWithin(QRect frame, const QRect& area);

class ReportWindow : public QDialog {
  Q_OBJECT

 public:
  // `object_name` and `caption` are the window's design name and caption.
  ReportWindow(const QString& object_name, const QString& caption, QWidget* parent);

  // Design lengths at the window's screen.
  int Px(double twips) const;

  // The frame at the design size, or at the screen's available area where
  // that is smaller; `share` (each 0 to 1) takes that share of a larger
  // screen's width and height; centred over its owner (or the screen). While
  // the window manager adds its frame, the window is kept within the
  // available area.
  void FitToScreen(QSize design_twips, QSizeF share = {});

  // The list body from (left, top) to the window's width less `left` and
  // `extra_right`, and its height less `bottom` (all twips), kept on every
  // resize; a status bar takes its height from the bottom margin.
  void PlaceBody(QWidget* body, int left, int top, int extra_right, int bottom);

  // Enter closes the window, as Esc does, unless a button with the focus
  // takes it.
  void SetEnterCloses(bool closes) { enter_closes_ = closes; }

  // The status bar along the bottom edge, made on first use.
  QStatusBar* statusBar();
  void ShowCount(qint64 rows) { talvec::ShowCount(statusBar(), rows); }
  void ShowNote(const QString& text) { talvec::ShowNote(statusBar(), text); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void PlaceChildren();
  // Moves (and if need be shrinks) the frame into the available area.
  void KeepOnScreen();
  QMargins FrameMargins() const;
  // While first shown: the frame is checked again when the window manager
  // has changed its margins.
  void FramedMeanwhile();

  struct BodyMargins {
    int left = 0, top = 0, extra_right = 0, bottom = 0;  // twips
  };
  QPointer<QWidget> body_;
  BodyMargins margins_;
  QStatusBar* status_bar_ = nullptr;
  bool enter_closes_ = false;
  bool shown_ = false;
  bool placing_ = false;  // the first moments on screen, while the frame comes
  QMargins seen_margins_;
};

}  // namespace talvec
