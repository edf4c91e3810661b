// The settings dialog frmSet ("系统设置"): collection, channels, automatic
// analysis, upgrades and the two server addresses. It is filled from the
// SysSet row each time it opens; OK writes everything in one transaction,
// Cancel writes nothing.
#pragma once

#include <QDialog>
#include <array>

#include "core/settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QToolButton;

namespace talvec {

class Database;
struct SystemSettings;

// The interval after a click on the spin control beside it: the next whole
// number up or down, within 5 to 120; a text that is no number starts from
// the bound it moves away from.
QString StepInterval(const QString& text, int step);

class FrmSet : public QDialog {
  Q_OBJECT

 public:
  // `settings` is the program's live record; OK updates what acts at once.
  FrmSet(Database& db, SystemSettings& settings, QWidget* parent = nullptr);

  // Fills the controls from the table; an error when it cannot be read.
  Result<void> LoadFromTable();
  // What the controls say now.
  SettingsForm Form() const;

  // Handlers of the buttons (public for tests and keys).
  void OKButtonClick();
  void CancelButtonClick();

  QRadioButton* Option1 = nullptr;
  QRadioButton* Option2 = nullptr;
  QLineEdit* Text1 = nullptr;
  QWidget* UpDown1 = nullptr;
  QTimeEdit* DTPicker1 = nullptr;
  QTimeEdit* DTPicker2 = nullptr;
  std::array<QCheckBox*, kChannelCount> CheckGG{};
  QCheckBox* Check1 = nullptr;
  // The deadline reminders: 3 days, 1 day and 2 hours before.
  std::array<QCheckBox*, 3> CheckRemind{};
  std::array<QRadioButton*, 2> OptionSet{};
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void CreateControls();
  void CollectionModeChanged();
  // Refuses an address with a box; true when it is acceptable.
  bool AddressAccepted(QLineEdit* box, const QString& name);

  Database& db_;
  SystemSettings& settings_;
};

}  // namespace talvec
