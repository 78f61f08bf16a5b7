// SPDX-License-Identifier: MIT
// What both windows remember of their layout: geometry, the menu band, the
// widths of the list's columns and its sort key. Each window reads and
// writes its own keys of the settings through one of these, so the two
// windows apply and collect them alike.
#pragma once

#include <span>

#include "settings/settings.h"

class QBoxLayout;
class QHeaderView;
class QMenuBar;
class QToolBar;
class QWidget;

namespace pelmora::app {

struct WindowLayout {
    int& Width;
    int& Height;
    int& Top;
    int& Left;
    int& CoolBarWidth0;
    bool& CoolBarBreak1;
    std::span<int> columnWidths;
    int& sortKey;
};

// Width, Height, ... C0Width ... VSort.
WindowLayout MainWindowLayout(Settings& settings);
// FFWidth, FFHeight, ... FFC0Width ... FFVSort.
WindowLayout SearchWindowLayout(Settings& settings);

// Size and position; a window remembered on a screen that has gone comes
// back on this one.
void ApplyGeometry(QWidget& window, const WindowLayout& layout);
// The size and position the window returns to when it is not maximised.
void CollectGeometry(const QWidget& window, WindowLayout& layout);
void ApplyColumnWidths(QHeaderView& header, const WindowLayout& layout);
void CollectColumnWidths(const QHeaderView& header, WindowLayout& layout);

// The band: the menu bar and, to its right (or below it when the second
// band breaks its row), the icon tool bar.
struct MenuBand {
    QWidget* band = nullptr;
    QMenuBar* menuBar = nullptr;
    QToolBar* toolBar = nullptr;
};
MenuBand MakeMenuBand(QWidget* parent, const WindowLayout& layout);

}  // namespace pelmora::app
