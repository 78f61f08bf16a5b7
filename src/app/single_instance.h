// SPDX-License-Identifier: MIT
// One running Pelmora per user: the first instance listens on a local socket
// named after the instance name and the user; a later start connects to it,
// asks it to bring its window to the front (and, given one folder, to open
// that folder), and ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

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
    // window; the caller then ends with exit code 0. arguments are the
    // command line's after the program name: exactly one is a folder for
    // the running window to open (made absolute here, against this
    // process's working folder); any other number only raises it.
    bool forwardToRunningInstance(const QStringList& arguments = {}, int timeoutMs = 1000);
    // Starts listening; false when the socket cannot be made (the program
    // then runs without the guard rather than not at all).
    bool listen();

    const QString& serverName() const { return m_serverName; }

signals:
    // A second start asked this instance to show its window.
    void activationRequested();
    // A second start asked this instance to open folder (absolute, as given).
    void folderRequested(const QString& folder);

private:
    void acceptConnections();
    // True once request is whole and has been acted on.
    bool answer(const QByteArray& request);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

}  // namespace pelmora::app
