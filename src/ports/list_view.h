// SPDX-License-Identifier: MIT
// The list view, one of the small interfaces through which the core talks to a
// window, a terminal or a test.
// Column captions handed across are display text (code page 932 bytes); the
// front end converts them at its own edge.
#pragma once

#include <string>
#include <vector>

namespace pelmora::ports {

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

}  // namespace pelmora::ports
