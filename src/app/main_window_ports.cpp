// SPDX-License-Identifier: MIT
#include "app/main_window_ports.h"

#include <QFileDialog>

#include "app/progress_dialog.h"
#include "app/qt_ports.h"
#include "app/qt_shell.h"
#include "app/qtext.h"

namespace pelmora::app {

namespace {

class DesktopPortFactory final : public PortFactory {
public:
    std::unique_ptr<ports::Prompts> makePrompts(QWidget* owner) override {
        return std::make_unique<QtPrompts>(owner);
    }
    std::unique_ptr<ports::Progress> makeProgress(QWidget* owner) override {
        // TForm3 is made once, as a child of the window, and lives as long
        // as the window; the port only drives it.
        return std::make_unique<QtProgress>(*new ProgressDialog(owner));
    }
    std::unique_ptr<ports::Shell> makeShell(QWidget* owner) override {
        return std::make_unique<QtShell>(owner);
    }
    std::unique_ptr<ports::BusyCursor> makeBusyCursor() override { return std::make_unique<QtBusyCursor>(); }
    std::optional<std::filesystem::path> chooseFolder(QWidget* owner, const QString& prompt,
                                                      const std::filesystem::path& start) override {
        const QString chosen = QFileDialog::getExistingDirectory(owner, prompt, fromPath(start));
        if (chosen.isEmpty()) return std::nullopt;
        return toPath(chosen);
    }
};

}  // namespace

std::unique_ptr<PortFactory> makeDesktopPortFactory() {
    return std::make_unique<DesktopPortFactory>();
}

}  // namespace pelmora::app
