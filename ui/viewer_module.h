// The entry points of the viewer module, the shared library that holds the
// browser engine. The program loads it when a page is first shown, so that
// start-up never pays for the engine.
#pragma once

class QString;
class QWidget;

namespace talvec {

// Readies the browser engine before its first use: true when it can start,
// else false with the cause for the user in *problem.
using PrepareViewerFn = bool (*)(QString* problem);
// Creates the viewer window (not yet shown), a top-level child of parent.
using CreateViewerFn = QWidget* (*)(QWidget* parent);
// Caption, crop, hint and address of a page, then the navigation.
using ShowViewerPageFn = void (*)(QWidget* viewer, const QString& address, const QString& caption);
// Puts `panel` beside the page, at the window's right edge, as wide as the
// panel asks (its size hint); the window owns it from then on.
using SetViewerSidePanelFn = void (*)(QWidget* viewer, QWidget* panel);

inline constexpr const char* kViewerModuleName = "talvec_viewer";
inline constexpr const char* kPrepareViewerSymbol = "TalvecPrepareViewer";
inline constexpr const char* kCreateViewerSymbol = "TalvecCreateViewer";
inline constexpr const char* kShowViewerPageSymbol = "TalvecShowViewerPage";
inline constexpr const char* kSetViewerSidePanelSymbol = "TalvecSetViewerSidePanel";

}  // namespace talvec
