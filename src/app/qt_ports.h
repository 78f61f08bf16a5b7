// SPDX-License-Identifier: MIT
// The window-system side of the ports the core talks through: message
// boxes and the save dialog, the status bar's panels and the busy cursor.
// Every text arrives as display text and is converted here.
#pragma once

#include <QPointer>
#include <QString>
#include <optional>
#include <vector>

#include "ports/busy_cursor.h"
#include "ports/prompts.h"
#include "ports/status_bar.h"

class QLabel;
class QWidget;

namespace pelmora::app {

class QtPrompts : public ports::Prompts {
public:
    // parent: the window the boxes are modal to (may be null).
    explicit QtPrompts(QWidget* parent);

    void information(const std::string& cp932) override;
    void warning(const std::string& cp932) override;
    void error(const std::string& cp932) override;
    bool confirmOkCancel(const std::string& cp932) override;
    bool confirmYesNo(const std::string& cp932) override;
    bool confirmYesNoTitled(const std::string& titleCp932, const std::string& cp932) override;
    ports::Answer confirmYesCancelYesToAll(const std::string& cp932) override;
    std::optional<std::filesystem::path> chooseSaveFile(const ports::SaveFileRequest& request) override;

private:
    bool confirmOverwrite(const QString& path);

    QPointer<QWidget> m_parent;
};

// Panels are the labels of the status bar, left to right; a panel number
// without a label is ignored.
class QtStatusBar : public ports::StatusBar {
public:
    explicit QtStatusBar(std::vector<QLabel*> panels) : m_panels(std::move(panels)) {}
    void setPanelText(int panel, const std::string& cp932) override;

private:
    std::vector<QLabel*> m_panels;
};

class QtBusyCursor : public ports::BusyCursor {
public:
    void push() override;
    void pop() override;
};

// The caption of every message box and file dialog the program shows.
QString programCaption();

// The filter line a Qt file dialog understands, e.g. "CSVファイル (*.csv)".
// "*.*" becomes "*": on Linux a file name need not have a dot.
QString nameFilter(const ports::FileFilter& filter);

}  // namespace pelmora::app
