#include "tests/app/program_script.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "search/result_set.h"
#include "ui/frmweath.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/search_ui.h"
#include "ui/viewer.h"

namespace talvec {

namespace {

class ViewerScript : public QObject {
 public:
  ViewerScript(FrmWeath& window, QString report_path)
      : QObject(&window), window_(&window), report_path_(std::move(report_path)) {
    deadline_.setRemainingTime(150000);
    connect(&timer_, &QTimer::timeout, this, &ViewerScript::Tick);
    timer_.start(100);
  }

 private:
  enum class Step { kSearch, kRows, kFirst, kSecond, kCloseViewer, kHelp, kEnd };

  void Report(const QString& line) {
    QFile file(report_path_);
    if (file.open(QIODevice::Append | QIODevice::Text)) file.write(line.toUtf8() + '\n');
  }

  QWidget* Browser() const {
    QWidget* viewer = window_->viewer().window();
    return viewer ? viewer->findChild<QWidget*>(QStringLiteral("WebBrowser1")) : nullptr;
  }

  // Watches the browser's loads from now on.
  void WatchLoads() {
    QWidget* browser = Browser();
    loads_ = browser ? std::make_unique<QSignalSpy>(browser, SIGNAL(loadFinished(bool))) : nullptr;
  }

  // The viewer has loaded a page whose address ends in `path`.
  bool Shows(const QString& path) const {
    QWidget* browser = Browser();
    if (!browser || !loads_ || loads_->isEmpty() || !loads_->constLast().value(0).toBool()) {
      return false;
    }
    return browser->property("url").toUrl().toString().endsWith(path);
  }

  void ReportShown(const char* what) {
    QWidget* viewer = window_->viewer().window();
    Report(QStringLiteral("%1|%2|%3")
               .arg(QLatin1String(what), viewer->windowTitle(),
                    Browser()->property("title").toString()));
  }

  void DoubleClickRow(int row) {
    ResultListView* list = window_->search().ListView2();
    const QModelIndex index = list->model()->index(row, kColTitle);
    list->scrollTo(index);
    expected_path_ = list->model()->index(row, kColAddress).data().toString();
    const QPoint at = list->visualRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }

  // Opens a row and waits for its page; a viewer that did not come up is
  // reported at once.
  void OpenRowStep(int row, Step next) {
    if (!opened_) {
      opened_ = true;
      WatchLoads();
      DoubleClickRow(row);
      if (!loads_) WatchLoads();
      if (!window_->viewer().window()) {
        Report(QStringLiteral("page|none"));
        Advance(next);
      }
      return;
    }
    if (Shows(expected_path_)) {
      ReportShown("page");
      Advance(next);
    }
  }

  void Advance(Step next) {
    step_ = next;
    opened_ = false;
  }

  void Tick() {
    if (deadline_.hasExpired() && step_ != Step::kEnd) {
      Report(QStringLiteral("end|timeout|%1").arg(static_cast<int>(step_)));
      step_ = Step::kEnd;
    }
    switch (step_) {
      case Step::kSearch: {
        // The period before today, so that a date change keeps the rows in it.
        window_->search().panel()->Option13->click();
        window_->activateWindow();
        QTest::mouseClick(window_->search().panel()->CMDCX, Qt::LeftButton);
        Advance(Step::kRows);
        break;
      }
      case Step::kRows:
        if (window_->search().ListView2()->model()->rowCount() >= 2) Advance(Step::kFirst);
        break;
      case Step::kFirst:
        OpenRowStep(0, Step::kSecond);
        break;
      case Step::kSecond:
        // The open viewer takes the second announcement.
        OpenRowStep(1, Step::kCloseViewer);
        break;
      case Step::kCloseViewer:
        if (QWidget* viewer = window_->viewer().window()) {
          viewer->close();
          break;
        }
        if (!window_->isActiveWindow()) {
          window_->activateWindow();
          break;
        }
        Advance(Step::kHelp);
        break;
      case Step::kHelp:
        if (!opened_) {
          opened_ = true;
          QTest::keyClick(window_, Qt::Key_F1);
          WatchLoads();
          if (!window_->viewer().window()) {
            Report(QStringLiteral("help|none"));
            Finish();
          }
        } else if (Shows(QStringLiteral("/help/index.html"))) {
          ReportShown("help");
          Finish();
        }
        break;
      case Step::kEnd:
        timer_.stop();
        if (QWidget* viewer = window_->viewer().window()) viewer->close();
        window_->close();
        break;
    }
  }

  void Finish() {
    Report(QStringLiteral("end|ok"));
    Advance(Step::kEnd);
  }

  QPointer<FrmWeath> window_;
  QString report_path_;
  QTimer timer_;
  QDeadlineTimer deadline_;
  Step step_ = Step::kSearch;
  bool opened_ = false;
  QString expected_path_;
  std::unique_ptr<QSignalSpy> loads_;
};

}  // namespace

void StartViewerScript(FrmWeath& window, const QString& report_path) {
  new ViewerScript(window, report_path);
}

}  // namespace talvec
