// SPDX-License-Identifier: MIT
// What the small dialogs share: a Japanese-capable 12-pixel font, a fixed
// client size and a place in the middle of the screen.
#pragma once

#include <QFont>
#include <QSize>

class QWidget;

namespace pelmora::app {

QFont dialogFont();

// Gives the dialog the shared font and a client area of exactly that size
// (the border cannot be dragged), and centres it on the screen.
void fixDialogGeometry(QWidget& dialog, QSize clientSize);

}  // namespace pelmora::app
