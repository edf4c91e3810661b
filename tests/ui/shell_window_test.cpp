// The main window in a real X window under a window manager (xvfb-run with
// openbox): it fits the screen, the layout keeps every control inside it,
// two styles, the settings dialog and the help page. Screenshots go to the
// folder named by TALVEC_SCREENSHOTS, with the screen size in their names.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "core/settings.h"
#include "dialogs/messages.h"
#include "services/services.h"
#include "tests/message_log.h"
#include "tests/test_support.h"
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

QString Shot(const QString& name) {
  const QString dir = qEnvironmentVariable("TALVEC_SCREENSHOTS", "/tmp");
  QDir().mkpath(dir);
  const QSize screen = QGuiApplication::primaryScreen()->size();
  return QStringLiteral("%1/shell_%2x%3_%4.png")
      .arg(dir)
      .arg(screen.width())
      .arg(screen.height())
      .arg(name);
}

void SaveScreen(const QString& name) {
  QTest::qWait(400);
  QGuiApplication::primaryScreen()->grabWindow(0).save(Shot(name));
}

// Every control the user needs lies inside the window's client area.
void ExpectAllInside(FrmWeath& window, const char* when) {
  SearchPanel* panel = window.search().panel();
  FilterPanels* filters = window.search().filters();
  const QRect client = window.centralWidget()->rect();
  const QList<QWidget*> needed = {panel->Frame2,
                                  panel->Frame5,
                                  panel->CMDCX,
                                  panel->FrameGJZ,
                                  panel->Text1,
                                  filters->Frame4,
                                  filters->Frame8,
                                  filters->Frame3,
                                  filters->Text4,
                                  filters->Command2,
                                  window.search().ListView2()};
  for (QWidget* w : needed) {
    const QRect r(w->mapTo(window.centralWidget(), QPoint(0, 0)), w->size());
    EXPECT_TRUE(w->isVisibleTo(&window)) << when << " " << w->objectName().toStdString();
    EXPECT_TRUE(client.contains(r))
        << when << " " << w->objectName().toStdString() << " at " << r.x() << "," << r.y() << " "
        << r.width() << "x" << r.height() << " in " << client.width() << "x" << client.height();
  }
  const QRect available = window.screen()->availableGeometry();
  // Maximised, the window manager drops the borders but Qt may still add
  // the old margins to the frame: the client area is what must fit then.
  const QRect outer = window.isMaximized() ? window.geometry() : window.frameGeometry();
  EXPECT_TRUE(available.contains(outer)) << when << " frame " << window.frameGeometry().width()
                                         << "x" << window.frameGeometry().height();
}

// The program's name under the left column shows whole, or cut with the
// whole name as its tool tip; never broken inside a word.
void ExpectNameWhole(FrmWeath& window) {
  auto* label = window.findChild<QLabel*>(QStringLiteral("Label5"));
  ASSERT_NE(label, nullptr);
  if (!label->isVisible()) return;
  const QFontMetrics metrics(label->font());
  for (const QString& line : label->text().split(QLatin1Char('\n'))) {
    EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
  }
  const QString name = QLatin1String(FrmWeath::kDisplayName);
  EXPECT_TRUE(label->text() == name || label->toolTip() == name)
      << label->text().toStdString() << " / " << label->toolTip().toStdString();
}

