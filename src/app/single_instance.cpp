// SPDX-License-Identifier: MIT
#include "app/single_instance.h"

#include <unistd.h>

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace pelmora::app {

namespace {

// The one request a second start sends; anything else is ignored.
constexpr char kRaiseRequest[] = "raise\n";

}  // namespace

QString instanceServerName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = QString::number(::getuid());
    const QString name = QStringLiteral("BRANTOLE-Pelmora-") + user;
    // The user's own runtime folder (mode 0700) where there is one: in the
    // shared /tmp another user could take the name first and keep this
    // user's program from ever starting.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QLatin1Char('/') + name;
    return name;
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::forwardToRunningInstance(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_serverName, QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRaiseRequest, sizeof kRaiseRequest - 1);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::listen() {
    if (m_server) return true;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (m_server->listen(m_serverName)) return true;
    // A socket file left by an instance that crashed: nobody answered on it
    // (forwardToRunningInstance ran first), so it is safe to take over.
    QLocalServer::removeServer(m_serverName);
    return m_server->listen(m_serverName);
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->readAll();
            if (request.startsWith(QByteArrayView(kRaiseRequest, sizeof kRaiseRequest - 1)))
                emit activationRequested();
        });
    }
}

}  // namespace pelmora::app
