#include "ui/facts_filter_bar.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace talvec {

namespace {

std::optional<double> Bound(const QLineEdit* box) {
  bool ok = false;
  const double value = box->text().trimmed().toDouble(&ok);
  return ok && value >= 0 ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

FactsFilterBar::FactsFilterBar(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FrameYS"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 2);
  row->setSpacing(4);
  auto make_box = [this](const char* name) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QLatin1String(name));
    box->setValidator(new QDoubleValidator(0, 1e9, 2, box));
    box->setPlaceholderText(QStringLiteral("不限"));
    box->setMaximumWidth(80);
    box->setAlignment(Qt::AlignRight);
    connect(box, &QLineEdit::editingFinished, this, &FactsFilterBar::changed);
    return box;
  };
  row->addWidget(new QLabel(QStringLiteral("预算"), this));
  TextYSFrom = make_box("TextYSFrom");
  row->addWidget(TextYSFrom);
  row->addWidget(new QLabel(QStringLiteral("至"), this));
  TextYSTo = make_box("TextYSTo");
  row->addWidget(TextYSTo);
  row->addWidget(new QLabel(QStringLiteral("万元"), this));
  row->addSpacing(12);
  CheckOpen = new QCheckBox(QStringLiteral("只看未截止"), this);
  CheckOpen->setObjectName(QStringLiteral("CheckOpen"));
  CheckUnknown = new QCheckBox(QStringLiteral("含预算未知"), this);
  CheckUnknown->setObjectName(QStringLiteral("CheckUnknown"));
  CheckUnknown->setChecked(true);
  row->addWidget(CheckOpen);
  row->addWidget(CheckUnknown);
  row->addStretch(1);
  connect(CheckOpen, &QCheckBox::toggled, this, &FactsFilterBar::changed);
  connect(CheckUnknown, &QCheckBox::toggled, this, &FactsFilterBar::changed);
}

FactsFilter FactsFilterBar::Filter() const {
  FactsFilter f;
  f.min_wan = Bound(TextYSFrom);
  f.max_wan = Bound(TextYSTo);
  f.open_only = CheckOpen->isChecked();
  f.include_unknown_budget = CheckUnknown->isChecked();
  return f;
}

}  // namespace talvec
