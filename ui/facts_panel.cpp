#include "ui/facts_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMenu>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ui_state.h"
#include "facts/facts_reader.h"
#include "ui/list_export.h"
#include "ui/viewer_rules.h"

Q_LOGGING_CATEGORY(lcFactsCard, "talvec.factscard")

namespace talvec {

namespace {

constexpr const char* kExpandedKey = "ViewerFactsCard";
constexpr int kAddressRole = Qt::UserRole;
constexpr int kTitleRole = Qt::UserRole + 1;

QString ValueHtml(const CardFact& fact) {
  if (fact.value.isEmpty() && fact.superseded.isEmpty()) {
    return QStringLiteral("<span style='color:#888'>—</span>");
  }
  QString html;
  for (const QString& old : fact.superseded) {
    html += QStringLiteral("<s style='color:#888'>%1</s><br>").arg(old.toHtmlEscaped());
  }
  html += fact.value.toHtmlEscaped();
  if (!fact.corrected_on.isEmpty()) {
    html += QStringLiteral(" <span style='color:#d03c3c'>（%1更正）</span>")
                .arg(fact.corrected_on.toHtmlEscaped());
  }
  return html;
}

QString StateText(CardState state, bool answered) {
  switch (state) {
    case CardState::kUnread:
      return QStringLiteral("正在读取公告要素…");
    case CardState::kNoFacts:
      return QStringLiteral("公告页面未载明项目编号、预算、截止时间等要素。");
    case CardState::kFailed:
      return answered ? QStringLiteral("公告页面读取失败，要素暂缺；稍后再打开可重试。")
                      : QStringLiteral("上次读取公告页面失败，正在重新读取…");
    default:
      return QString();
  }
}

}  // namespace

FactsCardPanel::FactsCardPanel(Database& db, FactsReader& reader, Viewer& viewer,
                               QString site_base_address, QWidget* parent)
    : ViewerSidePanel(parent),
      db_(db),
      viewer_(viewer),
      site_base_address_(std::move(site_base_address)) {
  setObjectName(QStringLiteral("FactsCard"));
  // The window's colour, or the style's where a style gives one.
  setAutoFillBackground(true);
  setAttribute(Qt::WA_StyledBackground);
  const Result<std::optional<bool>> stored = UiState(db_).Flag(QLatin1String(kExpandedKey));
  expanded_ = !stored || !*stored || **stored;

  auto* root = new QHBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  auto* edge = new QFrame(this);
  edge->setFrameShape(QFrame::VLine);
  edge->setFrameShadow(QFrame::Sunken);
  root->addWidget(edge);

  CmdShowFacts = new QToolButton(this);
  CmdShowFacts->setObjectName(QStringLiteral("CmdShowFacts"));
  CmdShowFacts->setText(QStringLiteral("◀\n公\n告\n要\n素"));
  CmdShowFacts->setToolTip(QStringLiteral("显示公告要素与项目进程"));
  CmdShowFacts->setAutoRaise(true);
  CmdShowFacts->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  connect(CmdShowFacts, &QToolButton::clicked, this, [this] { SetExpanded(true); });
  root->addWidget(CmdShowFacts);

  body_ = new QWidget(this);
  auto* column = new QVBoxLayout(body_);
  column->setContentsMargins(8, 6, 6, 6);
  auto* head = new QHBoxLayout;
  auto* heading = new QLabel(QStringLiteral("公告要素"), body_);
  heading->setObjectName(QStringLiteral("LabelFactsHeading"));
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() + 1);
  heading->setFont(bold);
  head->addWidget(heading);
  head->addStretch(1);
  CmdCopyFacts = new QToolButton(body_);
  CmdCopyFacts->setObjectName(QStringLiteral("CmdCopyFacts"));
  CmdCopyFacts->setText(QStringLiteral("复制全部"));
  CmdCopyFacts->setToolTip(QStringLiteral("把全部要素复制到剪贴板"));
  connect(CmdCopyFacts, &QToolButton::clicked, this,
          [this] { Copy(FactsCardText(card_), QStringLiteral("全部要素")); });
  head->addWidget(CmdCopyFacts);
  CmdHideFacts = new QToolButton(body_);
  CmdHideFacts->setObjectName(QStringLiteral("CmdHideFacts"));
  CmdHideFacts->setText(QStringLiteral("隐藏 ▶"));
  CmdHideFacts->setToolTip(QStringLiteral("收起公告要素，页面占满窗口"));
  connect(CmdHideFacts, &QToolButton::clicked, this, [this] { SetExpanded(false); });
  head->addWidget(CmdHideFacts);
  column->addLayout(head);

  LabelFactsState = new QLabel(body_);
  LabelFactsState->setObjectName(QStringLiteral("LabelFactsState"));
  LabelFactsState->setWordWrap(true);
  column->addWidget(LabelFactsState);

  facts_area_ = new QScrollArea(body_);
  facts_area_->setObjectName(QStringLiteral("FactsArea"));
  facts_area_->setWidgetResizable(true);
  facts_area_->setFrameShape(QFrame::NoFrame);
  facts_area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  column->addWidget(facts_area_, 3);

  auto* timeline = new QLabel(QStringLiteral("项目进程"), body_);
  timeline->setObjectName(QStringLiteral("LabelTimeline"));
  timeline->setFont(bold);
  column->addWidget(timeline);
  ListTimeline = new QListWidget(body_);
  ListTimeline->setObjectName(QStringLiteral("ListTimeline"));
  ListTimeline->setWordWrap(true);
  ListTimeline->setTextElideMode(Qt::ElideNone);
  ListTimeline->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListTimeline->setSelectionMode(QAbstractItemView::NoSelection);
  ListTimeline->setAlternatingRowColors(true);
  ListTimeline->setSpacing(2);
  connect(ListTimeline, &QListWidget::itemClicked, this, &FactsCardPanel::OpenEntry);
  column->addWidget(ListTimeline, 2);
  root->addWidget(body_, 1);

