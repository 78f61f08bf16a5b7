// SPDX-License-Identifier: MIT
#include "app/main_window_caption.h"

#include <QMouseEvent>

#include "app/window_texts.h"

namespace pelmora::app {

namespace {

constexpr int kStripHeight = 20;
constexpr int kTextPixels = 16;

}  // namespace

FolderCaption::FolderCaption(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("Label1"));
    setFixedHeight(kStripHeight);
    // The path may be longer than the window is wide; the strip must never
    // make the window wider.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumWidth(1);
    setIndent(4);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(kTextPixels);
    setFont(bold);
    QPalette colours = palette();
    // The button-shadow colour of the desktop's palette.
    colours.setColor(QPalette::Window, colours.color(QPalette::Active, QPalette::Dark));
    setPalette(colours);
    setTextColor(Qt::white);
    setCursor(Qt::PointingHandCursor);
}

QColor FolderCaption::textColor() const {
    return palette().color(QPalette::WindowText);
}

void FolderCaption::setTextColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

void FolderCaption::enterEvent(QEnterEvent* event) {
    setTextColor(QColor(0, 255, 255));
    setToolTip(window_text::kCaptionStripHint);
    QLabel::enterEvent(event);
}

void FolderCaption::leaveEvent(QEvent* event) {
    setTextColor(Qt::white);
    QLabel::leaveEvent(event);
}

void FolderCaption::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace pelmora::app
