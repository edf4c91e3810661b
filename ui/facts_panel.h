// The key-facts card beside the page in the viewer: "公告要素" (the facts
// of the announcement shown, corrected values with what they replaced)
// and "项目进程" (its project's announcements by date; a click opens one in
// the same viewer). The user can fold it to a narrow strip; that choice is
// kept. A page whose facts are not read yet is read by the facts reader
// and the card fills when they arrive. Pages that are not announcements of
// the store (help, links followed) show no card.
#pragma once

#include <QPointer>
#include <QString>

#include "desk/facts_card.h"
#include "ui/viewer.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QScrollArea;
class QToolButton;

namespace talvec {

class Database;
class FactsReader;

class FactsCardPanel : public ViewerSidePanel {
  Q_OBJECT

 public:
  FactsCardPanel(Database& db, FactsReader& reader, Viewer& viewer, QString site_base_address,
                 QWidget* parent = nullptr);

  void ShowPage(const QString& address, const QString& caption) override;
  // Folded to the strip, or open; the choice is stored.
  void SetExpanded(bool expanded);
  bool expanded() const { return expanded_; }
  const FactsCard& card() const { return card_; }

  QSize sizeHint() const override;

  QToolButton* CmdHideFacts = nullptr;
  QToolButton* CmdShowFacts = nullptr;
  QToolButton* CmdCopyFacts = nullptr;
  QLabel* LabelFactsState = nullptr;
  QListWidget* ListTimeline = nullptr;

 signals:
  // A copy was made (for a note in the status bar).
  void copied(const QString& what);

 private:
  void Refill();
  void FillFacts();
  void FillTimeline();
  void OpenEntry(QListWidgetItem* item);
  void Copy(const QString& text, const QString& what);

  Database& db_;
  Viewer& viewer_;
  QString site_base_address_;
  QString title_;
  bool expanded_ = true;
  bool answered_ = false;  // the reader has answered for this page since it was shown
  FactsCard card_;
  QWidget* body_ = nullptr;
  QScrollArea* facts_area_ = nullptr;
};

}  // namespace talvec
