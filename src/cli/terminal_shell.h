// SPDX-License-Identifier: MIT
// The shell services for pelmora-cli: the freedesktop.org Trash, xdg-open,
// and programs started without a shell. The trash confirmation is asked
// through the terminal's prompts.
#pragma once

#include "platform/file_io.h"
#include "ui/file_system.h"
#include "ui/ports.h"

namespace pelmora::cli {

class TerminalShell : public ui::Shell {
public:
    explicit TerminalShell(ui::Prompts& prompts, ui::FileSystem& files = platform::SystemFileSystem())
        : m_prompts(prompts), m_files(files) {}

    bool confirmTrash(std::size_t count) override;
    ui::TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                ui::TrashConfirmation confirmation,
                                const std::vector<ui::FileIdentity>& asRead) override;
    bool openWithAssociation(const std::filesystem::path& file) override;
    bool openUrl(const std::string& url) override;
    bool startProgram(const std::string& program, const std::filesystem::path& file) override;

private:
    ui::Prompts& m_prompts;
    ui::FileSystem& m_files;
};

}  // namespace pelmora::cli
