// SPDX-License-Identifier: MIT
// Menus of the program's own commands. They name the shortcut keys
// themselves: the Japanese Qt translation that distributions ship misspells
// some key names ("Backspae"), and Windows users read Enter where Qt says
// Return.
#pragma once

#include <QMenu>

class QMenuBar;

namespace pelmora::app {

// The key of a command as its menu shows it: "Backspace", "Enter",
// "Ctrl+Del", "F3"; empty without a key. Only the first key counts.
QString ShortcutText(const QKeySequence& key);

class CommandMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;

    // The text of action's row: its caption, a tab, its key.
    static QString itemText(const QAction& action);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

// A CommandMenu titled title at the end of bar.
CommandMenu* addCommandMenu(QMenuBar& bar, const QString& title);

}  // namespace pelmora::app