  CmdShowFacts->setVisible(!expanded_);
  body_->setVisible(expanded_);

  connect(&reader, &FactsReader::factsRead, this, [this](const QString& title, int) {
    if (title != title_) return;
    answered_ = true;
    Refill();
  });
}

QSize FactsCardPanel::sizeHint() const {
  if (!expanded_) return {CmdShowFacts->sizeHint().width() + 2, 200};
  // A quarter of the window or so: the page keeps the most of it.
  const int window = parentWidget() ? parentWidget()->width() : 1024;
  const int em = fontMetrics().horizontalAdvance(QChar(0x6587));
  return {std::clamp(window * 27 / 100, 18 * em, 30 * em), 400};
}

void FactsCardPanel::SetExpanded(bool expanded) {
  if (expanded == expanded_) return;
  expanded_ = expanded;
  const Result<void> stored = UiState(db_).SetFlag(QLatin1String(kExpandedKey), expanded);
  if (!stored) qCWarning(lcFactsCard) << "cannot keep the card's state:" << stored.error().FullText();
  body_->setVisible(expanded);
  CmdShowFacts->setVisible(!expanded);
  updateGeometry();
}

void FactsCardPanel::ShowPage(const QString& /*address*/, const QString& caption) {
  if (caption != title_) answered_ = false;
  title_ = caption;
  Refill();
}

void FactsCardPanel::Refill() {
  Result<FactsCard> card = ReadFactsCard(db_, title_);
  if (!card) {
    card_ = FactsCard{title_, CardState::kNotListed, {}, {}};
    setVisible(true);
    LabelFactsState->setText(QStringLiteral("无法读取公告要素：") + card.error().message);
    FillFacts();
    FillTimeline();
    return;
  }
  card_ = std::move(*card);
  setVisible(card_.state != CardState::kNotListed);
  LabelFactsState->setText(StateText(card_.state, answered_));
  LabelFactsState->setVisible(!LabelFactsState->text().isEmpty());
  FillFacts();
  FillTimeline();
}

void FactsCardPanel::FillFacts() {
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("FactsContent"));
  auto* grid = new QGridLayout(content);
  grid->setContentsMargins(0, 0, 4, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(5);
  grid->setColumnStretch(1, 1);
  int row = 0;
  for (const CardFact& fact : card_.facts) {
    auto* label = new QLabel(fact.label, content);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* value = new QLabel(ValueHtml(fact), content);
    value->setObjectName(QStringLiteral("FactValue"));
    value->setProperty("label", fact.label);
    value->setProperty("plain", fact.value);
    value->setTextFormat(Qt::RichText);
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    value->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(value, &QLabel::customContextMenuRequested, value, [this, value, fact](QPoint at) {
      auto* menu = new QMenu(value);
      menu->setAttribute(Qt::WA_DeleteOnClose);
      QAction* one = menu->addAction(QStringLiteral("复制“%1”").arg(fact.label));
      one->setEnabled(!fact.value.isEmpty());
      connect(one, &QAction::triggered, this, [this, fact] { Copy(fact.value, fact.label); });
      if (value->hasSelectedText()) {
        const QString selected = value->selectedText();
        connect(menu->addAction(QStringLiteral("复制选中文字")), &QAction::triggered, this,
                [this, selected] { Copy(selected, QStringLiteral("选中文字")); });
      }
      connect(menu->addAction(QStringLiteral("复制全部要素")), &QAction::triggered, this,
              [this] { Copy(FactsCardText(card_), QStringLiteral("全部要素")); });
      menu->popup(value->mapToGlobal(at));
    });
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1);
    ++row;
  }
  grid->setRowStretch(row, 1);
  facts_area_->setWidget(content);
  facts_area_->setVisible(!card_.facts.isEmpty());
  CmdCopyFacts->setEnabled(!card_.facts.isEmpty());
}

void FactsCardPanel::FillTimeline() {
  ListTimeline->clear();
  for (const ProjectEntry& e : card_.timeline) {
    const bool current = e.title == card_.title;
    // The page shown: bold and marked (no colours of our own: the styles
    // include dark ones).
    auto* item = new QListWidgetItem(QStringLiteral("%1%2  %3\n%4")
                                         .arg(current ? QStringLiteral("▶ ") : QString(), e.date,
                                              AnnouncementTypeName(e.type), e.title),
                                     ListTimeline);
    item->setData(kAddressRole, e.address);
    item->setData(kTitleRole, e.title);
    item->setToolTip(current ? QStringLiteral("正在查看") : QStringLiteral("单击打开此公告"));
    if (current) {
      QFont f = item->font();
      f.setBold(true);
      item->setFont(f);
    }
  }
}

void FactsCardPanel::OpenEntry(QListWidgetItem* item) {
  if (!item) return;
  const QString title = item->data(kTitleRole).toString();
  if (title == title_) return;
  const QString address =
      AnnouncementAddress(item->data(kAddressRole).toString(), site_base_address_);
  // Opening refills this list: not inside its own click.
  QMetaObject::invokeMethod(
      this, [this, address, title] { viewer_.Open(address, title, ViewerMode::kModeless); },
      Qt::QueuedConnection);
}

void FactsCardPanel::Copy(const QString& text, const QString& what) {
  if (text.isEmpty()) return;
  QApplication::clipboard()->setText(text);
  emit copied(what);
}

}  // namespace talvec
