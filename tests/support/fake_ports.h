// SPDX-License-Identifier: MIT
// Fakes of the ports that record each call and return scripted answers.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ports/busy_cursor.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/status_bar.h"

namespace pelmora::test {

class FakeListView : public ports::ListView {
public:
    explicit FakeListView(std::vector<int> keys = {1, 6, 2, 7, 3, 4}, int sortKey = 3)
        : columnKeys(std::move(keys)), captions(columnKeys.size()), key(sortKey) {}

    int rowCount() const override { return rows; }
    void setRowCount(int n) override {
        rows = n;
        std::erase_if(selection, [n](int r) { return r >= n; });
    }
    std::vector<int> selectedRows() const override { return {selection.begin(), selection.end()}; }
    int selectedCount() const override { return static_cast<int>(selection.size()); }
    bool isSelected(int row) const override { return selection.count(row) != 0; }
    void setSelected(int row, bool selected) override {
        if (selected)
            selection.insert(row);
        else
            selection.erase(row);
    }
    void clearSelection() override { selection.clear(); }
    void selectAll() override {
        for (int r = 0; r < rows; ++r) selection.insert(r);
    }
    void setFocusRow(int row) override { focus = row; }
    void scrollIntoView(int row) override { scrolledTo.push_back(row); }
    void beginUpdate() override {
        ++updateDepth;
        ++updateCalls;
    }
    void endUpdate() override { --updateDepth; }
    int columnCount() const override { return static_cast<int>(columnKeys.size()); }
    int columnKey(int column) const override { return columnKeys.at(column); }
    void setColumnCaption(int column, const std::string& cp932) override { captions.at(column) = cp932; }
    int sortKey() const override { return key; }
    void setSortKey(int k) override { key = k; }
    void redrawRow(int row) override { redrawn.push_back(row); }
    void takeFocus() override { ++focusTaken; }

    std::vector<int> columnKeys;
    std::vector<std::string> captions;
    int key;
    int rows = 0;
    std::set<int> selection;
    int focus = -1;
    std::vector<int> scrolledTo;
    std::vector<int> redrawn;
    int updateDepth = 0;
    int updateCalls = 0;
    int focusTaken = 0;
};

class FakeStatusBar : public ports::StatusBar {
public:
    void setPanelText(int panel, const std::string& cp932) override { panels[panel] = cp932; }
    std::map<int, std::string> panels;
};

class FakePrompts : public ports::Prompts {
public:
    void information(const std::string& t) override { shown.push_back("info:" + t); }
    void warning(const std::string& t) override { shown.push_back("warning:" + t); }
    void error(const std::string& t) override { shown.push_back("error:" + t); }
    bool confirmOkCancel(const std::string& t) override {
        shown.push_back("okcancel:" + t);
        return next(ports::Answer::Ok) == ports::Answer::Ok;
    }
    bool confirmYesNo(const std::string& t) override {
        shown.push_back("yesno:" + t);
        return next(ports::Answer::Yes) == ports::Answer::Yes;
    }
    bool confirmYesNoTitled(const std::string& title, const std::string& t) override {
        titles.push_back(title);
        return confirmYesNo(t);
    }
    ports::Answer confirmYesCancelYesToAll(const std::string& t) override {
        shown.push_back("yescancelall:" + t);
        return next(ports::Answer::Yes);
    }
    std::optional<std::filesystem::path> chooseSaveFile(const ports::SaveFileRequest& r) override {
        saveRequests.push_back(r);
        return saveAnswer;
    }

    // Answers handed out in order; when they run out, the default of each box.
    std::deque<ports::Answer> answers;
    std::vector<std::string> shown;
    std::vector<std::string> titles;  // of the questions asked under their own title
    std::vector<ports::SaveFileRequest> saveRequests;
    std::optional<std::filesystem::path> saveAnswer;

private:
    ports::Answer next(ports::Answer fallback) {
        if (answers.empty()) return fallback;
        ports::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

class FakeProgress : public ports::Progress {
public:
    void setTitle(const std::string& t) override { title = t; }
    void setFromCaption(const std::string& t) override { fromCaption = t; }
    void setFromPath(const std::string& t) override { fromPath = t; }
    void setToCaption(const std::string& t) override { toCaption = t; }
    void setToPath(const std::string& t) override { toPath = t; }
    void setCountText(const std::string& t) override { countText = t; }
    void setRange(int lo, int hi) override {
        minimum = lo;
        maximum = hi;
    }
    void setPosition(int p) override { pos = p; }
    int position() const override { return pos; }
    void setBarVisible(bool v) override { barVisible = v; }
    void show() override {
        visible = true;
        ++shows;
    }
    void hide() override { visible = false; }
    void processEvents() override {
        ++events;
        if (abortAfterEvents >= 0 && events >= abortAfterEvents) aborted = true;
        if (duringEvents) duringEvents();
    }
    bool abortRequested() const override { return aborted; }
    void requestAbort() override { aborted = true; }
    void clearAbort() override { aborted = false; }

    std::string title, fromCaption, fromPath, toCaption, toPath, countText;
    int minimum = 0, maximum = 0, pos = 0;
    bool barVisible = true, visible = false, aborted = false;
    int shows = 0, events = 0;
    int abortAfterEvents = -1;           // set the abort flag when this many events have run
    std::function<void()> duringEvents;  // what the user does while a loop lets events run
};

class FakeBusyCursor : public ports::BusyCursor {
public:
    void push() override {
        ++depth;
        ++pushes;
    }
    void pop() override { --depth; }
    int depth = 0, pushes = 0;
};

}  // namespace pelmora::test
