// SPDX-License-Identifier: MIT
// The progress dialog, one of the small interfaces through which the core
// talks to a window, a terminal or a test.
// Texts handed across are display text (code page 932 bytes); the front end
// converts them at its own edge.
#pragma once

#include <string>

namespace pelmora::ports {

// The progress dialog. It also carries the process-wide abort flag that its
// 中断 button sets; long loops clear it at their start and test it between items.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void setTitle(const std::string& cp932) = 0;
    virtual void setFromCaption(const std::string& cp932) = 0;
    virtual void setFromPath(const std::string& cp932) = 0;  // the front end shortens it to fit
    virtual void setToCaption(const std::string& cp932) = 0;
    virtual void setToPath(const std::string& cp932) = 0;
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
    std::string fromCaption{};
    std::string fromPath{};
    std::string toCaption{};
    std::string toPath{};
    std::string countText{};
};

inline void SetProgressTexts(Progress& progress, const ProgressTexts& texts) {
    progress.setTitle(texts.title);
    progress.setFromCaption(texts.fromCaption);
    progress.setFromPath(texts.fromPath);
    progress.setToCaption(texts.toCaption);
    progress.setToPath(texts.toPath);
    progress.setCountText(texts.countText);
}

// The bar from 0 to maximum, at 0.
inline void ResetProgressBar(Progress& progress, int maximum) {
    progress.setRange(0, maximum);
    progress.setPosition(0);
}

// A new task of maximum steps on the dialog: the bar at 0, every text set,
// and an abort asked for during the task before forgotten. Showing the
// dialog is the caller's, which knows whether the task is long enough.
inline void StartProgress(Progress& progress, int maximum, const ProgressTexts& texts) {
    ResetProgressBar(progress, maximum);
    SetProgressTexts(progress, texts);
    progress.clearAbort();
}

}  // namespace pelmora::ports
