// SPDX-License-Identifier: MIT
// The ports for pelmora-cli. A terminal list view is an in-memory selection;
// prompts are answered by --yes, by asking on the terminal, or refused when
// nobody can answer; progress is one updating line on stderr when stderr is
// a terminal. Texts reach stderr as UTF-8, CR line breaks as new lines.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "catalogue/ordering.h"
#include "ports/busy_cursor.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/status_bar.h"

namespace pelmora::cli {

// The main window's columns, left to right, and its default sort key.
inline const std::vector<int> kMainColumnKeys = {KeySender, KeyRecipients, KeySubject,
                                                 KeySent,   KeyReceived,   KeySize};

class TerminalListView : public ports::ListView {
public:
    explicit TerminalListView(std::vector<int> columnKeys = kMainColumnKeys, int sortKey = KeyReceived);

    int rowCount() const override { return static_cast<int>(m_selected.size()); }
    void setRowCount(int rows) override;
    std::vector<int> selectedRows() const override;
    int selectedCount() const override { return m_selectedCount; }
    bool isSelected(int row) const override;
    void setSelected(int row, bool selected) override;
    void clearSelection() override;
    void selectAll() override;
    void setFocusRow(int row) override { m_focusRow = row; }
    void scrollIntoView(int) override {}
    void beginUpdate() override {}
    void endUpdate() override {}
    int columnCount() const override { return static_cast<int>(m_columnKeys.size()); }
    int columnKey(int column) const override { return m_columnKeys.at(column); }
    void setColumnCaption(int column, const std::string& cp932) override { m_captions.at(column) = cp932; }
    int sortKey() const override { return m_sortKey; }
    void setSortKey(int key) override { m_sortKey = key; }
    void redrawRow(int) override {}
    void takeFocus() override {}

    const std::vector<std::string>& captions() const { return m_captions; }
    int focusRow() const { return m_focusRow; }

private:
    std::vector<int> m_columnKeys;
    std::vector<std::string> m_captions;
    std::vector<bool> m_selected;
    int m_selectedCount = 0;
    int m_sortKey;
    int m_focusRow = -1;
};

class TerminalStatusBar : public ports::StatusBar {
public:
    enum class Echo { Discard, Stderr };
    // With Stderr, texts of panel 1 (the results of operations) are printed.
    explicit TerminalStatusBar(Echo echo = Echo::Discard) : m_echo(echo) {}
    void setPanelText(int panel, const std::string& cp932) override;
    const std::string& panelText(int panel) const { return m_panels[panel == 0 ? 0 : 1]; }

private:
    Echo m_echo;
    std::string m_panels[2];
};

enum class AssumeYes { No, Yes };

class TerminalPrompts : public ports::Prompts {
public:
    explicit TerminalPrompts(AssumeYes assumeYes = AssumeYes::No);

    void information(const std::string& cp932) override;
    void warning(const std::string& cp932) override;
    void error(const std::string& cp932) override;
    bool confirmOkCancel(const std::string& cp932) override;
    bool confirmYesNo(const std::string& cp932) override;
    ports::Answer confirmYesCancelYesToAll(const std::string& cp932) override;
    // A terminal has no save dialog: the command hands over its -o path.
    std::optional<std::filesystem::path> chooseSaveFile(const ports::SaveFileRequest& request) override;
    void setSaveFile(std::filesystem::path path) { m_saveFile = std::move(path); }

    // A question was refused because stdin is not a terminal and --yes was not given.
    bool refusedAny() const { return m_refused; }
    // What the refusal says after "no terminal to answer on; " (UTF-8); by
    // default that nothing was done and that --yes answers the question.
    void setRefusalText(std::string utf8) { m_refusalText = std::move(utf8); }
    // Message boxes shown so far (warnings and errors), for exit statuses.
    int problemsShown() const { return m_problems; }

private:
    enum class Choice { Yes, No, All };
    Choice ask(const std::string& cp932, const char* choices, bool allowAll);

    bool m_assumeYes;
    bool m_refused = false;
    std::string m_refusalText = "not done (use --yes)";
    int m_problems = 0;
    std::optional<std::filesystem::path> m_saveFile;
};

class TerminalProgress : public ports::Progress {
public:
    TerminalProgress();
    ~TerminalProgress() override;

    void setTitle(const std::string& cp932) override;
    void setFromCaption(const std::string& cp932) override;
    void setFromPath(const std::string& cp932) override;
    void setToCaption(const std::string& cp932) override;
    void setToPath(const std::string& cp932) override;
    void setCountText(const std::string& cp932) override;
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override { m_position = position; }
    int position() const override { return m_position; }
    void setBarVisible(bool visible) override { m_barVisible = visible; }
    void show() override;
    void hide() override;
    void processEvents() override;
    // Ctrl+C while the line is shown sets the abort flag instead of killing
    // the program, so a long loop stops between two items.
    bool abortRequested() const override;
    void requestAbort() override;
    void clearAbort() override;

private:
    void redraw(bool force);

    bool m_enabled;  // stderr is a terminal
    bool m_visible = false;
    bool m_barVisible = true;
    bool m_abort = false;
    int m_minimum = 0, m_maximum = 0, m_position = 0;
    std::string m_title, m_fromCaption, m_fromPath, m_toCaption, m_toPath, m_count;  // UTF-8
    std::chrono::steady_clock::time_point m_lastDraw{};
};

class TerminalBusyCursor : public ports::BusyCursor {
public:
    void push() override {}
    void pop() override {}
};

// Display text for the terminal: UTF-8, with the CR line breaks of message
// boxes as new lines.
std::string MessageForTerminal(const std::string& cp932);
// Columns of the terminal (TIOCGWINSZ on stdout, then $COLUMNS, then 80),
// at most kWidestTable.
int TerminalWidth();

}  // namespace pelmora::cli
