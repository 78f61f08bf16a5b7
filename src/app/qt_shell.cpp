// SPDX-License-Identifier: MIT
#include "app/qt_shell.h"

#include <QByteArray>
#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include "app/qt_ports.h"
#include "app/qtext.h"
#include "platform/trash.h"

namespace pelmora::app {

std::string trashQuestionCp932(std::size_t count) {
    return toCp932(QStringLiteral("%1 個の項目をごみ箱に移動しますか？").arg(count));
}

QtShell::QtShell(QWidget* parent) : m_parent(parent) {}

ui::TrashResult QtShell::moveToTrash(const std::vector<std::filesystem::path>& paths,
                                     ui::TrashConfirmation confirmation) {
    if (confirmation == ui::TrashConfirmation::Ask && !paths.empty()) {
        QtPrompts prompts(m_parent);
        if (!prompts.confirmYesNo(trashQuestionCp932(paths.size()))) {
            ui::TrashResult refused;
            refused.refused = true;
            refused.moved.assign(paths.size(), false);
            return refused;
        }
    }
    return platform::TrashEach(paths);
}

bool QtShell::openWithAssociation(const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fromPath(file)));
}

bool QtShell::startProgram(const std::string& program, const std::filesystem::path& file) {
    // The program and its argument go to the process directly: a file name
    // with blanks, quotes or semicolons stays one argument and is never
    // read by a shell.
    const QString programText =
        QFile::decodeName(QByteArray(program.data(), static_cast<qsizetype>(program.size())));
    if (programText.isEmpty()) return false;
    return QProcess::startDetached(programText, QStringList{fromPath(file)});
}

}  // namespace pelmora::app
