#include "ui/watch_rules_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <cmath>

#include "core/database.h"
#include "core/text.h"
#include "dialogs/messages.h"
#include "search/search_query.h"

namespace talvec {

namespace {

const QString kCaption = QStringLiteral("观注规则");
constexpr int kTryDays = 30;

// Yuan as 万元, without trailing zeros: 1500000 -> "150", 15000 -> "1.5".
QString WanText(double yuan) {
  QString text = QString::number(yuan / 10000.0, 'f', 6);
  while (text.endsWith(u'0')) text.chop(1);
  if (text.endsWith(u'.')) text.chop(1);
  return text;
}

QString TypeNames(const QString& types) {
  if (types.isEmpty()) return QStringLiteral("全部");
  QStringList names;
  for (const QString& part : types.split(u',', Qt::SkipEmptyParts)) {
    const int code = part.toInt();
    for (const TypeOption& option : kTypeOptions) {
      if (option.code == code && code != 0) names.append(QString::fromUtf8(option.caption));
    }
  }
  return names.join(u'、');
}

QTreeView* ReportTree(QWidget* parent, const char* name) {
  auto* view = new QTreeView(parent);
  view->setObjectName(QLatin1String(name));
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setAllColumnsShowFocus(true);
  return view;
}

}  // namespace

QString RuleBudgetText(const WatchRule& rule) {
  if (!rule.min_budget && !rule.max_budget) return QStringLiteral("不限");
  QString text = (rule.min_budget ? WanText(*rule.min_budget) : QStringLiteral("0")) +
                 QStringLiteral("～") +
                 (rule.max_budget ? WanText(*rule.max_budget) : QStringLiteral("不限"));
  if (!rule.unknown_budget) text += QStringLiteral("，不含未知");
  return text;
}

WatchRuleEditor::WatchRuleEditor(Database& db, const WatchRule& rule, std::function<QDate()> today,
                                 QWidget* parent)
    : QDialog(parent), db_(db), id_(rule.id), today_(std::move(today)) {
  setObjectName(QStringLiteral("WatchRuleEditor"));
  setWindowTitle(rule.id ? QStringLiteral("修改观注规则") : QStringLiteral("添加观注规则"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto line = [this](const char* name, const QString& text, const QString& hint) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(QLatin1String(name));
    box->setPlaceholderText(hint);
    box->setMaxLength(kRuleWordsMax);
    return box;
  };
  auto check = [this](const char* name, const QString& caption, bool on) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QLatin1String(name));
    box->setChecked(on);
    return box;
  };
  TextName = line("TextName", rule.name, QString());
  TextName->setMaxLength(kRuleNameMax);
  CheckEnabled = check("CheckEnabled", QStringLiteral("启用"), rule.enabled);
  TextProducts = line("TextProducts", rule.products, QStringLiteral("以空格分隔，空为全部"));
  TextPlaces = line("TextPlaces", rule.places, QStringLiteral("以空格分隔，空为全部"));
  TextExcludes = line("TextExcludes", rule.excludes, QStringLiteral("标题含其中任一词则不提示"));
  auto* types = new QGridLayout;
  const unsigned mask = ParseRuleTypes(rule.types).value_or(0);
  const bool all = rule.types.isEmpty();
  for (int code = kRuleTypeMin; code <= kRuleTypeMax; ++code) {
    QString caption;
    for (const TypeOption& option : kTypeOptions) {
      if (option.code == code) caption = QString::fromUtf8(option.caption);
    }
    QCheckBox* box = check("", caption, !all && (mask & (1u << code)));
    box->setObjectName(QStringLiteral("CheckType%1").arg(code));
    types->addWidget(box, (code - 1) / 5, (code - 1) % 5);
    CheckTypes.push_back(box);
  }
  auto money = [&line](const char* name, const std::optional<double>& yuan) {
    QLineEdit* box = line(name, yuan ? WanText(*yuan) : QString(), QStringLiteral("不限"));
    box->setMaxLength(20);
    return box;
  };
  TextMinBudget = money("TextMinBudget", rule.min_budget);
  TextMaxBudget = money("TextMaxBudget", rule.max_budget);
  CheckUnknownBudget =
      check("CheckUnknownBudget", QStringLiteral("预算未知的公告也提示"), rule.unknown_budget);
  CheckSound = check("CheckSound", QStringLiteral("声音提示"), rule.sound);
  CheckPopup = check("CheckPopup", QStringLiteral("弹出提示"), rule.popup);

