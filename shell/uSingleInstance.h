// uSingleInstance.h — one Varnholt per application folder. The first start holds the folder's instance
// lock (the one `varnholt-cli watch` takes, so neither runs beside the other) and listens on a local
// socket; a second start of the window hands its command line over to it and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/InstanceLock.h"

namespace varnholt::shell {

class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class TStart {
    kFirst,       // this process runs; it holds the lock and listens
    kHandedOver,  // another window runs; it has our command line and comes to the front
    kRefused,     // another program holds the folder (varnholt-cli watch) or the lock cannot be taken
  };

  explicit TSingleInstance(std::filesystem::path applicationFolder, QObject* parent = nullptr);

  // Takes the folder or hands over to the window that has it; why says who holds it when refused.
  TStart Start(const QStringList& arguments, std::string& why);
  // Called with the command line a second start handed over.
  std::function<void(const QStringList&)> OnCommandLine;

  // The local socket's name for an application folder.
  static QString ServerName(const std::filesystem::path& applicationFolder);

 private:
  std::filesystem::path folder_;
  std::optional<platform::TInstanceLock> lock_;
  QLocalServer server_;
};

}  // namespace varnholt::shell
