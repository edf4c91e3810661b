#include "ui/list_export.h"
#include "ui/frmgz.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/database.h"
#include "core/numeric.h"
#include "core/settings.h"
#include "core/text.h"
#include "dialogs/messages.h"
#include "ui/report_view.h"
#include "ui/viewer_rules.h"
#include "ui/watch_list_model.h"
#include "ui/watch_rules_page.h"

Q_LOGGING_CATEGORY(lcFrmGZ, "talvec.watch.window")

namespace talvec {

namespace {

const QString kCaption = QStringLiteral("数据安全");

}  // namespace

DayCountBox::DayCountBox(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum) {
  setAccelerated(false);
}

QString DayCountBox::text() const { return lineEdit()->text(); }

void DayCountBox::setText(const QString& text) { lineEdit()->setText(text); }

void DayCountBox::stepBy(int steps) {
  const double value = NumericValue(TrimBlanks(text()));
  const double start = std::isfinite(value) ? std::round(value) : minimum_;
  const int next = static_cast<int>(std::clamp(start + steps, double(minimum_), double(maximum_)));
  setText(QString::number(next));
}

FrmGZ::FrmGZ(Database& db, SystemSettings& settings, OpenModalPage open_page,
             std::function<QDate()> today, QWidget* parent)
    : ReportWindow(QStringLiteral("FrmGZ"), QStringLiteral("我的观注"), parent),
      db_(db),
      settings_(settings),
      open_page_(std::move(open_page)),
      today_(std::move(today)) {
  CreateControls();
  LoadSettings();
  Refill();
}

void FrmGZ::CreateControls() {
  // The first tab: the default rule's panel above the entries; the second
  // the rules beside it.
  TabGZ = new QTabWidget(this);
  TabGZ->setObjectName(QStringLiteral("TabGZ"));
  auto* page = new QWidget(TabGZ);
  page->setObjectName(QStringLiteral("PageGZ"));
  auto* panel = new QWidget(page);
  panel->setFixedHeight(Px(1320));
  auto place = [this](QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(width), Px(height));
  };
  auto label = [panel, &place](const QString& text, int left, int top, int width) {
    auto* l = new QLabel(text, panel);
    place(l, left, top, width, 360);
    return l;
  };
  auto name = [](QWidget* w, const char* object_name) {
    w->setObjectName(QLatin1String(object_name));
  };

  label(QStringLiteral("观注产品"), 120, 150, 960);
  Text1 = new QLineEdit(panel);
  name(Text1, "Text1");
  place(Text1, 1080, 150, 4950, 360);
  label(QStringLiteral("观注地方"), 6300, 150, 960);
  Text2 = new QLineEdit(panel);
  name(Text2, "Text2");
  place(Text2, 7260, 150, 4950, 360);
  Command1 = new QPushButton(QStringLiteral("设置(&S)"), panel);
  name(Command1, "Command1");
  place(Command1, 12450, 135, 1500, 390);

  label(QStringLiteral("观注时长"), 120, 720, 960);
  Text3 = new DayCountBox(kLookBackMin, kLookBackMax, panel);
  name(Text3, "Text3");
  place(Text3, 1080, 720, 900, 360);
  label(QStringLiteral("天"), 2040, 720, 300);
  label(QStringLiteral("保留时间"), 2580, 720, 960);
  Text4 = new DayCountBox(kKeepMin, kKeepMax, panel);
  name(Text4, "Text4");
  place(Text4, 3540, 720, 900, 360);
  label(QStringLiteral("天"), 4500, 720, 300);

  Frame1 = new QGroupBox(QStringLiteral("提示方式"), panel);
  name(Frame1, "Frame1");
  place(Frame1, 5100, 540, 4200, 720);
  Check2 = new QCheckBox(QStringLiteral("弹出提示"), Frame1);
  name(Check2, "Check2");
  place(Check2, 240, 300, 1800, 330);
  Check3 = new QCheckBox(QStringLiteral("声音提示"), Frame1);
  name(Check3, "Check3");
  place(Check3, 2160, 300, 1800, 330);

  Command2 = new QPushButton(QStringLiteral("一键阅读(&R)"), panel);
  name(Command2, "Command2");
  place(Command2, 12450, 705, 1500, 390);

  label(QStringLiteral("规则"), 9480, 720, 540);
  ComboRule = new QComboBox(panel);
  name(ComboRule, "ComboRule");
  place(ComboRule, 10020, 705, 2250, 390);

