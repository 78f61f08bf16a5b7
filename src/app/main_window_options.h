// SPDX-License-Identifier: MIT
// Helpers of the options and hint commands.
#pragma once

#include <QObject>
#include <string>

#include "app/default_editor.h"

namespace pelmora::app {

// The application-wide switch for tool tips: while off, every tool-tip
// request of every widget is swallowed.
class HintSwitch : public QObject {
public:
    explicit HintSwitch(QObject* parent = nullptr) : QObject(parent) {}
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_enabled = true;
};

// The editor the settings carry by default on the system the settings
// format was made for; it never exists here.
inline constexpr const char* kWindowsDefaultEditor = "NotePad.exe";

}  // namespace pelmora::app
