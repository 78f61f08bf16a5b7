// SPDX-License-Identifier: MIT
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pelmora::app {

bool installQtJapaneseTranslation(QCoreApplication& app) {
    // The user interface is Japanese whatever the session's locale is.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void setUpApplication(QCoreApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("Pelmora"));
    // Without it Qt's dialogs stay English; the program still runs.
    installQtJapaneseTranslation(app);
}

}  // namespace pelmora::app
