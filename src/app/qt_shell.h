// SPDX-License-Identifier: MIT
// The desktop services behind the shell port: the freedesktop trash, the
// program associated with a file type, and starting the editor.
#pragma once

#include <QPointer>
#include <QStringList>

#include "ports/file_system.h"
#include "ports/shell.h"

class QWidget;

namespace pelmora::app {

class QtShell : public ports::Shell {
public:
    // parent: the window the confirmation question is modal to.
    explicit QtShell(QWidget* parent);

    bool confirmTrash(std::size_t count) override;
    ports::TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                   ports::TrashConfirmation confirmation,
                                   const std::vector<ports::FileIdentity>& asRead) override;
    bool openWithAssociation(const std::filesystem::path& file) override;
    bool openUrl(const std::string& url) override;
    bool startProgram(const std::string& program, const std::filesystem::path& file) override;

private:
    QPointer<QWidget> m_parent;
};

// How long an opener may take to say whether it found a program for the
// file. xdg-open hands the file over and ends at once; one still running
// after this runs the program itself (a terminal program, or a fallback).
inline constexpr int kOpenerWaitMs = 10000;

enum class OpenerRun { Succeeded, Failed, StillRunning };

// Runs program with arguments (no shell) and waits up to waitMs for its
// exit: Succeeded on exit status 0, Failed when it could not start, crashed
// or exited otherwise, StillRunning when it had not ended by then.
OpenerRun runOpener(const QString& program, const QStringList& arguments, int waitMs);

}  // namespace pelmora::app