  ListView1 = new ReportListView(page);
  name(ListView1, "ListView1");
  model_ = new WatchListModel(this);
  model_->SetDatabase(&db_);
  ListView1->setModel(model_);
  ListView1->SetColumnTwips(WatchListModel::kColNumber, 1000);
  ListView1->SetColumnTwips(WatchListModel::kColDate, 1500);
  ListView1->SetColumnTwips(WatchListModel::kColState, 1000);
  ListView1->SetColumnTwips(WatchListModel::kColRule, 1600);
  ListView1->SetColumnTwips(WatchListModel::kColBudget, 1100);
  ListView1->SetColumnTwips(WatchListModel::kColDeadline, 1300);
  ListView1->SetColumnTwips(WatchListModel::kColAddress, 0);
  ListView1->SetFillColumn(WatchListModel::kColTitle, 8000);
  ListView1->EnableHeaderSorting(Qt::DescendingOrder);

  MenuKJJ = new QMenu(QStringLiteral("快捷键"), this);
  name(MenuKJJ, "MenuKJJ");
  MenuDelete = MenuKJJ->addAction(QStringLiteral("删除观注(&D)"));
  MenuDelete->setObjectName(QStringLiteral("MenuDelete"));
  MenuKJJ->addSeparator();
  MenuDellall = MenuKJJ->addAction(QStringLiteral("删除所有观注(&All)"));
  MenuDellall->setObjectName(QStringLiteral("MenuDellall"));
  MenuKJJ->addSeparator();
  MenuExport = MenuKJJ->addAction(QStringLiteral("导出(&E)…"));
  MenuExport->setObjectName(QStringLiteral("MenuExport"));
  connect(MenuExport, &QAction::triggered, this, [this] {
    QPointer<FrmGZ> self = this;
    ExportShownRows(
        this, db_, QStringLiteral("我的观注"),
        [self] {
          QList<ShownRow> rows;
          if (!self) return rows;
          for (int r = 0; r < self->model_->rowCount(); ++r) {
            const WatchEntry* e = self->model_->EntryAt(r);
            rows.append({e->title, AnnouncementTypeOf(self->db_, e->title), e->date, e->address});
          }
          return rows;
        },
        [self](const QString& note) {
          if (self) self->ShowNote(note);
        });
  });
  ListView1->SetContextMenu(MenuKJJ);
  // Disabled at every opening, until the list is clicked.
  MenuDelete->setEnabled(false);
  MenuDellall->setEnabled(false);

  connect(Command1, &QPushButton::clicked, this, &FrmGZ::SaveSettings);
  connect(Command2, &QPushButton::clicked, this, &FrmGZ::MarkAllRead);
  connect(MenuDelete, &QAction::triggered, this, &FrmGZ::DeleteCurrent);
  connect(MenuDellall, &QAction::triggered, this, &FrmGZ::DeleteAll);
  connect(ListView1, &ReportListView::listClicked, this, &FrmGZ::EnableListCommands);
  connect(ComboRule, &QComboBox::activated, this, &FrmGZ::Refill);
  connect(ListView1, &ReportListView::listDoubleClicked, this, &FrmGZ::OpenRow);

  // Enter in a box saves the panel, as the button does; Esc closes.
  Command1->setDefault(true);
  Command2->setAutoDefault(false);
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(panel);
  column->addWidget(ListView1, 1);
  TabGZ->addTab(page, QStringLiteral("我的观注"));
  RulesPage = new WatchRulesPage(db_, today_, TabGZ);
  TabGZ->addTab(RulesPage, QStringLiteral("观注规则"));
  connect(RulesPage, &WatchRulesPage::rulesChanged, this, &FrmGZ::watchSaved);

  PlaceBody(TabGZ, 60, 60, 140, 440);
  FitToScreen(QSize(14700, 9000));
}

void FrmGZ::LoadSettings() {
  const Result<WatchForm> form = PrepareWatchList(db_, Today());
  if (!form) {
    // Without the row the keep days are unknown: nothing is purged, the
    // panel shows the design values.
    Text3->setText(QStringLiteral("7"));
    Text4->setText(QStringLiteral("15"));
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取观注设置。"), form.error().FullText());
    return;
  }
  Text1->setText(form->product);
  Text2->setText(form->place);
  Text3->setText(form->look_back_days);
  Text4->setText(form->keep_days);
  Check2->setChecked(form->popup);
  Check3->setChecked(form->sound);
}

