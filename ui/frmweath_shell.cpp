// The main window's shell: the style menu, the settings and help entries,
// the layout pass and the clock.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTime>
#include <QWindow>

#include "dialogs/messages.h"
#include "ui/facts_filter_bar.h"
#include "ui/about.h"
#include "ui/clock_panel.h"
#include "ui/elided_label.h"
#include "ui/filter_panels.h"
#include "ui/frmset.h"
#include "ui/frmweath.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/search_ui.h"
#include "ui/skin.h"
#include "ui/twips.h"
#include "ui/viewer.h"

namespace talvec {

namespace {

constexpr std::array<const char*, 9> kStyleNames = {"MenuJM1", "MenuJM2", "Menu3",
                                                    "MenuJM4", "MenuJM5", "MenuJM6",
                                                    "MenuJM7", "MenuJM8", "MenuJM9"};
constexpr std::array<const char*, 9> kStyleCaptions = {"界面方格一", "界面方格二", "界面方格三",
                                                       "界面方格四", "界面方格五", "界面方格六",
                                                       "界面方格七", "界面方格八", "界面方格九"};

}  // namespace

double FrmWeath::Dpi() const { return screen() ? screen()->logicalDotsPerInch() : 96.0; }

void FrmWeath::BuildShellMenus() {
  setWindowIcon(TalvecIcon());

  MenuJM = MenuSystem->addMenu(QStringLiteral("界面方格(&U)"));
  MenuJM->setObjectName(QStringLiteral("MenuJM"));
  styles_ = new QActionGroup(this);
  styles_->setExclusive(true);
  for (int k = 1; k <= 9; ++k) {
    if (k > 1) MenuJM->addSeparator();
    QAction* entry =
        MenuJM->addAction(QString::fromUtf8(kStyleCaptions[static_cast<std::size_t>(k - 1)]));
    entry->setObjectName(QLatin1String(kStyleNames[static_cast<std::size_t>(k - 1)]));
    entry->setCheckable(true);
    entry->setChecked(k == context_.settings.UIType);
    styles_->addAction(entry);
    connect(entry, &QAction::triggered, this, [this, k] { ChooseStyle(k); });
    MenuJMk[static_cast<std::size_t>(k - 1)] = entry;
  }
  MenuSystem->addSeparator();
  MenuSet = MenuSystem->addAction(QStringLiteral("系统设置(&S)"));
  MenuSet->setObjectName(QStringLiteral("MenuSet"));
  connect(MenuSet, &QAction::triggered, this, [this] { OpenSettings(); });

  MenuHelp = MenuZH->addAction(QStringLiteral("帮助(&Help)"));
  MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
  MenuHelp->setShortcut(QKeySequence(Qt::Key_F1));
  connect(MenuHelp, &QAction::triggered, this, &FrmWeath::OpenHelp);
}

void FrmWeath::AddAboutEntry() {
  MenuZH->addSeparator();
  MenuAbout = MenuZH->addAction(QStringLiteral("关于(&A)"));
  MenuAbout->setObjectName(QStringLiteral("MenuAbout"));
  connect(MenuAbout, &QAction::triggered, this, [this] {
    ShowAbout(this, context_, QStringLiteral("%1（TALVEC）").arg(QLatin1String(kDisplayName)),
              VersionString());
  });
}

void FrmWeath::ChooseStyle(int n) {
  if (n < 1 || n > 9) return;
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    ApplySkin(*app, context_.program_folder, n);
  }
  MenuJMk[static_cast<std::size_t>(n - 1)]->setChecked(true);
  const Result<void> saved = context_.db ? WriteStyle(*context_.db, n)
                                          : Fail(Error::Kind::kOther, QStringLiteral("数据库未打开"));
  if (!saved) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("界面方格已更换，但未能保存，下次启动时仍用原来的界面。"),
                saved.error().FullText());
    return;
  }
  context_.settings.UIType = static_cast<qint16>(n);
}

FrmSet* FrmWeath::OpenSettings() {
  if (settings_dialog_) {
    settings_dialog_->raise();
    settings_dialog_->activateWindow();
    return settings_dialog_;
  }
  if (!context_.db) return nullptr;
  auto* dialog = new FrmSet(*context_.db, context_.settings, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  if (const Result<void> loaded = dialog->LoadFromTable(); !loaded) {
    const QString cause = loaded.error().FullText();
    delete dialog;
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("无法读取系统设置。"), cause);
    return nullptr;
  }
  settings_dialog_ = dialog;
  // Whichever way it closes, the window applies what acts at once.
  connect(dialog, &QDialog::finished, this, &FrmWeath::SettingsClosed);
  dialog->open();
  return dialog;
}

void FrmWeath::SettingsClosed() {
  services_.SettingsClosed();
  search_->ApplyTypeOptions();
}

void FrmWeath::OpenHelp() {
  viewer_->Open(context_.program_folder + QStringLiteral("/help/index.html"),
                QStringLiteral("帮助信息"), ViewerMode::kModal);
}

void FrmWeath::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ApplyLayout();
}

void FrmWeath::ApplyLayout() {
  const double dpi = Dpi();
  const QSize client = centralWidget()->size();
  // Whole twips of the client area; the pass works in twips throughout.
  const int width = static_cast<int>(client.width() * 1440.0 / dpi);
  const int height = static_cast<int>(client.height() * 1440.0 / dpi);
  LayoutPass(layout_, width, height);
  const MainLayout& l = layout_;
  auto px = [dpi](const QRect& r) {
    return TwipsRect(r.left(), r.top(), r.width(), r.height(), dpi);
  };
  // The top bar's controls are placed in the bar's own coordinates.
  auto in_bar = [&](const QRect& r) { return px(r.translated(-l.Frame6.topLeft())); };

  Frame1->setGeometry(px(l.Frame1));
  Frame6->setGeometry(px(l.Frame6));
  SearchPanel* panel = search_->panel();
  FilterPanels* filters = search_->filters();
  ResultListView* list = search_->ListView2();
  panel->Frame2->setGeometry(in_bar(l.Frame2));
  panel->Frame5->setGeometry(in_bar(l.Frame5));
  PicJD->setGeometry(in_bar(l.PicJD));
  panel->CMDCX->setGeometry(in_bar(l.CMDCX));
  filters->Frame4->setGeometry(px(l.Frame4));
  panel->FrameGJZ->setGeometry(px(l.FrameGJZ));
  filters->Frame8->setGeometry(px(l.Frame8));
  // The facts filters head the list's area.
  const QRect area = px(l.ListView2);
  const int bar = TwipsToPixels(kFactsBarTwips, dpi);
  search_->factsBar()->setGeometry(area.left(), area.top(), area.width(), bar);
  list->setGeometry(area.adjusted(0, bar, 0, 0));
  list->setColumnWidth(kColTitle, TwipsToPixels(l.title_column, dpi));
  panel->PicZT->setGeometry(px(l.PicZT));
  filters->Frame3->setGeometry(px(l.Frame3));
  filters->Text4->setGeometry(px(l.Text4));
  filters->Command2->setGeometry(px(l.Command2));
  Label5->setGeometry(px(l.Label5));
  Label5->setVisible(l.label5_visible);
  ClockTick();
}

void FrmWeath::ClockTick() {
  PlaceClock(layout_);
  const double dpi = Dpi();
  const QRect& r = layout_.Picture1;
  Picture1->setGeometry(TwipsRect(r.left(), r.top(), r.width(), r.height(), dpi));
  Picture1->ShowTime(QTime::currentTime());
  Picture1->setVisible(layout_.clock_visible);
}

}  // namespace talvec
