#include "ui/search_panel.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/settings.h"
#include "ui/twips.h"

namespace talvec {

namespace {

// Positions in twips of a container: the top bar's controls are designed in
// the outer panel's coordinates, so they are shifted by the bar's origin.
constexpr int kTopBarLeft = 90;
constexpr int kTopBarTop = 165;

}  // namespace

SearchPanel::SearchPanel(QWidget* frame, QWidget* top_bar, double dpi, QObject* parent)
    : QObject(parent) {
  auto bar_rect = [dpi](int l, int t, int w, int h) {
    return TwipsRect(l - kTopBarLeft, t - kTopBarTop, w, h, dpi);
  };

  Frame2 = new QGroupBox(QStringLiteral("公告类型"), top_bar);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  Frame2->setGeometry(bar_rect(90, 165, 8625, 1260));
  auto* types = new QGridLayout(Frame2);
  types->setContentsMargins(6, 2, 4, 2);
  types->setSpacing(0);
  for (int i = 0; i < kTypeOptionCount; ++i) {
    const TypeOption& option = kTypeOptions[static_cast<std::size_t>(i)];
    auto* button = new QRadioButton(QString::fromUtf8(option.caption), Frame2);
    button->setObjectName(QLatin1String(option.name));
    types->addWidget(button, i / 4, i % 4);
    type_options[static_cast<std::size_t>(i)] = button;
    const qint16 code = option.code;
    connect(button, &QRadioButton::clicked, this, [this, button, code] {
      if (button->isChecked()) SearchTypeCode = code;
    });
  }
  type_options[0]->setChecked(true);

  Frame5 = new QGroupBox(QStringLiteral("搜索公告时间段选择"), top_bar);
  Frame5->setObjectName(QStringLiteral("Frame5"));
  Frame5->setGeometry(bar_rect(8730, 165, 3960, 1260));
  auto* dates = new QGridLayout(Frame5);
  dates->setContentsMargins(6, 2, 6, 4);
  dates->setSpacing(2);
  Option12 = new QRadioButton(QStringLiteral("搜索当日"), Frame5);
  Option12->setObjectName(QStringLiteral("Option12"));
  Option13 = new QRadioButton(QStringLiteral("搜索时段"), Frame5);
  Option13->setObjectName(QStringLiteral("Option13"));
  DTPicker1 = new QDateEdit(Frame5);
  DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
  DTPicker2 = new QDateEdit(Frame5);
  DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
  for (QDateEdit* picker : {DTPicker1, DTPicker2}) {
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setEnabled(false);
  }
  auto* to = new QLabel(QStringLiteral("至"), Frame5);
  dates->addWidget(Option12, 0, 0);
  dates->addWidget(Option13, 0, 2);
  dates->addWidget(DTPicker1, 1, 0);
  dates->addWidget(to, 1, 1);
  dates->addWidget(DTPicker2, 1, 2);
  Option12->setChecked(true);
  connect(Option12, &QRadioButton::clicked, this, &SearchPanel::DateModeChanged);
  connect(Option13, &QRadioButton::clicked, this, &SearchPanel::DateModeChanged);

  CMDCX = new QPushButton(QStringLiteral("搜索(&R)"), top_bar);
  CMDCX->setObjectName(QStringLiteral("CMDCX"));
  CMDCX->setGeometry(bar_rect(12735, 375, 1965, 1050));
  connect(CMDCX, &QPushButton::clicked, this, &SearchPanel::searchRequested);

  // The keyword box heads the right column, where the window's layout keeps
  // it in sight at every width.
  FrameGJZ = new QGroupBox(QStringLiteral("关键字"), frame);
  FrameGJZ->setObjectName(QStringLiteral("FrameGJZ"));
  FrameGJZ->setGeometry(TwipsRect(16920, 1725, 3000, 1185, dpi));
  auto* keyword = new QVBoxLayout(FrameGJZ);
  keyword->setContentsMargins(6, 2, 6, 4);
  Text1 = new QLineEdit(FrameGJZ);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setPlaceholderText(QStringLiteral("标题中的词语，空格分开"));
  Text1->setClearButtonEnabled(true);
  keyword->addWidget(Text1, 0, Qt::AlignVCenter);
  connect(Text1, &QLineEdit::returnPressed, this, &SearchPanel::searchRequested);

  PicZT = new QLabel(QStringLiteral("正在搜索..."), frame);
  PicZT->setObjectName(QStringLiteral("PicZT"));
  PicZT->setAlignment(Qt::AlignCenter);
  PicZT->setAutoFillBackground(true);
  PicZT->setFrameShape(QFrame::Panel);
  PicZT->setGeometry(TwipsRect(3675, 5025, 6540, 525, dpi));
  PicZT->hide();
}

void SearchPanel::DateModeChanged() {
  const bool period = Option13->isChecked();
  DTPicker1->setEnabled(period);
  DTPicker2->setEnabled(period);
}

void SearchPanel::ApplyTypeOptions(const SystemSettings& settings) {
  for (int i = 1; i < kTypeOptionCount; ++i) {
    const TypeOption& option = kTypeOptions[static_cast<std::size_t>(i)];
    type_options[static_cast<std::size_t>(i)]->setEnabled(TypeOptionEnabled(settings, option.code));
  }
  type_options[0]->setEnabled(true);
}

void SearchPanel::InitDatePickers(const QDate& today) {
  DTPicker2->setDate(today);
  DTPicker1->setDate(today.addDays(-7));
}

SearchRequest SearchPanel::Request(const QDate& today) const {
  SearchRequest request;
  request.today = Option12->isChecked();
  request.today_date = today;
  request.from = DTPicker1->date();
  request.to = DTPicker2->date();
  request.type_code = SearchTypeCode;
  request.keyword = Text1->text();
  return request;
}

void SearchPanel::ShowSearching() {
  CMDCX->hide();
  PicZT->show();
  PicZT->raise();
  // Painted now: the search does not return to the event loop until done.
  PicZT->repaint();
}

void SearchPanel::Finished() {
  CMDCX->show();
  PicZT->hide();
}

}  // namespace talvec
