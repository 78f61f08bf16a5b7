// SPDX-License-Identifier: MIT
// The status bar, one of the small interfaces through which the core talks to a
// window, a terminal or a test.
// Texts handed across are display text (code page 932 bytes); the front end
// converts them at its own edge.
#pragma once

#include <string>

namespace pelmora::ports {

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void setPanelText(int panel, const std::string& cp932) = 0;
};

}  // namespace pelmora::ports
