// SPDX-License-Identifier: MIT
#include "app/icons.h"

#include <QAction>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <functional>

#include "pelmora/version.h"

namespace pelmora::app {

namespace {

using Painter = std::function<void(QPainter&)>;

// Every drawing works on a 16 x 16 grid; larger sizes are the same drawing
// scaled, so the icons stay sharp on high-density screens.
QIcon drawnIcon(const Painter& paint) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        paint(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void drawPage(QPainter& p, const QColor& paper, bool lines) {
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(paper);
    p.drawPath(page);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
    if (!lines) return;
    p.setPen(QPen(QColor(70, 110, 170), 1));
    for (double y : {6.5, 8.5, 10.5, 12.5}) p.drawLine(QPointF(5, y), QPointF(12, y));
}

void drawEnvelope(QPainter& p) {
    p.setPen(QPen(QColor(120, 100, 40), 1));
    p.setBrush(QColor(255, 240, 170));
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
    p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
}

void drawPaperclip(QPainter& p) {
    QPainterPath clip;
    clip.moveTo(10, 5);
    clip.lineTo(10, 12);
    clip.arcTo(QRectF(6, 10, 4, 4), 0, -180);
    clip.lineTo(6, 3.5);
    clip.arcTo(QRectF(6, 1.5, 5, 4), 180, -180);
    clip.lineTo(11, 11);
    p.setPen(QPen(QColor(60, 60, 60), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(clip);
}

// The copy a duplicate check keeps: a check mark on a green disc, unlike
// every message icon, so the one row of a group that stays stands out.
void drawKeptMark(QPainter& p) {
    p.setPen(QPen(QColor(30, 110, 40), 1));
    p.setBrush(QColor(70, 170, 80));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QPainterPath check;
    check.moveTo(4.5, 8.5);
    check.lineTo(7, 11);
    check.lineTo(11.5, 5);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(check);
}

void drawFolder(QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(250, 210, 90));
    QPainterPath folder;
    folder.moveTo(1.5, 3.5);
    folder.lineTo(6, 3.5);
    folder.lineTo(7.5, 5);
    folder.lineTo(14.5, 5);
    folder.lineTo(14.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    p.drawPath(folder);
    p.setBrush(QColor(255, 230, 140));
    p.drawRect(QRectF(1.5, 7, 13, 6.5));
}

void drawPencil(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(240, 180, 60));
    QPolygonF body({QPointF(4, 14), QPointF(2.5, 13.5), QPointF(2, 12), QPointF(11, 3), QPointF(13, 5)});
    p.drawPolygon(body);
    p.setBrush(QColor(220, 90, 90));
    p.drawPolygon(QPolygonF({QPointF(11, 3), QPointF(12.5, 1.5), QPointF(14.5, 3.5), QPointF(13, 5)}));
}

void drawCross(QPainter& p, const QRectF& area) {
    p.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(area.topLeft(), area.bottomRight());
    p.drawLine(area.topRight(), area.bottomLeft());
}

void drawLens(QPainter& p) {
    p.setPen(QPen(QColor(50, 50, 50), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.setPen(QPen(QColor(50, 50, 50), 1.3));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QRectF(2, 2, 9, 9));
}

QIcon themed(const char* name, const Painter& fallback) {
    const QString themeName = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themeName)) return QIcon::fromTheme(themeName);
    return drawnIcon(fallback);
}

}  // namespace

QIcon rowIcon(int index) {
    static const std::array<QIcon, 5> icons = {
        drawnIcon([](QPainter& p) { drawPage(p, QColor(235, 235, 235), false); }),
        drawnIcon([](QPainter& p) { drawPage(p, Qt::white, true); }),
        drawnIcon(drawEnvelope),
        drawnIcon(drawPaperclip),
        drawnIcon(drawKeptMark),
    };
    if (index < 0 || index >= static_cast<int>(icons.size())) return {};
    return icons[static_cast<std::size_t>(index)];
}

void setCommandHint(QAction* action, CommandIcon icon, const QString& text) {
    action->setIcon(commandIcon(icon));
    action->setToolTip(text);
    action->setStatusTip(text);
}

QIcon commandIcon(CommandIcon icon) {
    switch (icon) {
        case CommandIcon::OpenFolder:
            return themed("folder-open", drawFolder);
        case CommandIcon::MessageOpen:
            return themed("mail-read", drawEnvelope);
        case CommandIcon::MessageEdit:
            return themed("accessories-text-editor", [](QPainter& p) {
                drawPage(p, Qt::white, true);
                drawPencil(p);
            });
        case CommandIcon::MessageDelete:
            return themed("edit-delete", [](QPainter& p) { drawCross(p, QRectF(3, 3, 10, 10)); });
        case CommandIcon::AttachDelete:
            // No theme has this one: a paperclip struck out.
            return drawnIcon([](QPainter& p) {
                drawPaperclip(p);
                drawCross(p, QRectF(8, 8, 6, 6));
            });
        case CommandIcon::MessageFind:
            return themed("edit-find", drawLens);
    }
    return {};
}

QIcon programIcon() {
    // The icon the desktop entry names: an icon theme's version when the
    // desktop has one, else the sizes rendered from the same SVG at build time.
    // Not kept in a static: a theme icon must not outlive the application.
    QIcon bundled;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        bundled.addFile(QStringLiteral(":/icons/program/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral(PELMORA_APP_ID), bundled);
}

}  // namespace pelmora::app
