// SPDX-License-Identifier: MIT
#include "cli/terminal_shell.h"

#include "operations/recycle.h"
#include "platform/spawn.h"
#include "platform/trash.h"

namespace pelmora::cli {

bool TerminalShell::confirmTrash(std::size_t count) {
    return m_prompts.confirmYesNo(TrashQuestion(count));
}

ports::TrashResult TerminalShell::moveToTrash(const std::vector<std::filesystem::path>& paths,
                                              ports::TrashConfirmation confirmation,
                                              const std::vector<ports::FileIdentity>& asRead) {
    if (paths.empty()) return {};
    if (confirmation == ports::TrashConfirmation::Ask && !confirmTrash(paths.size())) {
        ports::TrashResult refused;
        refused.refused = true;
        refused.moved.assign(paths.size(), false);
        refused.locations.assign(paths.size(), std::filesystem::path());
        return refused;
    }
    return platform::TrashEach(paths, asRead, m_files);
}

bool TerminalShell::openWithAssociation(const std::filesystem::path& file) {
    return platform::OpenWithDefaultApplication(file);
}

bool TerminalShell::openUrl(const std::string& url) {
    return platform::OpenWithDefaultApplication(std::filesystem::path(url));
}

bool TerminalShell::startProgram(const std::string& program, const std::filesystem::path& file) {
    return platform::StartDetached(program, file);
}

}  // namespace pelmora::cli
