// SPDX-License-Identifier: MIT
// Qt's own texts (the file dialogs' labels and buttons, the edit fields'
// context menus) in Japanese, so that they match the program's windows.
#pragma once

class QCoreApplication;

namespace pelmora::app {

// Installs Qt's Japanese translation when the system has it (Debian package
// qt6-translations-l10n); false when it is missing, and Qt stays English.
bool installQtJapaneseTranslation(QCoreApplication& app);

// What the program sets up before its first window: its name and Qt's
// Japanese texts. It sets no display name on purpose: Qt would append it to
// every window title ("Pelmora - オプション — Pelmora"), and the program's
// titles are exactly the captions it sets.
void setUpApplication(QCoreApplication& app);

}  // namespace pelmora::app
