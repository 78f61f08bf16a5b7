// SPDX-License-Identifier: MIT
#include "app/qt_ports.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>
#include <initializer_list>
#include <utility>

#include "app/dialog_style.h"
#include "app/qtext.h"
#include "app/window_texts.h"
#include "texts/texts.h"

namespace pelmora::app {

namespace {

struct ButtonText {
    QMessageBox::StandardButton button;
    QString text;
};

// Qt's own button texts are English unless a translation is loaded; the
// program's boxes carry their Japanese captions themselves.
QMessageBox::StandardButton runBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                   std::initializer_list<ButtonText> buttons,
                                   QMessageBox::StandardButton defaultButton,
                                   QMessageBox::StandardButton escapeButton,
                                   const QString& title = programCaption()) {
    QMessageBox box(parent);
    box.setIcon(icon);
    box.setWindowTitle(title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setFont(dialogFont());
    QMessageBox::StandardButtons all;
    for (const ButtonText& b : buttons) all |= b.button;
    box.setStandardButtons(all);
    for (const ButtonText& b : buttons) box.button(b.button)->setText(b.text);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    const int result = box.exec();
    // Closing the box by its frame, or from outside, answers with the
    // escape button.
    for (const ButtonText& b : buttons)
        if (result == b.button) return b.button;
    return escapeButton;
}

ButtonText okButton() {
    return {QMessageBox::Ok, window_text::kOk};
}
ButtonText cancelButton() {
    return {QMessageBox::Cancel, window_text::kCancel};
}
ButtonText yesButton() {
    return {QMessageBox::Yes, window_text::kYes};
}
ButtonText noButton() {
    return {QMessageBox::No, window_text::kNo};
}

}  // namespace

QString programCaption() {
    return QStringLiteral("Pelmora");
}

QString nameFilter(const ports::FileFilter& filter) {
    QString pattern = QString::fromUtf8(filter.pattern.data(), static_cast<qsizetype>(filter.pattern.size()));
    if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    return fromCp932(filter.captionCp932) + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

QtPrompts::QtPrompts(QWidget* parent) : m_parent(parent) {}

void QtPrompts::information(const std::string& cp932) {
    runBox(m_parent, QMessageBox::Information, fromCp932Message(cp932), {okButton()}, QMessageBox::Ok,
           QMessageBox::Ok);
}

void QtPrompts::warning(const std::string& cp932) {
    runBox(m_parent, QMessageBox::Warning, fromCp932Message(cp932), {okButton()}, QMessageBox::Ok,
           QMessageBox::Ok);
}

void QtPrompts::error(const std::string& cp932) {
    runBox(m_parent, QMessageBox::Critical, fromCp932Message(cp932), {okButton()}, QMessageBox::Ok,
           QMessageBox::Ok);
}

bool QtPrompts::confirmOkCancel(const std::string& cp932) {
    return runBox(m_parent, QMessageBox::Question, fromCp932Message(cp932), {okButton(), cancelButton()},
                  QMessageBox::Ok, QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtPrompts::confirmYesNo(const std::string& cp932) {
    return runBox(m_parent, QMessageBox::Question, fromCp932Message(cp932), {yesButton(), noButton()},
                  QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompts::confirmYesNoTitled(const std::string& titleCp932, const std::string& cp932) {
    return runBox(m_parent, QMessageBox::Question, fromCp932Message(cp932), {yesButton(), noButton()},
                  QMessageBox::Yes, QMessageBox::No, fromCp932(titleCp932)) == QMessageBox::Yes;
}

ports::Answer QtPrompts::confirmYesCancelYesToAll(const std::string& cp932) {
    const auto button = runBox(m_parent, QMessageBox::Question, fromCp932Message(cp932),
                               {yesButton(), cancelButton(), {QMessageBox::YesToAll, window_text::kYesToAll}},
                               QMessageBox::Yes, QMessageBox::Cancel);
    switch (button) {
        case QMessageBox::Yes:
            return ports::Answer::Yes;
        case QMessageBox::YesToAll:
            return ports::Answer::YesToAll;
        default:
            return ports::Answer::Cancel;
    }
}

bool QtPrompts::confirmOverwrite(const QString& path) {
    const QString question =
        QLatin1Char('"') + QFileInfo(path).fileName() + window_text::kOverwriteQuotedSuffix;
    return runBox(m_parent, QMessageBox::Warning, question, {yesButton(), noButton()}, QMessageBox::No,
                  QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::filesystem::path> QtPrompts::chooseSaveFile(const ports::SaveFileRequest& request) {
    QFileDialog dialog(m_parent, fromCp932(request.titleCp932), fromPath(request.initialFolder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The overwrite question is asked below, in Japanese like every other
    // box of the program.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const ports::FileFilter& filter : request.filters) filters << nameFilter(filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.defaultSuffix.empty())
        dialog.setDefaultSuffix(QString::fromUtf8(request.defaultSuffix.data(),
                                                  static_cast<qsizetype>(request.defaultSuffix.size())));
    if (!request.fileName.empty()) dialog.selectFile(fromPath(request.fileName));

    // The file the dialog accepted, as it accepted it. selectedFiles() after
    // the dialog has closed would read the name field again, and what that
    // holds depends on more than the user's last word: Qt leaves a preset
    // name in the field whenever the field has the keyboard focus.
    QString accepted;
    QObject::connect(&dialog, &QFileDialog::fileSelected, &dialog,
                     [&accepted](const QString& file) { accepted = file; });
    for (;;) {
        accepted.clear();
        if (dialog.exec() != QDialog::Accepted || accepted.isEmpty()) return std::nullopt;
        // A relative name is the dialog's folder's; Qt gives absolute ones,
        // but the check below must never look at the program's own folder.
        const QString path = QDir(dialog.directory()).absoluteFilePath(accepted);
        // Qt's dialog lets a typed name point into a folder that does not
        // exist; the file could then never be written.
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            runBox(m_parent, QMessageBox::Warning, fromCp932(text::FolderMissing(toPath(folder).native())),
                   {okButton()}, QMessageBox::Ok, QMessageBox::Ok);
            continue;
        }
        if (!QFileInfo::exists(path) || confirmOverwrite(path)) return toPath(path);
    }
}

void QtStatusBar::setPanelText(int panel, const std::string& cp932) {
    if (panel < 0 || static_cast<std::size_t>(panel) >= m_panels.size() || m_panels[panel] == nullptr) return;
    m_panels[panel]->setText(fromCp932(cp932));
    // A hint belongs to the text it explains.
    m_panels[panel]->setToolTip(QString());
}

void QtBusyCursor::push() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtBusyCursor::pop() {
    QApplication::restoreOverrideCursor();
}

}  // namespace pelmora::app
