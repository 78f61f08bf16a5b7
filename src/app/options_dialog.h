// SPDX-License-Identifier: MIT
// TForm2, the options dialog: the display-name switch with the address
// books it reads and the user's own book, the editor program, and which
// copy the duplicate check leaves unselected. It holds the values, browses
// for the editor and the book, and shows what a scan of the books found;
// the Option command fills it, runs it and takes the values back on OK.
#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "addressbook/address_books.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace pelmora::app {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(QWidget* parent = nullptr);
    ~OptionsDialog() override;

    void setConvDisplayName(bool on);
    bool convDisplayName() const;
    // The editor as the settings keep it: native bytes (UTF-8).
    void setEditorName(const std::string& native);
    std::string editorName() const;
    // The duplicate keeper as the settings keep it ("oldest", …,
    // "under:" + folder); a value it does not know shows as "oldest".
    void setDupKeep(const std::string& text);
    std::string dupKeep() const;
    // Attachment removal leaves a record of each removed part.
    void setAttachKeepRecord(bool on);
    bool attachKeepRecord() const;
    // The user's own address book (a folder, a vCard file or an SQLite book).
    void setAddressBookPath(const std::filesystem::path& path);
    std::filesystem::path addressBookPath() const;

    // Reads the books with the given extra path and says what it found; run
    // when the dialog opens and when the extra path changes.
    using BookScan = std::function<DirectoryReport(const std::filesystem::path& extra)>;
    void setBookScan(BookScan scan) { m_bookScan = std::move(scan); }
    // Shows the books of a report, each with its count or why it was skipped.
    void showBooks(const DirectoryReport& report);

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
    QCheckBox* KeepRecordBox() const { return m_keepRecord; }
    QListWidget* BookList() const { return m_bookList; }
    QLineEdit* Edit2() const { return m_edit2; }        // the extra address book
    QPushButton* Button4() const { return m_button4; }  // 参照

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    void browseBook(bool folder);
    void scanBooks();

    QCheckBox* m_checkBox1;
    QLabel* m_label1;
    QLabel* m_label2;
    QLineEdit* m_edit1;
    QPushButton* m_button1;
    QPushButton* m_button2;
    QPushButton* m_button3;
    QComboBox* m_dupKeepBox;
    QLineEdit* m_dupKeepFolder;
    QCheckBox* m_keepRecord;
    QLabel* m_label3;
    QListWidget* m_bookList;
    QLabel* m_label4;
    QLineEdit* m_edit2;
    QPushButton* m_button4;
    std::unique_ptr<QMenu> m_browseMenu;
    BookScan m_bookScan;
};

}  // namespace pelmora::app
