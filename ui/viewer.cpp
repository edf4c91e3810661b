#include "ui/viewer.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWidget>

#include "ui/viewer_module.h"

Q_LOGGING_CATEGORY(lcViewer, "talvec.viewer")

// Qt's global share context, which the browser engine draws with. Qt makes
// it at start-up only when asked to before the application object exists;
// the viewer makes it itself, when the engine is first needed.
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace talvec {

namespace {

QString& ModuleFolder() {
  static QString folder;
  return folder;
}

struct ViewerModule {
  CreateViewerFn create = nullptr;
  ShowViewerPageFn show_page = nullptr;
};

void EnsureShareContext() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (qt_gl_global_share_context()) return;
  auto* context = new QOpenGLContext(QCoreApplication::instance());
  context->setFormat(QSurfaceFormat::defaultFormat());
  if (context->create()) {
    qt_gl_set_global_share_context(context);
  } else {
    qCWarning(lcViewer) << "no OpenGL context for the viewer";
  }
}

// Loaded once and kept for the rest of the process.
const ViewerModule& Module() {
  static const ViewerModule module = [] {
    ViewerModule m;
    EnsureShareContext();
    const QString folder =
        ModuleFolder().isEmpty() ? QCoreApplication::applicationDirPath() : ModuleFolder();
    auto* library = new QLibrary(folder + QLatin1Char('/') + QLatin1String(kViewerModuleName));
    if (!library->load()) {
      qCWarning(lcViewer) << "cannot load the viewer:" << library->errorString();
      return m;
    }
    m.create = reinterpret_cast<CreateViewerFn>(library->resolve(kCreateViewerSymbol));
    m.show_page = reinterpret_cast<ShowViewerPageFn>(library->resolve(kShowViewerPageSymbol));
    if (!m.create || !m.show_page) {
      qCWarning(lcViewer) << "the viewer module lacks its entry points";
      m = {};
    }
    return m;
  }();
  return module;
}

}  // namespace

void Viewer::SetModuleFolder(const QString& folder) { ModuleFolder() = folder; }

Viewer::Viewer(QWidget* owner) : QObject(owner), owner_(owner) {}

Viewer::~Viewer() {
  if (window_) delete window_.data();
}

QWidget* Viewer::Create() {
  const ViewerModule& module = Module();
  if (!module.create) return nullptr;
  window_ = module.create(owner_);
  if (window_) module.show_page(window_, ViewerAddress, ViewerCaption);
  return window_;
}

void Viewer::Open(const QString& address, const QString& caption, ViewerMode mode) {
  ViewerAddress = address;
  ViewerCaption = caption;
  emit pageRequested(address, caption);
  Open(mode);
}

void Viewer::Open(ViewerMode mode) {
  QWidget* window = window_;
  if (!window) {
    window = Create();
    if (!window) return;
    if (mode == ViewerMode::kModal) window->setWindowModality(Qt::ApplicationModal);
    window->show();
  } else if (mode == ViewerMode::kModal) {
    // The one viewer takes the new page; modality only applies to a window
    // that is shown anew.
    Module().show_page(window, ViewerAddress, ViewerCaption);
    if (window->windowModality() != Qt::ApplicationModal) {
      window->hide();
      window->setWindowModality(Qt::ApplicationModal);
      window->show();
    }
  }
  window->raise();
  window->activateWindow();
  emit opened(window);
}

}  // namespace talvec
