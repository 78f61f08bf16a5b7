// SPDX-License-Identifier: MIT
// The text editor the edit command uses when the user has chosen none: one
// that is installed on this machine and opens a window of its own.
#pragma once

#include <QString>
#include <string>

namespace pelmora::app {

// The first that names an installed desktop program: $VISUAL, $EDITOR, the
// desktop's default application for text/plain (xdg-mime), then a short list
// of desktop text editors looked up on PATH. Empty when there is none: the
// edit command is then off until the options name an editor.
std::string PlatformDefaultEditor();

// The program of a .desktop file's Exec line (its first word, unquoted), or
// empty when the entry runs in a terminal, is hidden or has no Exec line.
QString DesktopEntryProgram(const QString& desktopFileText);

}  // namespace pelmora::app