  auto* budget = new QHBoxLayout;
  budget->addWidget(TextMinBudget);
  budget->addWidget(new QLabel(QStringLiteral("至"), this));
  budget->addWidget(TextMaxBudget);
  budget->addWidget(new QLabel(QStringLiteral("万元"), this));
  budget->addWidget(CheckUnknownBudget);
  auto* flags = new QHBoxLayout;
  flags->addWidget(CheckEnabled);
  flags->addWidget(CheckSound);
  flags->addWidget(CheckPopup);
  flags->addStretch();

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("规则名称"), TextName);
  form->addRow(QStringLiteral("观注产品"), TextProducts);
  form->addRow(QStringLiteral("观注地方"), TextPlaces);
  form->addRow(QStringLiteral("排除词语"), TextExcludes);
  form->addRow(QStringLiteral("公告类型"), types);
  form->addRow(QStringLiteral("预算范围"), budget);
  form->addRow(QString(), flags);

  CommandTry = new QPushButton(QStringLiteral("试用(&T)"), this);
  CommandTry->setObjectName(QStringLiteral("CommandTry"));
  CommandTry->setAutoDefault(false);
  LabelTry = new QLabel(QStringLiteral("试用可查看此规则近%1天会提示的公告").arg(kTryDays), this);
  LabelTry->setObjectName(QStringLiteral("LabelTry"));
  ListTry = ReportTree(this, "ListTry");
  try_model_ = new QStandardItemModel(0, 2, this);
  try_model_->setHorizontalHeaderLabels({QStringLiteral("公告标题"), QStringLiteral("发布日期")});
  ListTry->setModel(try_model_);
  ListTry->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  ListTry->header()->setStretchLastSection(false);
  auto* try_row = new QHBoxLayout;
  try_row->addWidget(CommandTry);
  try_row->addWidget(LabelTry, 1);

  CommandOk = new QPushButton(QStringLiteral("确定(&O)"), this);
  CommandOk->setObjectName(QStringLiteral("CommandOk"));
  CommandOk->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setObjectName(QStringLiteral("CommandCancel"));
  cancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CommandOk);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(try_row);
  layout->addWidget(ListTry, 1);
  layout->addLayout(buttons);

  connect(CommandTry, &QPushButton::clicked, this, &WatchRuleEditor::Try);
  connect(CommandOk, &QPushButton::clicked, this, &WatchRuleEditor::Save);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(720, 560);
}

bool WatchRuleEditor::ReadBudget(QLineEdit* box, std::optional<double>* yuan) {
  const QString text = TrimBlanks(box->text()).trimmed();
  if (text.isEmpty()) {
    yuan->reset();
    return true;
  }
  bool ok = false;
  const double wan = text.toDouble(&ok);
  if (!ok || !std::isfinite(wan) || wan < 0 || wan > 1e9) {
    ShowMessage(this, QMessageBox::Warning, kCaption,
                QStringLiteral("预算应为不小于0的数（万元）"));
    box->setFocus();
    return false;
  }
  *yuan = std::round(wan * 10000.0 * 100.0) / 100.0;
  return true;
}

WatchRule WatchRuleEditor::Rule() const {
  WatchRule r;
  r.id = id_;
  r.name = TrimBlanks(TextName->text()).trimmed();
  r.enabled = CheckEnabled->isChecked();
  r.products = TextProducts->text();
  r.places = TextPlaces->text();
  r.excludes = TextExcludes->text();
  unsigned mask = 0;
  for (int code = kRuleTypeMin; code <= kRuleTypeMax; ++code) {
    if (CheckTypes[code - kRuleTypeMin]->isChecked()) mask |= 1u << code;
  }
  r.types = mask ? RuleTypesText(mask) : QString();
  r.unknown_budget = CheckUnknownBudget->isChecked();
  r.sound = CheckSound->isChecked();
  r.popup = CheckPopup->isChecked();
  // The budget boxes are read by ReadBudget; as typed they are numbers or empty.
  bool ok = false;
  const double min = TextMinBudget->text().trimmed().toDouble(&ok);
  if (ok) r.min_budget = std::round(min * 10000.0 * 100.0) / 100.0;
  const double max = TextMaxBudget->text().trimmed().toDouble(&ok);
  if (ok) r.max_budget = std::round(max * 10000.0 * 100.0) / 100.0;
  return r;
}

