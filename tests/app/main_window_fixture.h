// SPDX-License-Identifier: MIT
// What the main-window tests share: a port factory of fakes (prompts
// answered by the test, the real trash below a temporary XDG_DATA_HOME), a
// folder of hand-made messages and small helpers to drive the window.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/folder_tree_model.h"
#include "app/list_pane.h"
#include "app/main_window.h"
#include "app/main_window_ports.h"
#include "app/qt_list_view.h"
#include "app/qtext.h"
#include "app/search_window.h"
#include "fake_ports.h"
#include "fake_shell.h"
#include "files.h"
#include "platform/trash.h"
#include "settings/settings_file.h"

namespace pelmora::test {

// The window owns its ports; the factory keeps a view of each so the test
// can script answers and read what was asked.
class TestPortFactory final : public app::PortFactory {
public:
    // The search window asks for its own; the main window's are the plain names.
    std::unique_ptr<ports::Prompts> makePrompts(QWidget* owner) override {
        auto made = std::make_unique<FakePrompts>();
        (isSearchWindow(owner) ? searchPrompts : prompts) = made.get();
        return made;
    }
    std::unique_ptr<ports::Progress> makeProgress(QWidget* owner) override {
        auto made = std::make_unique<FakeProgress>();
        (isSearchWindow(owner) ? searchProgress : progress) = made.get();
        return made;
    }
    std::unique_ptr<ports::Shell> makeShell(QWidget* owner) override {
        auto made = std::make_unique<FakeShell>();
        made->trashImpl = RealTrash();
        (isSearchWindow(owner) ? searchShell : shell) = made.get();
        return made;
    }
    std::unique_ptr<ports::BusyCursor> makeBusyCursor() override {
        return std::make_unique<FakeBusyCursor>();
    }
    std::optional<std::filesystem::path> chooseFolder(QWidget*, const QString& prompt,
                                                      const std::filesystem::path& start) override {
        folderPrompts.push_back(prompt);
        folderStarts.push_back(start);
        return folderAnswer;
    }

    FakePrompts* prompts = nullptr;
    FakeProgress* progress = nullptr;
    FakeShell* shell = nullptr;
    FakePrompts* searchPrompts = nullptr;
    FakeProgress* searchProgress = nullptr;
    FakeShell* searchShell = nullptr;
    std::optional<std::filesystem::path> folderAnswer;
    QStringList folderPrompts;
    std::vector<std::filesystem::path> folderStarts;

private:
    static bool isSearchWindow(QWidget* owner) { return qobject_cast<app::SearchWindow*>(owner) != nullptr; }
};

// Eight listed messages: three copies of one message, one with an
// attachment, one without Message-ID, an ISO-2022-JP subject and a news
// article; plus a file and a subfolder the main list never shows.
inline void writeMailFolder(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder / "sub");
    WriteBytes(folder / "a.eml",
               "From: Yamada Taro <yamada@example.jp>\r\nTo: hanako@example.jp\r\n"
               "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\nDate: Mon, 02 Jan 2023 10:00:00 +0900\r\n"
               "Message-ID: <a@example.jp>\r\n\r\nbody\r\n");
    WriteBytes(folder / "b.eml",
               "From: bob@example.com\nTo: alice@example.com\nSubject: Bravo\n"
               "Date: Tue, 03 Jan 2023 11:00:00 +0000\nMessage-ID: <b@example.com>\n\nhi\n");
    WriteBytes(folder / "c.eml",
               "From: carol@example.com\nTo: dave@example.com\nSubject: Charlie\n"
               "Date: Tue, 03 Jan 2023 12:00:00 +0000\n\nno id\n");
    for (const char* copy : {"d1.eml", "d2.eml", "d3.eml"})
        WriteBytes(folder / copy,
                   "From: dup@example.com\nTo: x@example.com\nSubject: Copy\n"
                   "Date: Wed, 04 Jan 2023 12:00:00 +0900\nMessage-ID: <dup@example.com>\n\ncopy\n");
    WriteBytes(
        folder / "e.eml",
        "From: Yoshida <yoshida@example.jp>\nTo: team@example.jp\nSubject: Report with attachment\n"
        "Date: Thu, 05 Jan 2023 09:00:00 +0900\nMessage-ID: <e@example.jp>\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"BOUND\"\n\npreamble\n--BOUND\n"
        "Content-Type: text/plain\n\nBody text.\n--BOUND\n"
        "Content-Type: application/octet-stream; name=\"data.bin\"\nContent-Transfer-Encoding: base64\n\n"
        "AAECAwQFBgcICQ==\n--BOUND--\n");
    WriteBytes(folder / "f.nws",
               "From: news@example.org\nNewsgroups: fj.test\nSubject: News article\n"
               "Date: Fri, 06 Jan 2023 08:00:00 +0900\nMessage-ID: <n@example.org>\n\nnews\n");
    WriteBytes(folder / "g.eml.bak", "From: hidden@example.com\n\n");
    WriteBytes(folder / "sub" / "h.eml", "From: sub@example.com\nSubject: Below\n\n");
}

