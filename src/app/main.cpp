// SPDX-License-Identifier: MIT
// pelmora [FOLDER]: the desktop program. Only one runs per user; a second
// start brings the running window to the front, has it open the folder it
// was given, and ends.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "app/main_window_ports.h"
#include "app/qt_translations.h"
#include "app/qtext.h"
#include "app/single_instance.h"
#include "pelmora/version.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

constexpr const char* kHelp =
    "Usage: pelmora [FOLDER]\n"
    "Lists the message files (*.eml, *.nws) of FOLDER, or of the folder shown last time,\n"
    "in a window. One window runs per user: a second start brings it to the front\n"
    "and has it open FOLDER when one is given.\n"
    "\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "A folder named like one of these is given as ./--help. pelmora-cli does the same\n"
    "work in a terminal. See pelmora(1) and pelmora-cli(1).\n";

// The two words a terminal user expects, answered without a display; any
// other argument is the window's to judge (a folder, or its message box).
int answerOnTerminal(int argc, char** argv) {
    if (argc != 2) return -1;
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("pelmora %s\n", PELMORA_VERSION_STRING);
        return 0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pelmora;
    if (int status = answerOnTerminal(argc, argv); status >= 0) return status;
    QApplication application(argc, argv);
    app::setUpApplication(application);
    // Wayland compositors match the window to the desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(PELMORA_APP_ID));

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    app::SingleInstance instance;
    // A second start with one folder ("Open with" on a folder) has the
    // running window open it; otherwise it only brings that window up.
    if (instance.forwardToRunningInstance(arguments)) return 0;
    instance.listen();

    const std::filesystem::path settingsFile =
        LocateAndMigrate(app::toPath(QCoreApplication::applicationFilePath()));
    auto ports = app::makeDesktopPortFactory();
    app::MainWindow window(*ports, settingsFile, arguments);
    window.acceptSecondStarts(instance);
    window.show();
    return QApplication::exec();
}
