// Runs in a real X window (xvfb): the search, a filter and the viewer on
// pages served by a local server. Screenshots go to the folder named by
// TALVEC_SCREENSHOTS (default /tmp). The test does not link the browser
// engine: the viewer module brings it in, as in the program.
#include <gtest/gtest.h>
#include <QDate>
#include <QDir>
#include <QGuiApplication>
#include <QHttpServer>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "core/settings.h"
#include "services/services.h"
#include "tests/test_support.h"
#include "ui/filter_panels.h"
#include "ui/frmweath.h"
#include "ui/result_list.h"
#include "ui/search_ui.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {
namespace {

QString ScreenshotPath(const char* name) {
  const QString dir = qEnvironmentVariable("TALVEC_SCREENSHOTS", "/tmp");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + QLatin1String(name);
}

QByteArray Page(const QString& title, const QString& body) {
  return QStringLiteral(
             "<html><head><meta charset='utf-8'><title>%1</title></head>"
             "<body style='margin:0;font-family:sans-serif'>"
             "<div style='height:253px;background:#b00;color:white;font-size:40px'>站点页头</div>"
             "<h2 id='t'>%1</h2><p>%2</p>"
             "<a id='pop' href='/v/3.html' target='_blank'>新窗口链接</a>"
             "</body></html>")
      .arg(title, body)
      .toUtf8();
}

TEST(ViewerWindow, SearchFilterAndOpenInTheOneViewer) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    GTEST_SKIP() << "needs a real display (xvfb-run)";
  }
  QHttpServer server;
  server.route("/js/pop.html", [] {
    return QHttpServerResponse("text/html; charset=utf-8",
                               QByteArray("<html><body><script>window.open('/v/3.html');"
                                          "</script></body></html>"));
  });
  server.route("/js/alert.html", [] {
    return QHttpServerResponse("text/html; charset=utf-8",
                               QByteArray("<html><body><script>alert('x'); confirm('y');"
                                          "prompt('z'); document.title='after';"
                                          "</script></body></html>"));
  });
  server.route("/v/<arg>", [](const QString& name) {
    return QHttpServerResponse("text/html; charset=utf-8",
                               Page(QStringLiteral("公告 ") + name, QStringLiteral("公告正文")));
  });
  const quint16 port = server.listen(QHostAddress::LocalHost, 0);
  ASSERT_NE(port, 0);

  Viewer::SetModuleFolder(QStringLiteral(TALVEC_BIN_DIR));
  test_support::TempDatabase temp;
  const QString today = QDate::currentDate().toString("yyyy-MM-dd");
  for (int i = 1; i <= 30; ++i) {
    const QString title = QStringLiteral("%1市第%2号%3采购公告")
                              .arg(i % 3 ? QStringLiteral("成都") : QStringLiteral("绵阳"))
                              .arg(i)
                              .arg(i % 2 ? QStringLiteral("电脑") : QStringLiteral("空调"));
    ASSERT_TRUE(temp.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, 2)", title,
                                  QStringLiteral("/v/%1.html").arg(i), today));
  }
  AppContext context;
  context.db = &temp.db();
  LoadSystemSettings(temp.db(), &context.settings);
  context.settings.SiteBaseAddress = QStringLiteral("http://127.0.0.1:%1").arg(port);
  context.os_name = "WindosXP";
  Services services(temp.db(), context.settings);
  FrmWeath window(context, services);
  window.Load();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  SearchUi& ui = window.search();
  ResultListView* list = ui.ListView2();
  QTest::keyClick(&window, Qt::Key_F8);
  ASSERT_EQ(list->model()->rowCount(), 30);
  ui.filters()->Text4->setText(QStringLiteral("电脑 成都"));
  ui.filters()->Command2->click();
  ASSERT_EQ(list->model()->rowCount(), 10);
  QTest::qWait(200);
  window.grab().save(ScreenshotPath("search_filtered.png"));

  // The viewer does not exist until a page is shown.
  EXPECT_EQ(window.viewer().window(), nullptr);
  EXPECT_EQ(window.findChild<QWidget*>("WebBrowser1"), nullptr);

  const QModelIndex first = list->model()->index(0, kColTitle);
  const QString first_title = first.data().toString();
  list->scrollTo(first);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
  QWidget* viewer = window.viewer().window();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->objectName(), "FrmBrow");
  auto* browser = viewer->findChild<QWidget*>("WebBrowser1");
  ASSERT_NE(browser, nullptr);
  auto url = [browser] { return browser->property("url").toUrl(); };
  auto title = [browser] { return browser->property("title").toString(); };
  EXPECT_EQ(viewer->windowTitle(), first_title);
  EXPECT_EQ(browser->toolTip(), QString::fromUtf8(kAttachmentHint));
  const int crop = ViewerCropPixels(viewer->screen()->logicalDotsPerInch());
  EXPECT_EQ(browser->y(), -crop);
  EXPECT_EQ(browser->height(), viewer->height() + crop);
  // The frame, title bar and close box included, fills the screen once the
  // window manager has framed it, and stays so.
  const QRect available = viewer->screen()->availableGeometry();
  auto fills = [&] {
    const QRect frame = viewer->frameGeometry();
    return available.contains(frame) && frame.width() >= available.width() - 1 &&
           frame.height() >= available.height() - 1;
  };
  const bool filled = QTest::qWaitFor(fills, 10000);
  QTest::qWait(300);
  EXPECT_TRUE(filled && fills()) << viewer->frameGeometry().x() << ","
                                 << viewer->frameGeometry().y() << " "
                                 << viewer->frameGeometry().width() << "x"
                                 << viewer->frameGeometry().height();
  ASSERT_TRUE(QTest::qWaitFor([&] { return title().startsWith(QStringLiteral("公告")); }, 20000));
  QTest::qWait(700);
  viewer->screen()->grabWindow(0).save(ScreenshotPath("viewer_cropped.png"));
  const QUrl first_url = url();

  // A second double click shows the second announcement in the open viewer.
  const QModelIndex second = list->model()->index(1, kColTitle);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(second).center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(second).center());
  EXPECT_EQ(window.viewer().window(), viewer);
  EXPECT_EQ(viewer->windowTitle(), second.data().toString());
  const QString second_path = list->model()->index(1, kColAddress).data().toString();
  EXPECT_TRUE(QTest::qWaitFor([&] { return url().path() == second_path; }, 10000))
      << url().toString().toStdString() << " " << first_url.toString().toStdString();

  // A modal opening while the modeless viewer is open reuses it, uncropped
  // for help; the page's new window loads in the viewer.
  QPointer<QWidget> guard(viewer);
  window.viewer().Open(context.settings.SiteBaseAddress + "/js/pop.html",
                       QStringLiteral("帮助信息"), ViewerMode::kModal);
  ASSERT_FALSE(guard.isNull());
  EXPECT_EQ(window.viewer().window(), viewer);
  EXPECT_TRUE(viewer->isModal());
  EXPECT_EQ(viewer->windowTitle(), "帮助信息");
  EXPECT_EQ(browser->y(), 0);
  EXPECT_TRUE(browser->toolTip().isEmpty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return url().path() == "/v/3.html"; }, 15000));
  EXPECT_EQ(window.findChildren<QWidget*>("FrmBrow").size(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return title().startsWith(QStringLiteral("公告")); }, 10000));
  QTest::qWait(500);
  viewer->screen()->grabWindow(0).save(ScreenshotPath("viewer_help_uncropped.png"));

  // Alerts, confirmations and prompts show nothing and do not block.
  browser->setProperty("url", QUrl(context.settings.SiteBaseAddress + "/js/alert.html"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return title() == "after"; }, 10000));

  // Closed, it is gone; the next opening shows the latest row.
  viewer->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 5000));
  EXPECT_EQ(window.viewer().window(), nullptr);
  const QModelIndex third = list->model()->index(2, kColTitle);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(third).center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(third).center());
  ASSERT_NE(window.viewer().window(), nullptr);
  EXPECT_EQ(window.viewer().window()->windowTitle(), third.data().toString());
  window.viewer().window()->close();
  QTest::qWait(100);
}

}  // namespace
}  // namespace talvec
