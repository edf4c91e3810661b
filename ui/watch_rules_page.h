// The watch-list window's second tab "观注规则": the stored watch rules with
// add, edit, copy, delete and enable/disable, and the editor of one rule
// with its try-out over the last 30 days.
#pragma once

#include <QDate>
#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "watch/watch_rules.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTreeView;

namespace talvec {

class Database;

class WatchRuleEditor : public QDialog {
  Q_OBJECT

 public:
  WatchRuleEditor(Database& db, const WatchRule& rule, std::function<QDate()> today,
                  QWidget* parent);

  WatchRule Rule() const;  // as the fields say
  // 确定: checks and stores the rule; closes when it is stored.
  void Save();
  // 试用(&T): what the rule would have matched in the last 30 days.
  void Try();

  QLineEdit* TextName = nullptr;
  QCheckBox* CheckEnabled = nullptr;
  QLineEdit* TextProducts = nullptr;
  QLineEdit* TextPlaces = nullptr;
  QLineEdit* TextExcludes = nullptr;
  std::vector<QCheckBox*> CheckTypes;  // types 1 to 10
  QLineEdit* TextMinBudget = nullptr;  // 万元
  QLineEdit* TextMaxBudget = nullptr;
  QCheckBox* CheckUnknownBudget = nullptr;
  QCheckBox* CheckSound = nullptr;
  QCheckBox* CheckPopup = nullptr;
  QPushButton* CommandTry = nullptr;
  QPushButton* CommandOk = nullptr;
  QLabel* LabelTry = nullptr;
  QTreeView* ListTry = nullptr;

 signals:
  void saved();

 private:
  bool ReadBudget(QLineEdit* box, std::optional<double>* yuan);

  Database& db_;
  std::int64_t id_;
  std::function<QDate()> today_;
  QStandardItemModel* try_model_ = nullptr;
};

class WatchRulesPage : public QWidget {
  Q_OBJECT

 public:
  WatchRulesPage(Database& db, std::function<QDate()> today, QWidget* parent);

  void Refill();
  // The editor for a new rule, the current one, or a copy of it.
  WatchRuleEditor* AddRule();
  WatchRuleEditor* EditRule();
  WatchRuleEditor* CopyRule();
  void DeleteRule();  // after asking
  void ToggleRule();
  const std::vector<WatchRule>& rules() const { return rules_; }

  QTreeView* ListRules = nullptr;
  QPushButton* CommandAdd = nullptr;
  QPushButton* CommandEdit = nullptr;
  QPushButton* CommandCopy = nullptr;
  QPushButton* CommandDelete = nullptr;
  QPushButton* CommandToggle = nullptr;

 signals:
  // A rule was stored, deleted, enabled or disabled.
  void rulesChanged();

 private:
  const WatchRule* Current() const;
  WatchRuleEditor* OpenEditor(const WatchRule& rule);

  Database& db_;
  std::function<QDate()> today_;
  std::vector<WatchRule> rules_;
  QStandardItemModel* model_ = nullptr;
};

// The budget range as the list shows it, in 万元.
QString RuleBudgetText(const WatchRule& rule);

}  // namespace talvec
