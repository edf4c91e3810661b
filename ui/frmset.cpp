#include "ui/frmset.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/database.h"
#include "core/settings.h"
#include "desk/reminders.h"
#include "dialogs/messages.h"

namespace talvec {

namespace {

constexpr int kIntervalMin = 5;
constexpr int kIntervalMax = 120;

constexpr std::array<const char*, kChannelCount> kChannelCaptions = {
    "县市预公告", "县市公告", "县市结果预公告", "县市结果公告", "县市更正公告",
    "省预公告",   "省公告",   "省结果预公告",   "省结果公告",   "省更正公告"};

template <typename W>
W* Indexed(W* widget, const char* name, int index) {
  widget->setObjectName(QLatin1String(name));
  widget->setProperty("Index", index);
  return widget;
}

}  // namespace

QString StepInterval(const QString& text, int step) {
  bool ok = false;
  const double value = QLocale::c().toDouble(text.trimmed(), &ok);
  int next;
  if (!ok || !std::isfinite(value)) {
    next = step > 0 ? kIntervalMin : kIntervalMax;
  } else {
    next = step > 0 ? static_cast<int>(std::min<double>(std::floor(value) + 1, kIntervalMax))
                    : static_cast<int>(std::max<double>(std::ceil(value) - 1, kIntervalMin));
  }
  return QString::number(std::clamp(next, kIntervalMin, kIntervalMax));
}

FrmSet::FrmSet(Database& db, SystemSettings& settings, QWidget* parent)
    : QDialog(parent), db_(db), settings_(settings) {
  setObjectName(QStringLiteral("frmSet"));
  setWindowTitle(QStringLiteral("系统设置"));
  CreateControls();
}

void FrmSet::CreateControls() {
  auto* outer = new QVBoxLayout(this);

  // Collection.
  auto* collect = new QGroupBox(QStringLiteral("采集设置"), this);
  collect->setObjectName(QStringLiteral("Frame1"));
  auto* grid = new QGridLayout(collect);
  Option1 = new QRadioButton(QStringLiteral("自动采集"), collect);
  Option1->setObjectName(QStringLiteral("Option1"));
  Option2 = new QRadioButton(QStringLiteral("手动采集"), collect);
  Option2->setObjectName(QStringLiteral("Option2"));
  Option1->setChecked(true);
  Text1 = new QLineEdit(QStringLiteral("10"), collect);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setMaxLength(12);
  Text1->setMaximumWidth(80);
  UpDown1 = new QWidget(collect);
  UpDown1->setObjectName(QStringLiteral("UpDown1"));
  auto* arrows = new QVBoxLayout(UpDown1);
  arrows->setContentsMargins(0, 0, 0, 0);
  arrows->setSpacing(0);
  for (int step : {1, -1}) {
    auto* arrow = new QToolButton(UpDown1);
    arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setFixedSize(18, 11);
    arrow->setToolTip(QStringLiteral("5-120"));
    connect(arrow, &QToolButton::clicked, this,
            [this, step] { Text1->setText(StepInterval(Text1->text(), step)); });
    arrows->addWidget(arrow);
  }
  auto* interval = new QHBoxLayout;
  interval->addWidget(Indexed(new QLabel(QStringLiteral("更新时间"), collect), "Label1", 0));
  interval->addWidget(Text1);
  interval->addWidget(UpDown1);
  interval->addWidget(Indexed(new QLabel(QStringLiteral("分钟"), collect), "Label1", 1));
  interval->addStretch(1);
  grid->addWidget(Option1, 0, 0);
  grid->addLayout(interval, 0, 1);
  grid->addWidget(Option2, 1, 0);
  connect(Option1, &QRadioButton::toggled, this, &FrmSet::CollectionModeChanged);
  connect(Option2, &QRadioButton::toggled, this, &FrmSet::CollectionModeChanged);

  auto* quiet = new QHBoxLayout;
  quiet->addWidget(Indexed(new QLabel(QStringLiteral("不采集时间段:"), collect), "Label2", 0));
  DTPicker1 = new QTimeEdit(collect);
  DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
  DTPicker2 = new QTimeEdit(collect);
  DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
  for (QTimeEdit* picker : {DTPicker1, DTPicker2}) {
    picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  }
  quiet->addWidget(Indexed(new QLabel(QStringLiteral("早上"), collect), "Label2", 1));
  quiet->addWidget(DTPicker1);
  quiet->addWidget(Indexed(new QLabel(QStringLiteral("之前"), collect), "Label2", 2));
  quiet->addSpacing(12);
  quiet->addWidget(Indexed(new QLabel(QStringLiteral("下午"), collect), "Label2", 3));
  quiet->addWidget(DTPicker2);
  quiet->addWidget(Indexed(new QLabel(QStringLiteral("之后"), collect), "Label2", 4));
  quiet->addStretch(1);
  grid->addLayout(quiet, 2, 0, 1, 2);

  // The channels: city and county level above, provincial level below.
  auto* channels = new QGridLayout;
  channels->setHorizontalSpacing(14);
  for (int k = 0; k < kChannelCount; ++k) {
    auto* box = Indexed(
        new QCheckBox(QString::fromUtf8(kChannelCaptions[static_cast<std::size_t>(k)]), collect),
        "CheckGG", k);
    CheckGG[static_cast<std::size_t>(k)] = box;
    channels->addWidget(box, k / 5, k % 5);
  }
  grid->addLayout(channels, 3, 0, 1, 2);
  Check1 = new QCheckBox(QStringLiteral("自动分析结果公告"), collect);
  Check1->setObjectName(QStringLiteral("Check1"));
  grid->addWidget(Check1, 4, 0, 1, 2);
  outer->addWidget(collect);

  // System.
  auto* system = new QGroupBox(QStringLiteral("系统设置"), this);
  system->setObjectName(QStringLiteral("Frame2"));
  auto* form = new QGridLayout(system);
  OptionSet[0] = Indexed(new QRadioButton(QStringLiteral("自动升级"), system), "OptionSet", 0);
  OptionSet[1] = Indexed(new QRadioButton(QStringLiteral("手动升级"), system), "OptionSet", 1);
  OptionSet[1]->setChecked(true);
  auto* upgrade = new QHBoxLayout;
  upgrade->addWidget(OptionSet[0]);
  upgrade->addSpacing(24);
  upgrade->addWidget(OptionSet[1]);
  upgrade->addStretch(1);
  form->addLayout(upgrade, 0, 0, 1, 2);
  Text2 = new QLineEdit(system);
  Text2->setObjectName(QStringLiteral("Text2"));
  Text3 = new QLineEdit(system);
  Text3->setObjectName(QStringLiteral("Text3"));
  for (QLineEdit* box : {Text2, Text3}) {
    box->setMaxLength(255);
    box->setPlaceholderText(QStringLiteral("主机名[:端口][/路径]"));
  }
  form->addWidget(Indexed(new QLabel(QStringLiteral("服务器地址:"), system), "Label2", 5), 1, 0);
  form->addWidget(Text2, 1, 1);
  form->addWidget(Indexed(new QLabel(QStringLiteral("管理服务器地址:"), system), "Label2", 6), 2,
                  0);
  form->addWidget(Text3, 2, 1);
  outer->addWidget(system);

  // The deadline reminders of the favorites and the watch list.
  auto* remind = new QGroupBox(QStringLiteral("截止提醒"), this);
  remind->setObjectName(QStringLiteral("Frame3"));
  auto* remind_row = new QHBoxLayout(remind);
  const char* const kRemindCaptions[] = {"截止前3天", "截止前1天", "截止前2小时"};
  for (int i = 0; i < 3; ++i) {
    CheckRemind[static_cast<std::size_t>(i)] =
        Indexed(new QCheckBox(QString::fromUtf8(kRemindCaptions[i]), remind), "CheckRemind", i);
    CheckRemind[static_cast<std::size_t>(i)]->setChecked(true);
    remind_row->addWidget(CheckRemind[static_cast<std::size_t>(i)]);
  }
  remind_row->addStretch(1);
  outer->addWidget(remind);

  // Users expect a setting to act at once; these wait for the next start.
  auto* note = new QLabel(
      QStringLiteral("“自动采集/手动采集”、升级方式和两个服务器地址在下次启动程序后生效。"), this);
  note->setObjectName(QStringLiteral("LabelNote"));
  note->setWordWrap(true);
  outer->addWidget(note);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  OKButton = new QPushButton(QStringLiteral("确定"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("取消"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  outer->addLayout(buttons);
  connect(OKButton, &QPushButton::clicked, this, &FrmSet::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &FrmSet::CancelButtonClick);
}

Result<void> FrmSet::LoadFromTable() {
  const Result<SettingsForm> form = LoadSettingsForm(db_);
  if (!form) return Fail(form.error());
  if (form->research == 1)
    Option1->setChecked(true);
  else
    Option2->setChecked(true);
  CollectionModeChanged();
  for (int k = 0; k < kChannelCount; ++k) {
    CheckGG[static_cast<std::size_t>(k)]->setChecked(form->channels[static_cast<std::size_t>(k)]);
  }
  OptionSet[form->upgrade == 1 ? 0 : 1]->setChecked(true);
  Check1->setChecked(form->auto_analysis);
  Text1->setText(form->interval);
  Text2->setText(form->server);
  Text3->setText(form->web);
  DTPicker1->setTime(form->begin);
  DTPicker2->setTime(form->end);
  const Result<ReminderChoices> remind = ReadReminderChoices(db_);
  if (!remind) return Fail(remind.error());
  CheckRemind[0]->setChecked(remind->three_days);
  CheckRemind[1]->setChecked(remind->one_day);
  CheckRemind[2]->setChecked(remind->two_hours);
  return {};
}

SettingsForm FrmSet::Form() const {
  SettingsForm form;
  form.research = Option1->isChecked() ? 1 : 2;
  form.interval = Text1->text();
  form.begin = DTPicker1->time();
  form.end = DTPicker2->time();
  for (int k = 0; k < kChannelCount; ++k) {
    form.channels[static_cast<std::size_t>(k)] = CheckGG[static_cast<std::size_t>(k)]->isChecked();
  }
  form.auto_analysis = Check1->isChecked();
  form.upgrade = OptionSet[0]->isChecked() ? 1 : 2;
  form.server = Text2->text();
  form.web = Text3->text();
  return form;
}

void FrmSet::CollectionModeChanged() {
  const bool automatic = Option1->isChecked();
  Text1->setEnabled(automatic);
  UpDown1->setEnabled(automatic);
}

bool FrmSet::AddressAccepted(QLineEdit* box, const QString& name) {
  if (CheckAddress(box->text())) return true;
  ShowMessage(this, QMessageBox::Warning, QStringLiteral("数据安全"),
              QStringLiteral("%1不正确，请输入主机名或 IP 地址，可带端口和路径，例如 "
                             "www.ccgp.gov.cn:8080/site，不要带“http://”、空格或引号。")
                  .arg(name));
  box->setFocus();
  box->selectAll();
  return false;
}

void FrmSet::OKButtonClick() {
  if (!CheckInterval(Text1->text())) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("数据安全"),
                QStringLiteral("请输入正确数值：5-120"));
    Text1->setFocus();
    Text1->selectAll();
    return;
  }
  if (!AddressAccepted(Text2, QStringLiteral("服务器地址")) ||
      !AddressAccepted(Text3, QStringLiteral("管理服务器地址"))) {
    return;
  }
  const Result<void> saved = SaveSettingsForm(db_, Form(), &settings_);
  if (!saved) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("设置未能保存，原来的设置保持不变。"), saved.error().FullText());
    return;
  }
  const Result<void> remind = WriteReminderChoices(
      db_, {CheckRemind[0]->isChecked(), CheckRemind[1]->isChecked(), CheckRemind[2]->isChecked()});
  if (!remind) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("截止提醒的选择未能保存。"), remind.error().FullText());
    return;
  }
  accept();
}

void FrmSet::CancelButtonClick() { reject(); }

}  // namespace talvec