void WatchRuleEditor::Save() {
  WatchRule rule = Rule();
  if (!ReadBudget(TextMinBudget, &rule.min_budget) ||
      !ReadBudget(TextMaxBudget, &rule.max_budget)) {
    return;
  }
  Result<std::vector<WatchRule>> stored = LoadWatchRules(db_);
  if (!stored) {
    ShowMessage(this, QMessageBox::Warning, kCaption, QStringLiteral("无法读取观注规则。"),
                stored.error().FullText());
    return;
  }
  if (const RuleRefusal refusal = CheckWatchRule(rule, *stored); refusal != RuleRefusal::kNone) {
    ShowMessage(this, QMessageBox::Warning, kCaption, RuleRefusalText(refusal));
    switch (refusal) {
      case RuleRefusal::kNoName:
      case RuleRefusal::kNameTooLong:
      case RuleRefusal::kDuplicateName:
        TextName->setFocus();
        break;
      case RuleRefusal::kMinAboveMax:
      case RuleRefusal::kNegativeBudget:
        TextMinBudget->setFocus();
        break;
      default:
        break;
    }
    return;
  }
  if (const Result<std::int64_t> id = SaveWatchRule(db_, rule); !id) {
    ShowMessage(this, QMessageBox::Warning, kCaption, QStringLiteral("保存观注规则失败!"),
                id.error().FullText());
    return;
  }
  emit saved();
  accept();
}

void WatchRuleEditor::Try() {
  WatchRule rule = Rule();
  if (!ReadBudget(TextMinBudget, &rule.min_budget) ||
      !ReadBudget(TextMaxBudget, &rule.max_budget)) {
    return;
  }
  const QDate today = today_ ? today_() : QDate::currentDate();
  const Result<std::vector<RuleCandidate>> found =
      TryWatchRule(db_, rule, today.addDays(-(kTryDays - 1)), today);
  try_model_->removeRows(0, try_model_->rowCount());
  if (!found) {
    LabelTry->setText(QStringLiteral("无法试用：") + found.error().message);
    return;
  }
  for (const RuleCandidate& c : *found) {
    auto* title = new QStandardItem(c.title);
    title->setToolTip(c.title);
    try_model_->appendRow({title, new QStandardItem(c.date)});
  }
  LabelTry->setText(
      QStringLiteral("近%1天共有 %2 条公告符合此规则").arg(kTryDays).arg(found->size()));
}

WatchRulesPage::WatchRulesPage(Database& db, std::function<QDate()> today, QWidget* parent)
    : QWidget(parent), db_(db), today_(std::move(today)) {
  setObjectName(QStringLiteral("WatchRulesPage"));
  ListRules = ReportTree(this, "ListRules");
  model_ = new QStandardItemModel(0, 6, this);
  model_->setHorizontalHeaderLabels({QStringLiteral("规则名称"), QStringLiteral("状态"),
                                     QStringLiteral("观注词语"), QStringLiteral("排除词语"),
                                     QStringLiteral("公告类型"), QStringLiteral("预算(万元)")});
  ListRules->setModel(model_);
  ListRules->header()->setStretchLastSection(true);
  auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
  };
  CommandAdd = button("CommandAdd", QStringLiteral("添加(&A)"));
  CommandEdit = button("CommandEdit", QStringLiteral("修改(&E)"));
  CommandCopy = button("CommandCopy", QStringLiteral("复制(&C)"));
  CommandDelete = button("CommandDelete", QStringLiteral("删除(&D)"));
  CommandToggle = button("CommandToggle", QStringLiteral("启用/停用(&N)"));
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {CommandAdd, CommandEdit, CommandCopy, CommandDelete, CommandToggle}) {
    buttons->addWidget(b);
  }
  buttons->addStretch();
  auto* note =
      new QLabel(QStringLiteral("“默认规则”即“我的观注”页的观注产品和观注地方；每条标题只提示一次，"
                                "列出最先符合的规则"),
                 this);
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(ListRules, 1);
  layout->addWidget(note);

  connect(CommandAdd, &QPushButton::clicked, this, &WatchRulesPage::AddRule);
  connect(CommandEdit, &QPushButton::clicked, this, &WatchRulesPage::EditRule);
  connect(CommandCopy, &QPushButton::clicked, this, &WatchRulesPage::CopyRule);
  connect(CommandDelete, &QPushButton::clicked, this, &WatchRulesPage::DeleteRule);
  connect(CommandToggle, &QPushButton::clicked, this, &WatchRulesPage::ToggleRule);
  connect(ListRules, &QTreeView::doubleClicked, this, [this] { EditRule(); });
  Refill();
}