void FrmGZ::Refill() {
  Result<std::vector<WatchEntry>> entries = LoadWatchEntries(db_);
  if (!entries) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取观注。"), entries.error().FullText());
  }
  std::vector<WatchEntry> all = entries ? std::move(*entries) : std::vector<WatchEntry>();
  // The filter offers the rules the entries name; the choice stays while
  // its rule has entries.
  const QString chosen = ComboRule->currentIndex() > 0 ? ComboRule->currentText() : QString();
  QStringList names;
  for (const WatchEntry& e : all) {
    if (!e.rule.isEmpty() && !names.contains(e.rule)) names.append(e.rule);
  }
  names.sort();
  ComboRule->clear();
  ComboRule->addItem(QStringLiteral("全部规则"));
  ComboRule->addItems(names);
  const int index = ComboRule->findText(chosen);
  ComboRule->setCurrentIndex(!chosen.isEmpty() && index > 0 ? index : 0);
  if (ComboRule->currentIndex() > 0) all = EntriesOfRule(std::move(all), chosen);
  model_->SetEntries(std::move(all));
  Command2->setEnabled(model_->HasUnread());
  if (model_->rowCount() == 0) {
    MenuDelete->setEnabled(false);
    MenuDellall->setEnabled(false);
  }
}

void FrmGZ::EnableListCommands() {
  const bool rows = model_->rowCount() > 0;
  MenuDelete->setEnabled(rows);
  MenuDellall->setEnabled(rows);
}

void FrmGZ::SaveSettings() {
  WatchForm form{Text1->text(), Text2->text(),       Text3->text(),
                 Text4->text(), Check2->isChecked(), Check3->isChecked()};
  switch (CheckWatchForm(form)) {
    case WatchSaveRefusal::kNoWords:
      ShowMessage(this, QMessageBox::Warning, kCaption,
                  QStringLiteral("观注产品和观注地方不能同时为空!"));
      Text1->setFocus();
      return;
    case WatchSaveRefusal::kLookBackRange:
      ShowMessage(this, QMessageBox::Warning, kCaption, QStringLiteral("观注时长应为1至30天!"));
      Text3->setFocus();
      return;
    case WatchSaveRefusal::kKeepRange:
      ShowMessage(this, QMessageBox::Warning, kCaption, QStringLiteral("保留时间应为7至30天!"));
      Text4->setFocus();
      return;
    case WatchSaveRefusal::kNone:
      break;
  }
  // The matcher's next run notices as chosen, whatever the write does.
  settings_.PopupNotice = form.popup;
  settings_.SoundNotice = form.sound;
  if (const Result<void> saved = SaveWatchForm(db_, form); saved) {
    emit watchSaved();
    ShowMessage(this, QMessageBox::Information, kCaption, QStringLiteral("设置观注成功!"));
  } else {
    ShowMessage(this, QMessageBox::Warning, kCaption, QStringLiteral("设置观注失败!"),
                saved.error().FullText());
  }
}

void FrmGZ::MarkAllRead() {
  if (const Result<void> marked = MarkAllWatchRead(db_); !marked) {
    qCWarning(lcFrmGZ) << "not marked read:" << marked.error().FullText();
  }
  Refill();
  emit entriesChanged();
}

void FrmGZ::MarkTitleRead(const QString& title) {
  if (const Result<void> marked = MarkWatchTitleRead(db_, title); !marked) {
    qCWarning(lcFrmGZ) << "not marked read:" << marked.error().FullText();
  }
  Refill();
  emit entriesChanged();
}

void FrmGZ::OpenRow(int row) {
  const WatchEntry* entry = model_->EntryAt(row);
  if (!entry) return;
  const QString title = entry->title;
  QWidget* viewer =
      open_page_ ? open_page_(AnnouncementAddress(entry->address, settings_.SiteBaseAddress), title)
                 : nullptr;
  if (!viewer) {
    MarkTitleRead(title);
    return;
  }
  // Read once the user closes the viewer; this window may be gone by then.
  connect(viewer, &QObject::destroyed, this, [this, title] { MarkTitleRead(title); });
}

void FrmGZ::DeleteCurrent() {
  const WatchEntry* entry = model_->EntryAt(ListView1->currentIndex().row());
  if (!entry) return;
  const QString title = entry->title;
  if (ShowMessage(this, QMessageBox::Question, kCaption, QStringLiteral("是否删除此项目?"),
                  QString(), QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  if (const Result<void> deleted = DeleteWatchTitle(db_, title); !deleted) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("删除失败。"), deleted.error().FullText());
  }
  Refill();
  emit entriesChanged();
}

void FrmGZ::DeleteAll() {
  if (ShowMessage(this, QMessageBox::Question, kCaption, QStringLiteral("是否删除全部观注?"),
                  QString(), QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
    if (const Result<void> deleted = DeleteAllWatch(db_); !deleted) {
      ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                  QStringLiteral("删除失败。"), deleted.error().FullText());
    }
  }
  Refill();
  emit entriesChanged();
}

void FrmGZ::SortByHeader(int section) { ListView1->SortByHeader(section); }

Qt::SortOrder FrmGZ::sortDirection() const { return ListView1->sortDirection(); }

}  // namespace talvec
