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

    // The controls by role; the comments give their object names.
    QCheckBox* DisplayNamesBox() const { return m_displayNames; }             // CheckBox1
    QLineEdit* EditorEdit() const { return m_editorEdit; }                    // Edit1
    QPushButton* EditorBrowseButton() const { return m_editorBrowseButton; }  // Button1 "…"
    QPushButton* OkButton() const { return m_okButton; }                      // Button2 OK
    QPushButton* CancelButton() const { return m_cancelButton; }              // Button3 キャンセル
    QComboBox* DupKeepBox() const { return m_dupKeepBox; }
    QLineEdit* DupKeepFolder() const { return m_dupKeepFolder; }
    QCheckBox* KeepRecordBox() const { return m_keepRecord; }
    QListWidget* BookList() const { return m_bookList; }
    QLineEdit* ExtraBookEdit() const { return m_extraBookEdit; }                    // Edit2
    QPushButton* ExtraBookBrowseButton() const { return m_extraBookBrowseButton; }  // Button4 参照

protected:
    void showEvent(QShowEvent* event) override;

private:
    void browseEditor();  // Button1 "…"
    void browseBook(bool folder);
    void scanBooks();

    QCheckBox* m_displayNames;
    QLabel* m_editorCaption;
    QLabel* m_editorAdvice;
    QLineEdit* m_editorEdit;
    QPushButton* m_editorBrowseButton;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    QComboBox* m_dupKeepBox;
    QLineEdit* m_dupKeepFolder;
    QCheckBox* m_keepRecord;
    QLabel* m_booksCaption;
    QListWidget* m_bookList;
    QLabel* m_extraBookCaption;
    QLineEdit* m_extraBookEdit;
    QPushButton* m_extraBookBrowseButton;
    std::unique_ptr<QMenu> m_browseMenu;
    BookScan m_bookScan;
};

}  // namespace pelmora::app
