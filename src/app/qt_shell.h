// SPDX-License-Identifier: MIT
// The desktop services behind the shell port: the freedesktop trash, the
// program associated with a file type, and starting the editor.
#pragma once

#include <QPointer>

#include "ui/ports.h"

class QWidget;

namespace pelmora::app {

class QtShell : public ui::Shell {
public:
    // parent: the window the confirmation question is modal to.
    explicit QtShell(QWidget* parent);

    ui::TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                ui::TrashConfirmation confirmation) override;
    bool openWithAssociation(const std::filesystem::path& file) override;
    bool startProgram(const std::string& program, const std::filesystem::path& file) override;

private:
    QPointer<QWidget> m_parent;
};

// The question asked before files go to the trash, as display text.
std::string trashQuestionCp932(std::size_t count);

}  // namespace pelmora::app
