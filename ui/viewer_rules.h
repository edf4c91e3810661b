// Rules of the announcement viewer that need no browser: which address an
// announcement opens at, and how a caption decides the crop and the hint.
#pragma once

#include <QString>
#include <QUrl>

namespace talvec {

// A stored address is used as it is when it is already absolute; otherwise
// the site's base address is put in front of it, with no separator added.
QString AnnouncementAddress(const QString& stored_address, const QString& site_base_address);

// The top of announcement pages is hidden by this many twips.
inline constexpr int kViewerCropTwips = 3800;

inline constexpr const char* kAttachmentHint = "如有附件，无法直接打开,请点右键下载后再打开。";

struct ViewerLayout {
  bool crop = true;   // the page's top lies above the window
  bool hint = false;  // the attachment hint as tooltip
};

// Help pages and company look-ups are shown whole; every other page is
// cropped, and announcements that may carry attachments get the hint.
ViewerLayout ViewerLayoutFor(const QString& caption);

// The crop in logical pixels for a screen's logical dpi.
int ViewerCropPixels(double logical_dpi);

// The address to navigate to: web addresses as given, anything else that
// names an existing file, or an absolute path, as a local file.
QUrl ViewerUrl(const QString& address);

}  // namespace talvec
