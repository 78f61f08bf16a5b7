// SPDX-License-Identifier: MIT
// The small interfaces through which the core talks to a window, a terminal
// or a test. Every text handed across them is display text (code page 932
// bytes); the front end converts it at its own edge. Line breaks inside a
// message are single CR bytes, as the core composes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/error.h"
#include "ui/file_system.h"

namespace pelmora::ui {

// A report-style list in virtual mode: it holds a row count and a selection,
// never texts. Row i shows entry i of the list it was handed with.
class ListView {
public:
    virtual ~ListView() = default;

    virtual int rowCount() const = 0;
    virtual void setRowCount(int rows) = 0;

    // Selected rows in ascending order.
    virtual std::vector<int> selectedRows() const = 0;
    virtual int selectedCount() const = 0;
    virtual bool isSelected(int row) const = 0;
    virtual void setSelected(int row, bool selected) = 0;
    virtual void clearSelection() = 0;
    virtual void selectAll() = 0;
    virtual void setFocusRow(int row) = 0;  // -1 removes the focus state
    virtual void scrollIntoView(int row) = 0;

    // Redrawing is suspended between these calls; they nest.
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;

    // Columns, left to right, each with its sort key.
    virtual int columnCount() const = 0;
    virtual int columnKey(int column) const = 0;
    virtual void setColumnCaption(int column, const std::string& cp932) = 0;

    // The signed sort key kept with the view (negative: descending).
    virtual int sortKey() const = 0;
    virtual void setSortKey(int key) = 0;

    virtual void redrawRow(int row) = 0;
    virtual void takeFocus() = 0;
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void setPanelText(int panel, const std::string& cp932) = 0;
};

enum class Answer { Ok, Cancel, Yes, No, YesToAll };

struct FileFilter {
    std::string captionCp932;  // "CSVファイル"
    std::string pattern;       // "*.csv"
};

struct SaveFileRequest {
    std::string titleCp932;
    std::filesystem::path initialFolder;
    std::string fileName;  // native bytes, the preset name
    std::vector<FileFilter> filters;
    std::string defaultSuffix;  // "csv"
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void information(const std::string& cp932) = 0;
    virtual void warning(const std::string& cp932) = 0;
    // The general error handler: an unexpected failure that ended a command.
    virtual void error(const std::string& cp932) = 0;
    virtual bool confirmOkCancel(const std::string& cp932) = 0;
    virtual bool confirmYesNo(const std::string& cp932) = 0;
    // The same question under a title of its own instead of the program's
    // name; a front end without titles asks it plainly.
    virtual bool confirmYesNoTitled(const std::string& titleCp932, const std::string& cp932) {
        (void)titleCp932;
        return confirmYesNo(cp932);
    }
    // Yes, Cancel or YesToAll; closing the box counts as Cancel.
    virtual Answer confirmYesCancelYesToAll(const std::string& cp932) = 0;
    // The save dialog; nullopt when the user cancels.
    virtual std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) = 0;
};

// The progress dialog. It also carries the process-wide abort flag that its
// 中断 button sets; long loops clear it at their start and test it between items.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void setTitle(const std::string& cp932) = 0;
    virtual void setLabel1(const std::string& cp932) = 0;
    virtual void setPath1(const std::string& cp932) = 0;  // the front end shortens it to fit
    virtual void setLabel2(const std::string& cp932) = 0;
    virtual void setPath2(const std::string& cp932) = 0;
    virtual void setCountText(const std::string& cp932) = 0;
    virtual void setRange(int minimum, int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
    virtual void setBarVisible(bool visible) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Let pending window events run so the window stays responsive.
    virtual void processEvents() = 0;

    virtual bool abortRequested() const = 0;
    virtual void requestAbort() = 0;
    virtual void clearAbort() = 0;
};

// Every text of the progress dialog, set together when a task starts so
// that nothing of the task before shows through.
struct ProgressTexts {
    std::string title{};
    std::string label1{};
    std::string path1{};
    std::string label2{};
    std::string path2{};
    std::string countText{};
};

inline void SetProgressTexts(Progress& progress, const ProgressTexts& texts) {
    progress.setTitle(texts.title);
    progress.setLabel1(texts.label1);
    progress.setPath1(texts.path1);
    progress.setLabel2(texts.label2);
    progress.setPath2(texts.path2);
    progress.setCountText(texts.countText);
}

// The bar from 0 to maximum, at 0.
inline void ResetProgressBar(Progress& progress, int maximum) {
    progress.setRange(0, maximum);
    progress.setPosition(0);
}

enum class TrashConfirmation { Ask, DoNotAsk };

struct TrashResult {
    // True when the user declined the confirmation question: nothing moved.
    bool refused = false;
    // One flag per path handed in, in the same order: the file reached the trash.
    std::vector<bool> moved;
    // One error per failed path, for a single report.
    std::vector<Error> failures;
    // Where each moved file now lies, in the order of the paths (empty where
    // unknown or not moved); lets a caller put a file back if a later step fails.
    std::vector<std::filesystem::path> locations;

    bool allMoved() const {
        if (refused) return false;
        for (bool m : moved)
            if (!m) return false;
        return true;
    }
};

class Shell {
public:
    virtual ~Shell() = default;
    // The shell's own question before count files go to the trash; true to
    // go ahead. A caller that asked it hands the files over without asking.
    virtual bool confirmTrash(std::size_t count) = 0;
    // Moves the files to the desktop's trash one by one. Where asRead holds
    // a known identity for a path (it may be shorter, or empty), that file
    // goes only while it is still the file that was read; one that changed
    // stays where it is and fails with an error of kind Changed.
    virtual TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                    TrashConfirmation confirmation,
                                    const std::vector<FileIdentity>& asRead) = 0;
    virtual bool openWithAssociation(const std::filesystem::path& file) = 0;
    // Opens a link of a message (http, https, mailto...) in the desktop's
    // program for it; false when none took it.
    virtual bool openUrl(const std::string& url) = 0;
    // Starts program with file as its only argument; no shell is involved.
    virtual bool startProgram(const std::string& program, const std::filesystem::path& file) = 0;
};

// Shows the busy cursor for its lifetime and restores the previous one.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void push() = 0;
    virtual void pop() = 0;
};

class BusyScope {
public:
    explicit BusyScope(BusyCursor& cursor) : m_cursor(cursor) { m_cursor.push(); }
    ~BusyScope() { m_cursor.pop(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyCursor& m_cursor;
};

// Suspends a view's redrawing for its lifetime, also when a step fails.
class UpdateScope {
public:
    explicit UpdateScope(ListView& view) : m_view(view) { m_view.beginUpdate(); }
    ~UpdateScope() { m_view.endUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    ListView& m_view;
};

}  // namespace pelmora::ui
