#include "ui/viewer_rules.h"

#include <QDir>
#include <QFileInfo>

#include "ui/twips.h"

namespace talvec {

QString AnnouncementAddress(const QString& stored_address, const QString& site_base_address) {
  // "https://" counts as absolute too: prefixing it would make an address
  // that can never load.
  if (stored_address.contains(QLatin1String("http://")) ||
      stored_address.contains(QLatin1String("https://"))) {
    return stored_address;
  }
  return site_base_address + stored_address;
}

ViewerLayout ViewerLayoutFor(const QString& caption) {
  ViewerLayout layout;
  if (caption.contains(QStringLiteral("帮助信息")) ||
      caption.contains(QStringLiteral("查询公司信息:"))) {
    layout.crop = false;
    return layout;
  }
  layout.hint =
      caption.contains(QStringLiteral("更正公告")) || caption.contains(QStringLiteral("采购公告"));
  return layout;
}

int ViewerCropPixels(double logical_dpi) { return TwipsToPixels(kViewerCropTwips, logical_dpi); }

QUrl ViewerUrl(const QString& address) {
  const QString text = address.trimmed();
  if (text.isEmpty()) return QUrl(QStringLiteral("about:blank"));
  const QUrl url(text, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                        scheme == QLatin1String("file") || scheme == QLatin1String("about"))) {
    return url;
  }
  if (QDir::isAbsolutePath(text) || QFileInfo::exists(text)) {
    return QUrl::fromLocalFile(QDir::fromNativeSeparators(text));
  }
  return QUrl::fromUserInput(text);
}

}  // namespace talvec
