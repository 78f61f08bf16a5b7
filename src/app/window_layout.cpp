// SPDX-License-Identifier: MIT
#include "app/window_layout.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QWidget>
#include <algorithm>

#include "app/main_window.h"

namespace pelmora::app {

WindowLayout MainWindowLayout(Settings& s) {
    return {s.Width, s.Height, s.Top, s.Left, s.CoolBarWidth0, s.CoolBarBreak1, s.CWidth, s.VSort};
}

WindowLayout SearchWindowLayout(Settings& s) {
    return {s.FFWidth,         s.FFHeight,        s.FFTop,    s.FFLeft,
            s.FFCoolBarWidth0, s.FFCoolBarBreak1, s.FFCWidth, s.FFVSort};
}

void ApplyGeometry(QWidget& window, const WindowLayout& layout) {
    const QRect wanted = FitOnScreen(QRect(layout.Left, layout.Top, layout.Width, layout.Height));
    window.resize(wanted.size());
    window.move(wanted.topLeft());
}

void CollectGeometry(const QWidget& window, WindowLayout& layout) {
    QRect frame(window.pos(), window.size());
    if (window.isMaximized() || window.isFullScreen() || window.isMinimized()) {
        // The size the window returns to, not the screen's.
        const QPoint frameOffset = window.geometry().topLeft() - window.pos();
        frame = QRect(window.normalGeometry().topLeft() - frameOffset, window.normalGeometry().size());
    }
    layout.Width = frame.width();
    layout.Height = frame.height();
    layout.Top = frame.top();
    layout.Left = frame.left();
}

void ApplyColumnWidths(QHeaderView& header, const WindowLayout& layout) {
    for (std::size_t column = 0; column < layout.columnWidths.size(); ++column)
        header.resizeSection(static_cast<int>(column), std::max(layout.columnWidths[column], 0));
}

void CollectColumnWidths(const QHeaderView& header, WindowLayout& layout) {
    for (std::size_t column = 0; column < layout.columnWidths.size(); ++column)
        layout.columnWidths[column] = header.sectionSize(static_cast<int>(column));
}

MenuBand MakeMenuBand(QWidget* parent, const WindowLayout& layout) {
    MenuBand made;
    made.band = new QWidget(parent);
    QBoxLayout* bandLayout = layout.CoolBarBreak1 ? static_cast<QBoxLayout*>(new QVBoxLayout(made.band))
                                                  : static_cast<QBoxLayout*>(new QHBoxLayout(made.band));
    bandLayout->setContentsMargins(0, 0, 0, 0);
    bandLayout->setSpacing(0);
    made.menuBar = new QMenuBar(made.band);
    made.toolBar = new QToolBar(made.band);
    made.toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    made.toolBar->setIconSize(QSize(20, 20));
    made.toolBar->setMovable(false);
    bandLayout->addWidget(made.menuBar);
    bandLayout->addWidget(made.toolBar, 1);
    made.menuBar->setMinimumWidth(std::max(layout.CoolBarWidth0, 0));
    return made;
}

}  // namespace pelmora::app
