#include "ui/frmbrow.h"

#include <QGuiApplication>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWindow>
#include <algorithm>
#include <type_traits>

#include "ui/viewer_engine.h"
#include "ui/viewer_module.h"
#include "ui/viewer_rules.h"

namespace talvec {

namespace {

// A page that never shows a dialog of the engine: alerts are dropped,
// confirmations and prompts answered "no", file choosers cancelled,
// certificate problems rejected. Links that ask for a new window load in
// the page's own view.
class SilentPage : public QWebEnginePage {
 public:
  SilentPage(QWebEngineProfile* profile, QWebEngineView* view)
      : QWebEnginePage(profile, view), view_(view) {
    connect(this, &QWebEnginePage::certificateError, this,
            [](const QWebEngineCertificateError& error) {
              QWebEngineCertificateError copy = error;
              copy.rejectCertificate();
            });
  }

 protected:
  void javaScriptAlert(const QUrl&, const QString&) override {}
  bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
  bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
    return false;
  }
  QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
    return {};
  }
  QWebEnginePage* createWindow(WebWindowType) override {
    // The engine loads the new window's address into this page; its first
    // address is taken over by the viewer and the page is dropped.
    auto* relay = new QWebEnginePage(profile(), this);
    QPointer<QWebEngineView> view = view_;
    connect(relay, &QWebEnginePage::urlChanged, this, [relay, view](const QUrl& url) {
      if (url.isEmpty()) return;
      if (view) view->setUrl(url);
      relay->deleteLater();
    });
    return relay;
  }

 private:
  QPointer<QWebEngineView> view_;
};

// Attachments are saved by the engine's own "save link" into the
// profile's download folder.
void AcceptDownloads(QWebEngineProfile* profile) {
  static QPointer<QWebEngineProfile> connected;
  if (connected == profile) return;
  connected = profile;
  QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                   [](QWebEngineDownloadRequest* download) { download->accept(); });
}

double LogicalDpi(const QWidget* widget) {
  const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

FrmBrow::FrmBrow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FrmBrow"));
  setAttribute(Qt::WA_DeleteOnClose);
  web_browser_ = new QWebEngineView(this);
  web_browser_->setObjectName(QStringLiteral("WebBrowser1"));
  QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
  AcceptDownloads(profile);
  web_browser_->setPage(new SilentPage(profile, web_browser_));
  web_browser_->setUrl(QUrl(QStringLiteral("about:blank")));
  FitFrameToScreen();
}

QMargins FrmBrow::FrameMargins() const {
  const QWindow* own = windowHandle();
  if (own && own->isExposed()) return own->frameMargins();
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && owner->windowHandle() && owner->windowHandle()->isExposed()) {
    return owner->windowHandle()->frameMargins();
  }
  return own ? own->frameMargins() : QMargins();
}

void FrmBrow::FitFrameToScreen() {
  if (isMaximized() || isFullScreen()) return;
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  fitted_margins_ = FrameMargins();
  resize(available.size().shrunkBy(fitted_margins_));
  // A top-level's move() places its frame: the window manager puts the
  // title bar there whatever it has told so far.
  move(available.topLeft());
}

bool FrmBrow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  switch (event->type()) {
    case QEvent::LayoutRequest:  // the side panel asks for another width
      PlaceBrowser();
      break;
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::WindowStateChange:
      // The window manager tells the frame's size once the window is on
      // screen, and may change it while the window first shows; the fit
      // follows it. A window the user moved or resized keeps its place.
      if (isVisible() && !isMaximized() && !isFullScreen() && FrameMargins() != fitted_margins_) {
        FitFrameToScreen();
      }
      break;
    default:
      break;
  }
  return handled;
}

FrmBrow::~FrmBrow() = default;

void FrmBrow::ShowPage(const QString& address, const QString& caption) {
  setWindowTitle(caption);
  const ViewerLayout layout = ViewerLayoutFor(caption);
  crop_ = layout.crop ? ViewerCropPixels(LogicalDpi(this)) : 0;
  web_browser_->setToolTip(layout.hint ? QString::fromUtf8(kAttachmentHint) : QString());
  PlaceBrowser();
  web_browser_->setUrl(ViewerUrl(address));
}

void FrmBrow::SetSidePanel(QWidget* panel) {
  if (side_panel_) side_panel_->removeEventFilter(this);
  side_panel_ = panel;
  if (panel) {
    panel->setParent(this);
    panel->installEventFilter(this);
    panel->setVisible(true);
  }
  PlaceBrowser();
}

bool FrmBrow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == side_panel_) {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::LayoutRequest:
        PlaceBrowser();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FrmBrow::PlaceBrowser() {
  int side = 0;
  if (side_panel_ && !side_panel_->isHidden()) {
    side = std::clamp(side_panel_->sizeHint().width(), 0, width() / 2);
    side_panel_->setGeometry(width() - side, 0, side, height());
  }
  web_browser_->setGeometry(0, -crop_, width() - side, height() + crop_);
}

void FrmBrow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceBrowser();
}

}  // namespace talvec

extern "C" Q_DECL_EXPORT bool TalvecPrepareViewer(QString* problem) {
  *problem = talvec::PrepareBrowserEngine();
  return problem->isEmpty();
}

extern "C" Q_DECL_EXPORT QWidget* TalvecCreateViewer(QWidget* parent) {
  return new talvec::FrmBrow(parent);
}

extern "C" Q_DECL_EXPORT void TalvecShowViewerPage(QWidget* viewer, const QString& address,
                                                   const QString& caption) {
  if (auto* frm = qobject_cast<talvec::FrmBrow*>(viewer)) frm->ShowPage(address, caption);
}

extern "C" Q_DECL_EXPORT void TalvecSetViewerSidePanel(QWidget* viewer, QWidget* panel) {
  if (auto* frm = qobject_cast<talvec::FrmBrow*>(viewer)) frm->SetSidePanel(panel);
}

// The entry points keep the types the program calls them through.
static_assert(std::is_same_v<decltype(&TalvecPrepareViewer), talvec::PrepareViewerFn>);
static_assert(std::is_same_v<decltype(&TalvecCreateViewer), talvec::CreateViewerFn>);
static_assert(std::is_same_v<decltype(&TalvecShowViewerPage), talvec::ShowViewerPageFn>);
static_assert(std::is_same_v<decltype(&TalvecSetViewerSidePanel), talvec::SetViewerSidePanelFn>);
