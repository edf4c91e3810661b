// The announcement viewer: one window with one browser, at most one of it.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QWebEngineView;

namespace talvec {

enum class ViewerMode { kModeless, kModal };

// The viewer window. Its browser is positioned so that the top of a cropped
// page lies above the window.
class FrmBrow : public QWidget {
  Q_OBJECT

 public:
  explicit FrmBrow(QWidget* parent = nullptr);
  ~FrmBrow() override;

  // Caption, crop, hint and address of a page, then the navigation.
  void ShowPage(const QString& address, const QString& caption);

  QWebEngineView* WebBrowser1() const { return web_browser_; }
  // How far the browser's top lies above the window (0 when uncropped).
  int CropPixels() const { return crop_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceBrowser();

  QWebEngineView* web_browser_ = nullptr;
  int crop_ = 0;
};

// Opens pages in the one viewer window. Callers set ViewerAddress and
// ViewerCaption, then Open(); the window is created when a page is first
// shown and destroyed when the user closes it.
class Viewer : public QObject {
  Q_OBJECT

 public:
  // The owner is the window the viewer belongs to (the main window).
  explicit Viewer(QWidget* owner);
  ~Viewer() override;

  QString ViewerAddress;
  QString ViewerCaption;

  // Modeless: creates the window with the current address and caption, or
  // only brings an open window to the front, page unchanged. Modal: the
  // window blocks the rest of the program until closed; an open window is
  // reused, shows the new page and becomes modal.
  void Open(ViewerMode mode);
  void Open(const QString& address, const QString& caption, ViewerMode mode);

  // The open viewer window, or nullptr.
  FrmBrow* window() const { return window_; }

 signals:
  void opened(talvec::FrmBrow* window);

 private:
  FrmBrow* Create();

  QPointer<QWidget> owner_;
  QPointer<FrmBrow> window_;
};

}  // namespace talvec
