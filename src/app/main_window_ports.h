// SPDX-License-Identifier: MIT
// Where the main window gets the services it hands to the core: message
// boxes, the progress dialog, the desktop shell, the busy cursor and the
// folder browser. The program uses the desktop's; tests hand the window a
// factory of fakes that record what was asked and answer as scripted.
#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

#include "ports/busy_cursor.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/shell.h"

class QWidget;

namespace pelmora::app {

class PortFactory {
public:
    virtual ~PortFactory() = default;
    // owner: the window the boxes and dialogs belong to.
    virtual std::unique_ptr<ports::Prompts> makePrompts(QWidget* owner) = 0;
    virtual std::unique_ptr<ports::Progress> makeProgress(QWidget* owner) = 0;
    virtual std::unique_ptr<ports::Shell> makeShell(QWidget* owner) = 0;
    virtual std::unique_ptr<ports::BusyCursor> makeBusyCursor() = 0;
    // The folder browser; nullopt when the user cancels.
    virtual std::optional<std::filesystem::path> chooseFolder(QWidget* owner, const QString& prompt,
                                                              const std::filesystem::path& start) = 0;
};

// Message boxes, TForm3, the freedesktop trash and xdg-open, QFileDialog.
std::unique_ptr<PortFactory> makeDesktopPortFactory();

}  // namespace pelmora::app
