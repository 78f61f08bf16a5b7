// SPDX-License-Identifier: MIT
// The images of the main window: the row icons of the message lists (0 an
// empty article, 1 a news article, 2 a mail message, 3 the attachment mark,
// 4 the mark of the copy a duplicate check keeps)
// and the command icons of menus and tool bars. Row icons are drawn here so
// they look the same on every desktop; command icons come from the desktop's
// icon theme when it has them, else they are drawn too.
#pragma once

#include <QIcon>

class QAction;

namespace pelmora::app {

// Index as the list's entries carry it (IconIndex, or 3 or 4 for a mark);
// an index outside 0-4 gives a null icon.
inline constexpr int kKeptMarkIcon = 4;
QIcon rowIcon(int index);

enum class CommandIcon { OpenFolder, MessageOpen, MessageEdit, MessageDelete, AttachDelete, MessageFind };
QIcon commandIcon(CommandIcon icon);

// A command's icon and its hint, which the tool tip and the status bar's
// hint panel both show.
void setCommandHint(QAction* action, CommandIcon icon, const QString& text);

// The program's own icon (window and about box).
QIcon programIcon();

}  // namespace pelmora::app
