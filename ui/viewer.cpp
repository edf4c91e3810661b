#include "ui/viewer.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWidget>

#include "dialogs/messages.h"
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
  SetViewerSidePanelFn set_side_panel = nullptr;
  QString problem;  // why there is no viewer, for the user
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

ViewerModule LoadModule() {
  // The engine looks for the shared context as soon as it is loaded.
  EnsureShareContext();
  const QString folder =
      ModuleFolder().isEmpty() ? QCoreApplication::applicationDirPath() : ModuleFolder();
  // A loaded library stays loaded when this object goes.
  QLibrary library(folder + QLatin1Char('/') + QLatin1String(kViewerModuleName));
  if (!library.load()) {
    qCWarning(lcViewer) << "cannot load the viewer:" << library.errorString();
    return {.problem = QStringLiteral("无法载入网页浏览组件：%1").arg(library.errorString())};
  }
  auto prepare = reinterpret_cast<PrepareViewerFn>(library.resolve(kPrepareViewerSymbol));
  ViewerModule m;
  m.create = reinterpret_cast<CreateViewerFn>(library.resolve(kCreateViewerSymbol));
  m.show_page = reinterpret_cast<ShowViewerPageFn>(library.resolve(kShowViewerPageSymbol));
  m.set_side_panel =
      reinterpret_cast<SetViewerSidePanelFn>(library.resolve(kSetViewerSidePanelSymbol));
  if (!prepare || !m.create || !m.show_page || !m.set_side_panel) {
    qCWarning(lcViewer) << "the viewer module lacks its entry points";
    return {.problem = QStringLiteral("网页浏览组件 %1 不完整。").arg(library.fileName())};
  }
  // The engine is checked, and readied, before anything starts it.
  QString problem;
  if (!prepare(&problem)) return {.problem = problem};
  return m;
}

// Loaded once and kept for the rest of the process, as is the reason when
// it cannot be used.
const ViewerModule& Module() {
  static const ViewerModule module = LoadModule();
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
  if (module.create) window_ = module.create(owner_);
  if (!window_) {
    // The program goes on without the viewer; the user learns why.
    ShowMessage(
        owner_, QMessageBox::Warning, QStringLiteral("系统提示"),
        QStringLiteral("网页浏览窗口无法打开。\n%1")
            .arg(module.problem.isEmpty() ? QStringLiteral("浏览窗口未能建立。") : module.problem));
    return nullptr;
  }
  if (side_panel_factory_) {
    side_panel_ = side_panel_factory_();
    if (side_panel_) module.set_side_panel(window_, side_panel_);
  }
  ShowPage();
  return window_;
}

void Viewer::ShowPage() {
  Module().show_page(window_, ViewerAddress, ViewerCaption);
  if (side_panel_) side_panel_->ShowPage(ViewerAddress, ViewerCaption);
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
  } else {
    // The one viewer shows the page asked for; modality only applies to a
    // window that is shown anew.
    ShowPage();
    if (mode == ViewerMode::kModal && window->windowModality() != Qt::ApplicationModal) {
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
