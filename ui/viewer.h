// Opens pages in the one viewer window. Callers set ViewerAddress and
// ViewerCaption, then Open(); the window, and the browser engine with it,
// is created when a page is first shown and destroyed when the user closes
// the window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace talvec {

enum class ViewerMode { kModeless, kModal };

// A panel the viewer window shows beside the page; it learns each page
// the window shows.
class ViewerSidePanel : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  virtual void ShowPage(const QString& address, const QString& caption) = 0;
};

class Viewer : public QObject {
  Q_OBJECT

 public:
  // The owner is the window the viewer belongs to (the main window).
  explicit Viewer(QWidget* owner);
  ~Viewer() override;

  QString ViewerAddress;
  QString ViewerCaption;

  // Shows the current address and caption in the one viewer window: a new
  // window, or the open one brought to the front. Modal: the window blocks
  // the rest of the program until closed (an open window becomes modal).
  // A viewer that cannot start says why in a message box; the program goes
  // on without it.
  void Open(ViewerMode mode);
  void Open(const QString& address, const QString& caption, ViewerMode mode);

  // The open viewer window (FrmBrow), or nullptr.
  QWidget* window() const { return window_; }

  // Makes the side panel of each new viewer window (nullptr: none).
  void SetSidePanelFactory(std::function<ViewerSidePanel*()> factory) {
    side_panel_factory_ = std::move(factory);
  }
  ViewerSidePanel* sidePanel() const { return side_panel_; }

  // Where the viewer module lies; the program folder unless set.
  static void SetModuleFolder(const QString& folder);

 signals:
  // A page is about to be shown (before the window opens); `caption` is
  // the announcement's title where a list opens one.
  void pageRequested(const QString& address, const QString& caption);
  void opened(QWidget* window);

 private:
  QWidget* Create();
  void ShowPage();

  QPointer<QWidget> owner_;
  QPointer<QWidget> window_;
  std::function<ViewerSidePanel*()> side_panel_factory_;
  QPointer<ViewerSidePanel> side_panel_;
};

}  // namespace talvec
