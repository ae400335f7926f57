// WindowStartBench.cpp — starting the window and showing the first report's texts, as one process: an
// application folder with a report in the queue, the window made, the report selected (its texts
// extracted by the real engine), and the program ends at the first paint of the text. Time the whole
// process from outside (several runs); the program prints its own figure from main() to that paint.
//   WindowStartBench APP_FOLDER REPORT.pdf
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "logging/uLogger.h"
#include "shell/fVarnholt.h"
#include "shell/uDialogs.h"
#include "ui_fVarnholt.h"

namespace {

class TFirstPaint : public QObject {
 public:
  explicit TFirstPaint(const QElapsedTimer& clock) : clock_(clock) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      std::printf("window start to the first report's texts painted: %lld ms\n",
                  static_cast<long long>(clock_.elapsed()));
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return false;
  }

 private:
  const QElapsedTimer& clock_;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer clock;
  clock.start();
  if (argc < 3) {
    std::fprintf(stderr, "usage: WindowStartBench APP_FOLDER REPORT.pdf\n");
    return 2;
  }
  QApplication app(argc, argv);
  const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
  std::filesystem::create_directories(folder / "drives/c/PDF");
  std::filesystem::copy_file(argv[2], folder / "drives/c/PDF/report.pdf",
                             std::filesystem::copy_options::overwrite_existing);
  varnholt::shell::SetDialogAnswerer([](auto, const QString&, auto) { return QMessageBox::Ok; });
  int code = 0;
  {
    varnholt::TProcessLogger logger(folder);
    varnholt::shell::TfmVarnholt window(logger.Get(), folder, {});
    TFirstPaint firstPaint(clock);
    window.show();
    window.Form().pcContent->setCurrentWidget(window.Form().tsText);
    window.Core().Loading().SelectAndLoad("C:\\PDF\\report.pdf");
    window.Form().RichEdit1->viewport()->installEventFilter(&firstPaint);
    window.Form().RichEdit1->viewport()->update();
    code = QApplication::exec();
  }
  return code;
}
