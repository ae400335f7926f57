// main.cpp — the window program Varnholt: one instance per application folder, the log before the
// window and after it, and SIGTERM as the end of the session.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <csignal>
#include <iostream>

#include "core/uApplicationFolder.h"
#include "logging/uLogger.h"
#include "shell/fVarnholt.h"
#include "shell/uSingleInstance.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminate(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnholt"));
  QApplication::setQuitOnLastWindowClosed(false);
  QStringList arguments = QApplication::arguments().mid(1);
  // The application folder is the program's own (the installed program's: docs/install.md); tests and a
  // second setup name another.
  std::filesystem::path folder = varnholt::DefaultApplicationFolder();
  if (const qsizetype at = arguments.indexOf(QStringLiteral("--app-folder"));
      at >= 0 && at + 1 < arguments.size()) {
    folder = std::filesystem::absolute(arguments[at + 1].toStdString());
    arguments.remove(at, 2);
  }

  varnholt::shell::TSingleInstance instance(folder);
  std::string why;
  switch (instance.Start(arguments, why)) {
    case varnholt::shell::TSingleInstance::TStart::kHandedOver:
      return 0;
    case varnholt::shell::TSingleInstance::TStart::kRefused:
      std::cerr << why << '\n';
      return 1;
    case varnholt::shell::TSingleInstance::TStart::kFirst:
      break;
  }

  int exitCode = 0;
  {
    varnholt::TProcessLogger logger(folder);
    varnholt::shell::TfmVarnholt window(logger.Get(), folder, arguments);
    if (!window.Started()) return 1;
    instance.OnCommandLine = [&window](const QStringList& handed) {
      window.AppInstancesCmdLineReceived(handed);
    };

    // SIGTERM and SIGINT end the program as the end of the desktop session does: no questions.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
      auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
      QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        window.EndSession();
      });
      std::signal(SIGTERM, OnTerminate);
      std::signal(SIGINT, OnTerminate);
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.EndSession(); });
    window.show();
    exitCode = QApplication::exec();
  }
  return exitCode;
}
