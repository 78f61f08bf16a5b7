// SPDX-License-Identifier: MIT
// One running Pelmora per user: the first instance listens on a local socket
// named after the instance name and the user; a later start connects to it,
// asks it to bring its window to the front, and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace pelmora::app {

// "BRANTOLE-Pelmora-<user>": the local socket of the running instance, in
// $XDG_RUNTIME_DIR when that is set.
QString instanceServerName();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName = instanceServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance answered and was asked to raise its
    // window; the caller then ends with exit code 0.
    bool forwardToRunningInstance(int timeoutMs = 1000);
    // Starts listening; false when the socket cannot be made (the program
    // then runs without the guard rather than not at all).
    bool listen();

    const QString& serverName() const { return m_serverName; }

signals:
    // A second start asked this instance to show its window.
    void activationRequested();

private:
    void acceptConnections();

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

}  // namespace pelmora::app
