// SPDX-License-Identifier: MIT
#include "cli/terminal_ports.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "cli/message_table.h"
#include "decode/cp932.h"

namespace pelmora::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) {
    g_interrupted = 1;
}

void printMessage(const char* kind, const std::string& cp932) {
    std::cerr << "pelmora-cli: " << kind << MessageForTerminal(cp932) << '\n';
}

}  // namespace

std::string MessageForTerminal(const std::string& cp932) {
    std::string utf8 = Cp932ToUtf8(cp932);
    std::replace(utf8.begin(), utf8.end(), '\r', '\n');
    return utf8;
}

int TerminalWidth() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return std::min<int>(size.ws_col, kWidestTable);
    if (const char* columns = std::getenv("COLUMNS")) {
        // strtol saturates where atoi's overflow is undefined.
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0)
            return static_cast<int>(std::min<long>(value, kWidestTable));
    }
    return 80;
}

// --- list view ---------------------------------------------------------------

TerminalListView::TerminalListView(std::vector<int> columnKeys, int sortKey)
    : m_columnKeys(std::move(columnKeys)), m_captions(m_columnKeys.size()), m_sortKey(sortKey) {}

void TerminalListView::setRowCount(int rows) {
    rows = std::max(rows, 0);
    for (std::size_t r = static_cast<std::size_t>(rows); r < m_selected.size(); ++r)
        if (m_selected[r]) --m_selectedCount;
    m_selected.resize(static_cast<std::size_t>(rows), false);
}

std::vector<int> TerminalListView::selectedRows() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(m_selectedCount));
    for (std::size_t r = 0; r < m_selected.size(); ++r)
        if (m_selected[r]) rows.push_back(static_cast<int>(r));
    return rows;
}

bool TerminalListView::isSelected(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_selected.size() && m_selected[row];
}

void TerminalListView::setSelected(int row, bool selected) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_selected.size() || m_selected[row] == selected) return;
    m_selected[row] = selected;
    m_selectedCount += selected ? 1 : -1;
}

void TerminalListView::clearSelection() {
    std::fill(m_selected.begin(), m_selected.end(), false);
    m_selectedCount = 0;
}

void TerminalListView::selectAll() {
    std::fill(m_selected.begin(), m_selected.end(), true);
    m_selectedCount = rowCount();
}

// --- status bar --------------------------------------------------------------

void TerminalStatusBar::setPanelText(int panel, const std::string& cp932) {
    m_panels[panel == 0 ? 0 : 1] = cp932;
    if (m_echo == Echo::Stderr && panel != 0 && !cp932.empty())
        std::cerr << MessageForTerminal(cp932) << '\n';
}

// --- prompts -----------------------------------------------------------------

TerminalPrompts::TerminalPrompts(AssumeYes assumeYes) : m_assumeYes(assumeYes == AssumeYes::Yes) {}

void TerminalPrompts::information(const std::string& cp932) {
    printMessage("", cp932);
}

void TerminalPrompts::warning(const std::string& cp932) {
    ++m_problems;
    printMessage("", cp932);
}

void TerminalPrompts::error(const std::string& cp932) {
    ++m_problems;
    printMessage("error: ", cp932);
}

TerminalPrompts::Choice TerminalPrompts::ask(const std::string& cp932, const char* choices, bool allowAll) {
    if (m_assumeYes) return allowAll ? Choice::All : Choice::Yes;
    if (!isatty(STDIN_FILENO)) {
        m_refused = true;
        printMessage("", cp932);
        std::cerr << "pelmora-cli: no terminal to answer on; " << m_refusalText << '\n';
        return Choice::No;
    }
    for (;;) {
        std::cerr << MessageForTerminal(cp932) << ' ' << choices << ' ' << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return Choice::No;
        if (answer == "y" || answer == "Y" || answer == "yes") return Choice::Yes;
        if (answer.empty() || answer == "n" || answer == "N" || answer == "no") return Choice::No;
        if (allowAll && (answer == "a" || answer == "A" || answer == "all")) return Choice::All;
    }
}

bool TerminalPrompts::confirmOkCancel(const std::string& cp932) {
    return ask(cp932, "[y/N]", false) != Choice::No;
}

bool TerminalPrompts::confirmYesNo(const std::string& cp932) {
    return ask(cp932, "[y/N]", false) != Choice::No;
}

ports::Answer TerminalPrompts::confirmYesCancelYesToAll(const std::string& cp932) {
    switch (ask(cp932, "[y]es / [N]o, cancel / [a]ll", true)) {
        case Choice::Yes:
            return ports::Answer::Yes;
        case Choice::All:
            return ports::Answer::YesToAll;
        default:
            return ports::Answer::Cancel;
    }
}

std::optional<std::filesystem::path> TerminalPrompts::chooseSaveFile(const ports::SaveFileRequest&) {
    return m_saveFile;
}

// --- progress ----------------------------------------------------------------

TerminalProgress::TerminalProgress() : m_enabled(isatty(STDERR_FILENO) != 0) {}

TerminalProgress::~TerminalProgress() {
    if (m_visible) hide();
}

void TerminalProgress::setTitle(const std::string& cp932) {
    m_title = Cp932ToUtf8(cp932);
}
void TerminalProgress::setFromCaption(const std::string& cp932) {
    m_fromCaption = Cp932ToUtf8(cp932);
}
void TerminalProgress::setFromPath(const std::string& cp932) {
    if (m_enabled) m_fromPath = Cp932ToUtf8(cp932);
}
void TerminalProgress::setToCaption(const std::string& cp932) {
    m_toCaption = Cp932ToUtf8(cp932);
}
void TerminalProgress::setToPath(const std::string& cp932) {
    if (m_enabled) m_toPath = Cp932ToUtf8(cp932);
}
void TerminalProgress::setCountText(const std::string& cp932) {
    if (m_enabled) m_count = Cp932ToUtf8(cp932);
}
void TerminalProgress::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

void TerminalProgress::show() {
    if (m_visible) return;
    m_visible = true;
    std::signal(SIGINT, onInterrupt);
    redraw(true);
}

void TerminalProgress::hide() {
    if (!m_visible) return;
    m_visible = false;
    std::signal(SIGINT, SIG_DFL);
    if (m_enabled) std::cerr << "\r\x1b[K" << std::flush;
}

void TerminalProgress::processEvents() {
    redraw(false);
}

bool TerminalProgress::abortRequested() const {
    return m_abort || g_interrupted != 0;
}
void TerminalProgress::requestAbort() {
    m_abort = true;
}
void TerminalProgress::clearAbort() {
    m_abort = false;
    g_interrupted = 0;
}

void TerminalProgress::redraw(bool force) {
    if (!m_enabled || !m_visible) return;
    // A few redraws a second are enough to read; more would slow the loop.
    auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    std::string line = m_title;
    if (m_barVisible && m_maximum > m_minimum)
        line +=
            " " + std::to_string(m_position - m_minimum + 1) + "/" + std::to_string(m_maximum - m_minimum);
    if (!m_count.empty()) line += " (" + m_count + ")";
    if (!m_toPath.empty())
        line += " " + m_toCaption + m_toPath;
    else if (!m_fromPath.empty())
        line += " " + m_fromCaption + m_fromPath;
    std::cerr << "\r\x1b[K" << line << std::flush;
}

}  // namespace pelmora::cli
