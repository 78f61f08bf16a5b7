// SPDX-License-Identifier: MIT
// TForm2, the options dialog: the display-name switch, the editor program
// and which copy the duplicate check leaves unselected. It only holds the two values and browses for the
// editor; the Option command fills it, runs it and takes the values back on OK.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pelmora::app {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(QWidget* parent = nullptr);

    void setConvDisplayName(bool on);
    bool convDisplayName() const;
    // The editor as the settings keep it: native bytes (UTF-8).
    void setEditorName(const std::string& native);
    std::string editorName() const;
    // The duplicate keeper as the settings keep it ("oldest", …,
    // "under:" + folder); a value it does not know shows as "oldest".
    void setDupKeep(const std::string& text);
    std::string dupKeep() const;

    // The folder the browse dialog opens in for the given editor text: the
    // folder part of the text when that folder exists, else the folder of
    // the program itself (also for a bare program name found on PATH).
    static QString browseStartFolder(const QString& editorText);

    QCheckBox* CheckBox1() const { return m_checkBox1; }
    QLineEdit* Edit1() const { return m_edit1; }
    QPushButton* Button1() const { return m_button1; }  // "…"
    QPushButton* Button2() const { return m_button2; }  // OK
    QPushButton* Button3() const { return m_button3; }  // キャンセル
    QComboBox* DupKeepBox() const { return m_dupKeepBox; }
    QLineEdit* DupKeepFolder() const { return m_dupKeepFolder; }

private:
    void Button1Click();

    QCheckBox* m_checkBox1;
    QLabel* m_label1;
    QLabel* m_label2;
    QLineEdit* m_edit1;
    QPushButton* m_button1;
    QPushButton* m_button2;
    QPushButton* m_button3;
    QComboBox* m_dupKeepBox;
    QLineEdit* m_dupKeepFolder;
};

}  // namespace pelmora::app