void WatchRulesPage::Refill() {
  const int current = ListRules->currentIndex().row();
  Result<std::vector<WatchRule>> rules = LoadWatchRules(db_);
  if (!rules) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取观注规则。"), rules.error().FullText());
  }
  rules_ = rules ? std::move(*rules) : std::vector<WatchRule>();
  model_->removeRows(0, model_->rowCount());
  for (const WatchRule& r : rules_) {
    QString words = r.products.isEmpty() ? QStringLiteral("全部") : r.products;
    if (!r.places.isEmpty()) words += QStringLiteral(" / ") + r.places;
    QList<QStandardItem*> row = {
        new QStandardItem(r.name),
        new QStandardItem(r.enabled ? QStringLiteral("启用") : QStringLiteral("停用")),
        new QStandardItem(words),
        new QStandardItem(r.excludes),
        new QStandardItem(TypeNames(r.types)),
        new QStandardItem(RuleBudgetText(r))};
    for (QStandardItem* item : row) item->setToolTip(item->text());
    model_->appendRow(row);
  }
  if (current >= 0 && current < model_->rowCount()) {
    ListRules->setCurrentIndex(model_->index(current, 0));
  }
}

const WatchRule* WatchRulesPage::Current() const {
  const int row = ListRules->currentIndex().row();
  return row >= 0 && row < static_cast<int>(rules_.size()) ? &rules_[row] : nullptr;
}

WatchRuleEditor* WatchRulesPage::OpenEditor(const WatchRule& rule) {
  auto* editor = new WatchRuleEditor(db_, rule, today_, this);
  connect(editor, &WatchRuleEditor::saved, this, [this] {
    Refill();
    emit rulesChanged();
  });
  editor->open();
  return editor;
}

WatchRuleEditor* WatchRulesPage::AddRule() {
  WatchRule rule;
  return OpenEditor(rule);
}

WatchRuleEditor* WatchRulesPage::EditRule() {
  const WatchRule* rule = Current();
  return rule ? OpenEditor(*rule) : nullptr;
}

WatchRuleEditor* WatchRulesPage::CopyRule() {
  const WatchRule* rule = Current();
  if (!rule) return nullptr;
  WatchRule copy = *rule;
  copy.id = 0;
  copy.name = CopyRuleName(rule->name, rules_);
  return OpenEditor(copy);
}

void WatchRulesPage::DeleteRule() {
  const WatchRule* rule = Current();
  if (!rule) return;
  if (ShowMessage(this, QMessageBox::Question, kCaption,
                  QStringLiteral("是否删除规则“%1”?").arg(rule->name), QString(),
                  QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  if (const Result<void> deleted = DeleteWatchRule(db_, rule->id); !deleted) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("删除失败。"), deleted.error().FullText());
  }
  Refill();
  emit rulesChanged();
}

void WatchRulesPage::ToggleRule() {
  const WatchRule* rule = Current();
  if (!rule) return;
  if (const Result<void> set = SetWatchRuleEnabled(db_, rule->id, !rule->enabled); !set) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("设置失败。"), set.error().FullText());
  }
  Refill();
  emit rulesChanged();
}

}  // namespace talvec
