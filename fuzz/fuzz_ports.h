// SPDX-License-Identifier: MIT
// Ports for the fuzzers that drive whole operations: every question is
// answered "go on", nothing is shown, nobody ever asks to abort.
#pragma once

#include <optional>
#include <string>

#include "ports/progress.h"
#include "ports/prompts.h"

namespace pelmora::fuzz {

class SilentPrompts : public ports::Prompts {
public:
    void information(const std::string&) override {}
    void warning(const std::string&) override {}
    void error(const std::string&) override {}
    bool confirmOkCancel(const std::string&) override { return true; }
    bool confirmYesNo(const std::string&) override { return true; }
    ports::Answer confirmYesCancelYesToAll(const std::string&) override { return ports::Answer::YesToAll; }
    std::optional<std::filesystem::path> chooseSaveFile(const ports::SaveFileRequest&) override {
        return std::nullopt;
    }
};

class SilentProgress : public ports::Progress {
public:
    void setTitle(const std::string&) override {}
    void setFromCaption(const std::string&) override {}
    void setFromPath(const std::string&) override {}
    void setToCaption(const std::string&) override {}
    void setToPath(const std::string&) override {}
    void setCountText(const std::string&) override {}
    void setRange(int, int) override {}
    void setPosition(int position) override { m_position = position; }
    int position() const override { return m_position; }
    void setBarVisible(bool) override {}
    void show() override {}
    void hide() override {}
    void processEvents() override {}
    bool abortRequested() const override { return false; }
    void requestAbort() override {}
    void clearAbort() override {}

private:
    int m_position = 0;
};

}  // namespace pelmora::fuzz