inline constexpr int kListedMessages = 8;

// An installed program that does nothing: a script that exits with status.
inline void writeProgram(const std::filesystem::path& file, int status = 0) {
    WriteBytes(file, "#!/bin/sh\nexit " + std::to_string(status) + "\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

// Makes $VISUAL a desktop editor installed in folder, so that the edit
// command's default never depends on the editors of the machine.
inline std::filesystem::path useFakeEditor(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path editor = folder / "fake-editor";
    writeProgram(editor);
    qputenv("VISUAL", QByteArray::fromStdString(editor.native()));
    return editor;
}

// The row showing the entry with this subject (display text), or -1.
inline int rowOfSubject(app::MainWindow& window, const QString& subject) {
    const MsgList& list = window.msgList();
    for (int row = 0; row < window.listView().rowCount(); ++row)
        if (app::fromCp932(list[static_cast<std::size_t>(row)]->Subject) == subject) return row;
    return -1;
}

inline QStringList selectedSubjects(app::MainWindow& window) {
    QStringList subjects;
    for (int row : window.listView().selectedRows())
        subjects << app::fromCp932(window.msgList()[static_cast<std::size_t>(row)]->Subject);
    subjects.sort();
    return subjects;
}

// Selects as the user does, through the widget's own selection.
inline void selectRows(app::MainWindow& window, const std::vector<int>& rows) {
    QItemSelectionModel* selection = window.LV1()->selectionModel();
    selection->clearSelection();
    for (int row : rows)
        selection->select(window.LV1()->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

inline void clickHeader(app::MainWindow& window, int column) {
    QHeaderView* header = window.LV1()->header();
    const QPoint inside(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inside);
}

inline QString caption(app::MainWindow& window, int column) {
    return window.LV1()->model()->headerData(column, Qt::Horizontal).toString();
}

// Where a user clicks a folder of the tree: on its name, at the left of its
// row (the row runs as wide as the widest name in view).
inline QPoint onTheName(const QTreeView& tree, const QModelIndex& index) {
    const QRect row = tree.visualRect(index);
    return QPoint(row.left() + 8, row.center().y());
}

// Shows the window and runs its first activation (the load).
inline bool showAndActivate(app::MainWindow& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    window.firstActivation();
    return true;
}

inline QString qs(const std::filesystem::path& path) {
    return app::fromPath(path);
}

// What every main-window test class starts from: a temporary home whose
// config and data folders are the XDG ones, and one window at a time.
class MainWindowTestBase : public QObject {
protected:
    // For initTestCase (under QVERIFY): false when no temporary home could be made.
    bool setUpHome() {
        if (!m_home.isValid()) return false;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(qs(dataFolder())));
        return true;
    }
    std::filesystem::path homeFolder(const char* name) const {
        return app::toPath(m_home.filePath(QString::fromUtf8(name)));
    }
    std::filesystem::path dataFolder() const { return homeFolder("data"); }

    // A window with fresh fakes on m_folder, shown and loaded (under QVERIFY).
    bool openWindow() {
        m_ports = std::make_unique<TestPortFactory>();
        m_window = std::make_unique<app::MainWindow>(*m_ports, SettingsFilePath(), QStringList{qs(m_folder)});
        return showAndActivate(*m_window);
    }
    // For cleanup: the window goes before the ports it uses.
    void closeWindow() {
        m_window.reset();
        m_ports.reset();
    }

    QTemporaryDir m_home;
    std::filesystem::path m_folder;
    std::unique_ptr<TestPortFactory> m_ports;
    std::unique_ptr<app::MainWindow> m_window;
};

}  // namespace pelmora::test