TEST(ShellWindow, FitsTheScreenWithStylesSettingsAndHelp) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    GTEST_SKIP() << "needs a real display (xvfb-run)";
  }
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  Viewer::SetModuleFolder(QStringLiteral(TALVEC_BIN_DIR));
  test_support::TempDatabase temp;
  test_support::MessageLog log(temp.folder() + QStringLiteral("/boxes.txt"));
  SetMessageSink(&log);
  AppContext context;
  context.db = &temp.db();
  context.program_folder = QStringLiteral(TALVEC_BIN_DIR);
  LoadSystemSettings(temp.db(), &context.settings);
  context.settings.SiteBaseAddress = QStringLiteral("http://127.0.0.1:1");
  ApplySkin(*app, context.program_folder, 1);
  Services services(temp.db(), context.settings);
  FrmWeath window(context, services);
  window.Load();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(600);  // the window manager's frame, then the fit

  // Opened at the design size or the screen, whichever is smaller.
  const QRect available = window.screen()->availableGeometry();
  const QSize design(TwipsToPixels(kDesignWindowWidth, window.screen()->logicalDotsPerInch()),
                     TwipsToPixels(kDesignWindowHeight, window.screen()->logicalDotsPerInch()));
  // Within a pixel: a scaled screen rounds the frame's margins.
  const QSize expected = design.boundedTo(available.size());
  EXPECT_LE(std::abs(window.frameGeometry().width() - expected.width()), 1);
  EXPECT_LE(std::abs(window.frameGeometry().height() - expected.height()), 1);
  ExpectAllInside(window, "opened");
  SaveScreen(QStringLiteral("opened"));

  window.showMaximized();
  QTest::qWait(800);
  ExpectAllInside(window, "maximised");
  const bool tall = available.height() >= 1000;
  EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("Picture1"))->isVisible(), tall);
  ExpectNameWhole(window);
  SaveScreen(QStringLiteral("maximised_style1"));

  // Two other styles, applied at once.
  for (int n : {2, 7}) {
    window.ChooseStyle(n);
    ExpectAllInside(window, "styled");
    SaveScreen(QStringLiteral("maximised_style%1").arg(n));
  }
  window.ChooseStyle(3);

  // The settings dialog, window-modal; the main window keeps running.
  FrmSet* dialog = window.OpenSettings();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  EXPECT_TRUE(available.contains(dialog->frameGeometry()));
  SaveScreen(QStringLiteral("settings"));
  dialog->CancelButton->click();
  QTest::qWait(200);

  // F1: help, uncropped, with its caption.
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(&window, Qt::Key_F1);
  QWidget* viewer = window.viewer().window();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->windowTitle(), QStringLiteral("帮助信息"));
  auto* browser = viewer->findChild<QWidget*>(QStringLiteral("WebBrowser1"));
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->y(), 0);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return browser->property("title").toString().contains(QStringLiteral("帮助")); },
      20000));
  QTest::qWait(800);
  SaveScreen(QStringLiteral("help"));
  viewer->close();
  QTest::qWait(100);
  SetMessageSink(nullptr);
  app->setStyleSheet(QString());
}

}  // namespace
}  // namespace talvec

namespace talvec {
namespace {

// Real message boxes under the window manager: the title bar centres the
// caption between its icon and its three buttons (each about as wide as the
// bar is high, with gaps), so a box must be as wide as the caption and that
// much room on either side for the caption to show whole.
TEST(ShellWindow, MessageBoxCaptionsShowWhole) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    GTEST_SKIP() << "needs a real display (xvfb-run)";
  }
  for (const char* caption : {"数据安全", "系统提示", "系统信息", "数据库登陆错误！"}) {
    int frame_width = 0;
    int title_bar = 0;
    QPointer<QMessageBox> seen;
    QTimer watch;
    QDeadlineTimer deadline(15000);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      if (deadline.hasExpired()) {
        ADD_FAILURE() << caption << ": the box was never framed";
        box->done(QMessageBox::Ok);
        return;
      }
      // The window's own frame, as the window manager last told it (the
      // widget's copy may lag behind when no move follows).
      const QWindow* handle = box->windowHandle();
      if (!handle || !handle->isExposed()) return;
      title_bar = handle->frameMargins().top();
      if (title_bar <= 0) return;  // not framed yet
      frame_width = handle->frameGeometry().width();
      if (!seen) {
        seen = box;
        return;  // once more, after the box has settled
      }
      box->screen()->grabWindow(0).save(Shot(QStringLiteral("box_%1").arg(frame_width)));
      watch.stop();
      box->done(QMessageBox::Ok);
    });
    watch.start(200);
    ShowMessage(nullptr, QMessageBox::Information, QString::fromUtf8(caption),
                QStringLiteral("好。"));
    watch.stop();
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int needed =
        QFontMetrics(bold).horizontalAdvance(QString::fromUtf8(caption)) + 7 * title_bar;
    EXPECT_GE(frame_width, needed) << caption << " title bar " << title_bar;
  }
}

}  // namespace
}  // namespace talvec
