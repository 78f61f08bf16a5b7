// SPDX-License-Identifier: MIT
#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace pelmora::app {

namespace {

// What a second start sends: "raise\n", or "open\n" followed by the
// folder's path as the file system spells it and a NUL byte (a path may
// hold a line break, never a NUL). Anything else is ignored.
constexpr QByteArrayView kRaiseRequest("raise\n");
constexpr QByteArrayView kOpenRequest("open\n");

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

bool SingleInstance::forwardToRunningInstance(const QStringList& arguments, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_serverName, QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs)) return false;
    QByteArray request = kRaiseRequest.toByteArray();
    if (arguments.size() == 1 && !arguments[0].isEmpty()) {
        // The running instance has a working folder of its own.
        request =
            kOpenRequest.toByteArray() + QFile::encodeName(QDir::current().absoluteFilePath(arguments[0]));
        request += '\0';
    }
    socket.write(request);
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

bool SingleInstance::answer(const QByteArray& request) {
    if (request.startsWith(kRaiseRequest)) {
        emit activationRequested();
        return true;
    }
    if (!request.startsWith(kOpenRequest)) return false;
    const qsizetype end = request.indexOf('\0', kOpenRequest.size());
    if (end < 0) return false;
    emit folderRequested(QFile::decodeName(request.mid(kOpenRequest.size(), end - kOpenRequest.size())));
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A request may arrive in pieces; it is acted on once it is whole.
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
            *received += socket->readAll();
            if (answer(*received)) received->clear();
        });
    }
}

}  // namespace pelmora::app
