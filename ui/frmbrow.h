// The announcement viewer window: the browser and, where the program puts
// one, a side panel at its right edge. It lives in the viewer module; the
// program reaches it through ui/viewer.h.
#pragma once

#include <QMargins>
#include <QPointer>
#include <QString>
#include <QWidget>

class QWebEngineView;

namespace talvec {

// The viewer window. Its browser is positioned so that the top of a cropped
// page lies above the window.
class FrmBrow : public QWidget {
  Q_OBJECT

 public:
  explicit FrmBrow(QWidget* parent = nullptr);
  ~FrmBrow() override;

  // Caption, crop, hint and address of a page, then the navigation.
  void ShowPage(const QString& address, const QString& caption);

  // The panel beside the page (the window takes it over); it is as wide as
  // its size hint asks, at most half the window, and the page gives way
  // whenever it shows, hides or asks for another width.
  void SetSidePanel(QWidget* panel);

  QWebEngineView* WebBrowser1() const { return web_browser_; }
  // How far the browser's top lies above the window (0 when uncropped).
  int CropPixels() const { return crop_; }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceBrowser();
  // The frame, title bar and borders included, fills the screen's
  // available area.
  void FitFrameToScreen();
  // The frame's margins as the window manager has told them; before the
  // window is on screen, the owner's (the same window manager draws both).
  QMargins FrameMargins() const;

  QWebEngineView* web_browser_ = nullptr;
  QPointer<QWidget> side_panel_;
  int crop_ = 0;
  QMargins fitted_margins_;  // the margins the last fit allowed for
};

}  // namespace talvec
