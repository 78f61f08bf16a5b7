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

    QLabel* Label1() const { return m_label1; }  // title line
    QLabel* Label2() const { return m_label2; }  // label before the path line
    QLabel* Label3() const { return m_label3; }  // path line
    QLabel* Label4() const { return m_label4; }  // label of the second line
    QLabel* Label5() const { return m_label5; }  // second path line
    QLabel* Label6() const { return m_label6; }  // count line
    QProgressBar* PB1() const { return m_bar; }
    QPushButton* Button1() const { return m_button; }  // 中断

    // The dialog has no way to close itself: only its caller hides it.
    // Escape and the window manager's close request are ignored.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_label1;
    QLabel* m_label2;
    QLabel* m_label3;
    QLabel* m_label4;
    QLabel* m_label5;
    QLabel* m_label6;
    QProgressBar* m_bar;
    QPushButton* m_button;
};

// A path shortened in the middle to fit the given width in the label's font.
QString elidePath(const QLabel& label, const QString& path, int width = kProgressPathWidth);

class QtProgress : public ports::Progress {
public:
    explicit QtProgress(ProgressDialog& dialog) : m_dialog(dialog) {}

    void setTitle(const std::string& cp932) override;
    void setLabel1(const std::string& cp932) override;
    void setPath1(const std::string& cp932) override;
    void setLabel2(const std::string& cp932) override;
    void setPath2(const std::string& cp932) override;
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
