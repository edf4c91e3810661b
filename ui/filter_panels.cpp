#include "ui/filter_panels.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/twips.h"

namespace talvec {

namespace {

// A wrapped caption beside an option whose text is too long for its column;
// a click on it clicks the option.
class OptionCaption : public QLabel {
 public:
  OptionCaption(const QString& text, QAbstractButton* button, QWidget* parent)
      : QLabel(text, parent), button_(button) {
    setWordWrap(true);
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && button_->isEnabled()) button_->click();
  }

 private:
  QAbstractButton* button_;
};

QRadioButton* MakeOption(const QString& caption, const char* name, int index, QWidget* parent) {
  auto* button = new QRadioButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setProperty("Index", index);
  return button;
}

}  // namespace

FilterPanels::FilterPanels(QWidget* frame, double dpi, QObject* parent) : QObject(parent) {
  auto rect = [dpi](int l, int t, int w, int h) { return TwipsRect(l, t, w, h, dpi); };
  QFont small = frame->font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));

  // Regions: eight to a row.
  Frame4 = new QGroupBox(QStringLiteral("公告地区"), frame);
  Frame4->setObjectName(QStringLiteral("Frame4"));
  Frame4->setGeometry(rect(90, 1725, 15135, 1185));
  auto* regions = new QGridLayout(Frame4);
  regions->setContentsMargins(6, 0, 4, 2);
  regions->setSpacing(0);
  DQ = new QButtonGroup(this);
  DQ->setObjectName(QStringLiteral("DQ"));
  for (int i = 0; i < kRegionCount; ++i) {
    auto* button = MakeOption(QString::fromUtf8(kRegionCaptions[static_cast<std::size_t>(i)]), "DQ",
                              i, Frame4);
    DQ->addButton(button, i);
    regions->addWidget(button, i / 8, i % 8);
  }
  DQ->button(0)->setChecked(true);
  connect(DQ, &QButtonGroup::idClicked, this, &FilterPanels::RegionChoice);

  // Public bodies: two columns, long captions across both.
  Frame8 = new QGroupBox(QStringLiteral("政府部门/事业单位"), frame);
  Frame8->setObjectName(QStringLiteral("Frame8"));
  Frame8->setGeometry(rect(90, 2940, 3000, 6945));
  Frame8->setFont(small);
  auto* bodies = new QGridLayout(Frame8);
  bodies->setContentsMargins(4, 0, 2, 2);
  bodies->setSpacing(0);
  ZFBM = new QButtonGroup(this);
  ZFBM->setObjectName(QStringLiteral("ZFBM"));
  ZFBM->setExclusive(true);
  int cell = 0;
  for (int i = 0; i < kPublicBodyCount; ++i) {
    const QString caption = QString::fromUtf8(kPublicBodies[static_cast<std::size_t>(i)].caption);
    auto* button = MakeOption(caption, "ZFBM", i, Frame8);
    ZFBM->addButton(button, i);
    if (caption.size() > 6) {
      if (cell % 2) ++cell;
      bodies->addWidget(button, cell / 2, 0, 1, 2);
      cell += 2;
    } else {
      bodies->addWidget(button, cell / 2, cell % 2);
      ++cell;
    }
  }
  connect(ZFBM, &QButtonGroup::idClicked, this, &FilterPanels::PublicBodyChoice);

  // Product categories under their three headings.
  Frame3 = new QGroupBox(QStringLiteral("招标产品分类"), frame);
  Frame3->setObjectName(QStringLiteral("Frame3"));
  Frame3->setGeometry(rect(11910, 2940, 3000, 7185));
  Frame3->setFont(small);
  auto* categories = new QVBoxLayout(Frame3);
  categories->setContentsMargins(4, 0, 2, 2);
  categories->setSpacing(1);
  CP = new QButtonGroup(this);
  CP->setObjectName(QStringLiteral("CP"));
  for (const CategoryHeading& heading : kCategoryHeadings) {
    auto* label = new QLabel(QString::fromUtf8(heading.caption), Frame3);
    label->setObjectName(QStringLiteral("Label6"));
    QFont bold = small;
    bold.setBold(true);
    label->setFont(bold);
    categories->addWidget(label);
    for (int i = heading.first; i <= heading.last; ++i) {
      const QString caption = QString::fromUtf8(kCategoryCaptions[static_cast<std::size_t>(i)]);
      // The option keeps its caption as text; a wrapped label shows it.
      auto* button = MakeOption(caption, "CP", i, Frame3);
      button->setStyleSheet(QStringLiteral("QRadioButton { color: transparent; }"));
      button->setFixedWidth(18);
      button->setToolTip(caption);
      CP->addButton(button, i);
      auto* row = new QHBoxLayout;
      row->setSpacing(2);
      row->addWidget(button, 0, Qt::AlignTop);
      row->addWidget(new OptionCaption(caption, button, Frame3), 1);
      categories->addLayout(row);
    }
  }
  categories->addStretch(1);
  connect(CP, &QButtonGroup::idClicked, this, &FilterPanels::CategoryChoice);
  // No category and no public body is chosen at first.
  ClearGroup(CP);
  ClearGroup(ZFBM);

  Text4 = new QLineEdit(frame);
  Text4->setObjectName(QStringLiteral("Text4"));
  Text4->setGeometry(rect(75, 9900, 1950, 405));
  Command2 = new QPushButton(QStringLiteral("筛选(Q)"), frame);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(rect(2040, 9885, 960, 405));
  connect(Command2, &QPushButton::clicked, this, [this] { emit filterRequested(QString()); });
  connect(Text4, &QLineEdit::returnPressed, this, [this] {
    if (Command2->isEnabled()) emit filterRequested(QString());
  });

  SetEnabled(false);
}

void FilterPanels::ClearGroup(QButtonGroup* group) {
  group->setExclusive(false);
  for (QAbstractButton* button : group->buttons()) button->setChecked(false);
  group->setExclusive(true);
}

void FilterPanels::SetEnabled(bool enabled) {
  Frame4->setEnabled(enabled);
  Frame3->setEnabled(enabled);
  Frame8->setEnabled(enabled);
  Command2->setEnabled(enabled);
}

void FilterPanels::Reset() {
  DQ->button(0)->setChecked(true);
  ClearGroup(CP);
  ClearGroup(ZFBM);
  Text4->clear();
}

bool FilterPanels::RegionChosen() const { return DQ->checkedId() > 0; }

void FilterPanels::RegionChoice(int index) {
  ClearGroup(ZFBM);
  ClearGroup(CP);
  Text4->clear();
  if (QAbstractButton* button = DQ->button(index)) button->setChecked(true);
  emit filterRequested(RegionChoiceWords(index));
}

void FilterPanels::CategoryChoice(int index) {
  DQ->button(0)->setChecked(true);
  ClearGroup(ZFBM);
  Text4->clear();
  if (QAbstractButton* button = CP->button(index)) button->setChecked(true);
  emit filterRequested(CategoryChoiceWords(index));
}

void FilterPanels::PublicBodyChoice(int index) {
  DQ->button(0)->setChecked(true);
  ClearGroup(CP);
  Text4->clear();
  if (QAbstractButton* button = ZFBM->button(index)) button->setChecked(true);
  emit filterRequested(PublicBodyChoiceWords(index));
}

}  // namespace talvec
