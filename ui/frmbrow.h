// The announcement viewer window: one browser and nothing else. It lives
// in the viewer module; the program reaches it through ui/viewer.h.
#pragma once

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

  QWebEngineView* WebBrowser1() const { return web_browser_; }
  // How far the browser's top lies above the window (0 when uncropped).
  int CropPixels() const { return crop_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void PlaceBrowser();
  void FitFrameToScreen();

  QWebEngineView* web_browser_ = nullptr;
  int crop_ = 0;
  bool fitted_ = false;
};

}  // namespace talvec
