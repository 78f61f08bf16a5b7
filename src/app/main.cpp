// SPDX-License-Identifier: MIT
// pelmora [FOLDER]: the desktop program. Only one runs per user; a second
// start brings the running window to the front and ends.
#include <QApplication>

#include "app/main_window.h"
#include "app/main_window_ports.h"
#include "app/qt_translations.h"
#include "app/qtext.h"
#include "app/single_instance.h"
#include "settings/settings.h"

int main(int argc, char** argv) {
    using namespace pelmora;
    QApplication application(argc, argv);
    app::setUpApplication(application);

    app::SingleInstance instance;
    // Whatever the second command line says, it is not passed on.
    if (instance.forwardToRunningInstance()) return 0;
    instance.listen();

    const std::filesystem::path settingsFile = LocateAndMigrate(app::toPath(QCoreApplication::applicationFilePath()));
    auto ports = app::makeDesktopPortFactory();
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    app::MainWindow window(*ports, settingsFile, arguments);
    QObject::connect(&instance, &app::SingleInstance::activationRequested, &window, &app::MainWindow::bringToFront);
    window.show();
    return QApplication::exec();
}
