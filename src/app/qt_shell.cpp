// SPDX-License-Identifier: MIT
#include "app/qt_shell.h"

#include <QByteArray>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "app/qt_ports.h"
#include "app/qtext.h"
#include "operations/recycle.h"
#include "platform/trash.h"

namespace pelmora::app {

OpenerRun runOpener(const QString& program, const QStringList& arguments, int waitMs) {
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    // The opener's own complaints go where the program's stderr goes.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    process->start();
    // The window keeps drawing meanwhile; the user's input waits, so that
    // no second command starts while this one is undecided.
    if (process->state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (process->state() != QProcess::NotRunning) {
        // Still running: it runs the program itself. It must outlive this
        // call (a QProcess kills its process when deleted), so it goes
        // when it ends, or never if the program outlives this one.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return OpenerRun::StillRunning;
    }
    const bool succeeded = process->error() == QProcess::UnknownError &&
                           process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return succeeded ? OpenerRun::Succeeded : OpenerRun::Failed;
}

QtShell::QtShell(QWidget* parent) : m_parent(parent) {}

bool QtShell::confirmTrash(std::size_t count) {
    QtPrompts prompts(m_parent);
    return prompts.confirmYesNo(TrashQuestion(count));
}

ports::TrashResult QtShell::moveToTrash(const std::vector<std::filesystem::path>& paths,
                                        ports::TrashConfirmation confirmation,
                                        const std::vector<ports::FileIdentity>& asRead) {
    if (confirmation == ports::TrashConfirmation::Ask && !paths.empty() && !confirmTrash(paths.size())) {
        ports::TrashResult refused;
        refused.refused = true;
        refused.moved.assign(paths.size(), false);
        return refused;
    }
    return platform::TrashEach(paths, asRead);
}

bool QtShell::openWithAssociation(const std::filesystem::path& file) {
    // xdg-open says by its exit status whether a program took the file;
    // QDesktopServices only says that xdg-open started.
    return runOpener(QStringLiteral("xdg-open"), {fromPath(file)}, kOpenerWaitMs) != OpenerRun::Failed;
}

bool QtShell::openUrl(const std::string& url) {
    return runOpener(QStringLiteral("xdg-open"), {QString::fromStdString(url)}, kOpenerWaitMs) !=
           OpenerRun::Failed;
}

bool QtShell::startProgram(const std::string& program, const std::filesystem::path& file) {
    // The program and its argument go to the process directly: a file name
    // with blanks, quotes or semicolons stays one argument and is never
    // read by a shell.
    const QString programText =
        QFile::decodeName(QByteArray(program.data(), static_cast<qsizetype>(program.size())));
    if (programText.isEmpty()) return false;
    return QProcess::startDetached(programText, QStringList{fromPath(file)});
}

}  // namespace pelmora::app
