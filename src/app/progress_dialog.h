// SPDX-License-Identifier: MIT
// TForm3, the progress dialog of the long loops (folder load, search,
// attachment removal), and the progress port over it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "ports/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pelmora::app {

// The process-wide abort flag. 中断 sets it; each long loop clears it at
// its start and tests it between items.
bool isAbortRequested();
void setAbortRequested(bool requested);

// The width, in pixels, to which the path lines are shortened.
inline constexpr int kProgressPathWidth = 330;

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // The controls by role; the comments give their object names.
    QLabel* titleLine() const { return m_titleLine; }           // Label1
    QLabel* fromCaption() const { return m_fromCaption; }       // Label2, before the path line
    QLabel* fromPath() const { return m_fromPath; }             // Label3
    QLabel* toCaption() const { return m_toCaption; }           // Label4, before the second path line
    QLabel* toPath() const { return m_toPath; }                 // Label5
    QLabel* countLine() const { return m_countLine; }           // Label6
    QProgressBar* bar() const { return m_bar; }                 // PB1
    QPushButton* abortButton() const { return m_abortButton; }  // Button1 中断

    // The dialog has no way to close itself: only its caller hides it.
    // Escape and the window manager's close request are ignored.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_titleLine;
    QLabel* m_fromCaption;
    QLabel* m_fromPath;
    QLabel* m_toCaption;
    QLabel* m_toPath;
    QLabel* m_countLine;
    QProgressBar* m_bar;
    QPushButton* m_abortButton;
};

// A path shortened in the middle to fit the given width in the label's font.
QString elidePath(const QLabel& label, const QString& path, int width = kProgressPathWidth);

class QtProgress : public ports::Progress {
public:
    explicit QtProgress(ProgressDialog& dialog) : m_dialog(dialog) {}

    void setTitle(const std::string& cp932) override;
    void setFromCaption(const std::string& cp932) override;
    void setFromPath(const std::string& cp932) override;
    void setToCaption(const std::string& cp932) override;
    void setToPath(const std::string& cp932) override;
    void setCountText(const std::string& cp932) override;
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    int position() const override;
    void setBarVisible(bool visible) override;
    void show() override;
    void hide() override;
    void processEvents() override;

    bool abortRequested() const override { return isAbortRequested(); }
    void requestAbort() override { setAbortRequested(true); }
    void clearAbort() override { setAbortRequested(false); }

private:
    void showPosition();

    ProgressDialog& m_dialog;
    // The position the work reports; the bar shows it when events run. A
    // bar moved, and events run, for each of 100,000 messages cost a third
    // of a second, for nothing the eye could follow.
    int m_position = 0;
    QElapsedTimer m_sinceEvents;  // invalid until events first ran
};

}  // namespace pelmora::app
