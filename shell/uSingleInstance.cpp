// uSingleInstance.cpp — the instance lock and the hand-over socket.
#include "shell/uSingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace varnholt::shell {

namespace {
constexpr int kHandOverWaitMs = 3000;
}  // namespace

TSingleInstance::TSingleInstance(std::filesystem::path applicationFolder, QObject* parent)
    : QObject(parent), folder_(std::move(applicationFolder)) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) return;
        const QStringList arguments =
            QString::fromUtf8(socket->readLine()).trimmed().split(QChar(0x1f), Qt::KeepEmptyParts);
        socket->write("OK\n");
        socket->flush();
        if (OnCommandLine)
          OnCommandLine(arguments.size() == 1 && arguments[0].isEmpty() ? QStringList() : arguments);
      });
    }
  });
}

QString TSingleInstance::ServerName(const std::filesystem::path& applicationFolder) {
  const QByteArray canonical =
      QDir(QString::fromStdString(applicationFolder.string())).canonicalPath().toUtf8();
  return QStringLiteral("varnholt-") +
         QString::fromLatin1(
             QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(16));
}

TSingleInstance::TStart TSingleInstance::Start(const QStringList& arguments, std::string& why) {
  const QString name = ServerName(folder_);
  std::string holder, error;
  lock_ = platform::TInstanceLock::TryAcquire(folder_, &holder, "Varnholt", &error);
  if (lock_) {
    // A socket left by a killed window would keep the name taken.
    QLocalServer::removeServer(name);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name)) why = server_.errorString().toStdString();
    return TStart::kFirst;
  }
  if (holder.empty()) {
    why = error;
    return TStart::kRefused;
  }
  QLocalSocket socket;
  socket.connectToServer(name);
  if (socket.waitForConnected(kHandOverWaitMs)) {
    socket.write(arguments.join(QChar(0x1f)).toUtf8() + '\n');
    socket.flush();
    if (socket.waitForReadyRead(kHandOverWaitMs) && socket.readLine().startsWith("OK"))
      return TStart::kHandedOver;
  }
  why = "Varnholt is already running in " + folder_.string() + ": " + holder;
  return TStart::kRefused;
}

}  // namespace varnholt::shell
