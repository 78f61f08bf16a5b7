// SPDX-License-Identifier: MIT
// The shell services for pelmora-cli: the freedesktop.org Trash, xdg-open,
// and programs started without a shell. The trash confirmation is asked
// through the terminal's prompts.
#pragma once

#include "platform/file_io.h"
#include "ports/file_system.h"
#include "ports/prompts.h"
#include "ports/shell.h"

namespace pelmora::cli {

class TerminalShell : public ports::Shell {
public:
    explicit TerminalShell(ports::Prompts& prompts, ports::FileSystem& files = platform::SystemFileSystem())
        : m_prompts(prompts), m_files(files) {}

    bool confirmTrash(std::size_t count) override;
    ports::TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                   ports::TrashConfirmation confirmation,
                                   const std::vector<ports::FileIdentity>& asRead) override;
    bool openWithAssociation(const std::filesystem::path& file) override;
    bool openUrl(const std::string& url) override;
    bool startProgram(const std::string& program, const std::filesystem::path& file) override;

private:
    ports::Prompts& m_prompts;
    ports::FileSystem& m_files;
};

}  // namespace pelmora::cli
