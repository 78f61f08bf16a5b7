// SPDX-License-Identifier: MIT
#include "app/default_editor.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace pelmora::app {

namespace {

// Desktop text editors in the order they are looked for: those of the
// big desktops first, then the light ones.
constexpr const char* kDesktopEditors[] = {"gnome-text-editor", "gedit", "kate",  "kwrite",
                                           "mousepad",          "xed",   "pluma", "featherpad",
                                           "leafpad",           "geany"};

// Editors that need a terminal: started from a window they would show
// nothing, so $VISUAL or $EDITOR naming one of them is passed over.
constexpr const char* kTerminalEditors[] = {
    "vi", "vim",   "vim.basic", "vim.tiny",        "nvim",  "nano", "pico",  "ed",
    "ex", "joe",   "jed",       "mcedit",          "micro", "ne",   "mg",    "kak",
    "hx", "helix", "editor",    "sensible-editor", "zile",  "jove", "elvis", "nvi"};

bool isTerminalEditor(const QString& name) {
    for (const char* editor : kTerminalEditors)
        if (name == QLatin1String(editor)) return true;
    return false;
}

// The installed program a name stands for, or empty.
QString installed(const QString& program) {
    if (program.isEmpty()) return {};
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? program : QString();
    }
    return QStandardPaths::findExecutable(program).isEmpty() ? QString() : program;
}

// $VISUAL or $EDITOR when it names one installed program that opens a window.
QString editorFromEnvironment(const char* variable) {
    const QString value = qEnvironmentVariable(variable).trimmed();
    // A value with arguments ("emacs -nw", "code --wait") is a command line
    // for a shell; the edit command starts one program with one argument.
    if (value.isEmpty() || value.contains(QLatin1Char(' '))) return {};
    if (isTerminalEditor(QFileInfo(value).fileName())) return {};
    return installed(value);
}

// The desktop's default application for plain text, through xdg-mime.
QString editorOfDesktop() {
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    const QString entry = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (entry.isEmpty() || entry.contains(QLatin1Char('/'))) return {};
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile desktop(file);
    if (file.isEmpty() || !desktop.open(QIODevice::ReadOnly)) return {};
    // A desktop entry is a few lines; anything longer is not one.
    return installed(DesktopEntryProgram(QString::fromUtf8(desktop.read(64 * 1024))));
}

}  // namespace

QString DesktopEntryProgram(const QString& desktopFileText) {
    bool inEntry = false;
    QString exec;
    for (const QString& rawLine : desktopFileText.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if ((key == QStringLiteral("Terminal") || key == QStringLiteral("Hidden")) &&
            value == QStringLiteral("true"))
            return {};
        if (key == QStringLiteral("Exec")) exec = value;
    }
    // The first word of the Exec line, which may be double-quoted.
    if (exec.startsWith(QLatin1Char('"'))) {
        const qsizetype end = exec.indexOf(QLatin1Char('"'), 1);
        return end < 0 ? QString() : exec.mid(1, end - 1);
    }
    return exec.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

std::string PlatformDefaultEditor() {
    QString editor = editorFromEnvironment("VISUAL");
    if (editor.isEmpty()) editor = editorFromEnvironment("EDITOR");
    if (editor.isEmpty()) editor = editorOfDesktop();
    for (const char* candidate : kDesktopEditors) {
        if (!editor.isEmpty()) break;
        editor = installed(QString::fromLatin1(candidate));
    }
    return QFile::encodeName(editor).toStdString();
}

}  // namespace pelmora::app
