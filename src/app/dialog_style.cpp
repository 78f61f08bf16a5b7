// SPDX-License-Identifier: MIT
#include "app/dialog_style.h"

#include <QApplication>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace pelmora::app {

QFont dialogFont() {
    QFont font = QApplication::font();
    // The CJK faces come first so that kana and kanji never fall back to
    // a face of another language's glyph forms.
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"), font.family()});
    font.setPixelSize(12);
    return font;
}

void fixDialogGeometry(QWidget& dialog, QSize clientSize) {
    dialog.setFont(dialogFont());
    dialog.setFixedSize(clientSize);
    if (const QScreen* screen = dialog.screen()) {
        QRect frame(QPoint(0, 0), clientSize);
        frame.moveCenter(screen->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
}

}  // namespace pelmora::app
