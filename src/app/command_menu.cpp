// SPDX-License-Identifier: MIT
#include "app/command_menu.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenuBar>
#include <QStyleOptionMenuItem>
#include <algorithm>

namespace pelmora::app {

QString ShortcutText(const QKeySequence& key) {
    if (key.isEmpty()) return {};
    QKeyCombination first = key[0];
    // The portable form is never translated; it says "Return" for the key
    // keyboards label Enter.
    if (first.key() == Qt::Key_Return) first = QKeyCombination(first.keyboardModifiers(), Qt::Key_Enter);
    return QKeySequence(first).toString(QKeySequence::PortableText);
}

QString CommandMenu::itemText(const QAction& action) {
    const QString key = ShortcutText(action.shortcut());
    return key.isEmpty() ? action.text() : action.text() + QLatin1Char('\t') + key;
}

void CommandMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    if (action == nullptr || action->isSeparator() || action->menu() != nullptr) return;
    const QString key = ShortcutText(action->shortcut());
    if (key.isEmpty()) return;
    option->text = itemText(*action);
    // The menu reserved room for Qt's own name of the key, which may be
    // shorter than ours.
    option->reservedShortcutWidth =
        std::max(option->reservedShortcutWidth, QFontMetrics(option->font).horizontalAdvance(key));
}

CommandMenu* addCommandMenu(QMenuBar& bar, const QString& title) {
    auto* menu = new CommandMenu(title, &bar);
    bar.addMenu(menu);
    return menu;
}

}  // namespace pelmora::app
