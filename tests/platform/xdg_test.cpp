// SPDX-License-Identifier: MIT
#include "platform/xdg.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/files.h"

namespace fs = std::filesystem;
using pelmora::platform::XdgDocumentsFolder;

namespace {

// Sets an environment variable (or removes it) for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct DocumentsRow {
    const char* name;
    const char* environment;  // XDG_DOCUMENTS_DIR below the home, or null
    const char* userDirs;     // the user-dirs.dirs text, or null
    const char* expected;     // below the home; "" is the home itself
};

class DocumentsFolder : public ::testing::TestWithParam<DocumentsRow> {};

// Where the CSV list is offered when no folder is remembered.
TEST_P(DocumentsFolder, ExistingFolderElseHome) {
    const pelmora::test::ScratchFolder scratch("pelmora-xdg");
    const fs::path& home = scratch.path();
    ASSERT_FALSE(home.empty());
    fs::create_directories(home / "Dokumente");
    fs::create_directories(home / "config");
    const DocumentsRow& row = GetParam();
    if (row.userDirs) std::ofstream(home / "config" / "user-dirs.dirs") << row.userDirs;
    {
        ScopedEnv homeEnv("HOME", home.native());
        ScopedEnv config("XDG_CONFIG_HOME", (home / "config").native());
        ScopedEnv documents(
            "XDG_DOCUMENTS_DIR",
            row.environment ? std::optional<std::string>((home / row.environment).native()) : std::nullopt);
        EXPECT_EQ(XdgDocumentsFolder(), std::string(row.expected).empty() ? home : home / row.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Xdg, DocumentsFolder,
    ::testing::Values(
        DocumentsRow{"environment", "Dokumente", nullptr, "Dokumente"},
        DocumentsRow{"environment_naming_no_folder_then_user_dirs", "missing",
                     "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
                     "Dokumente"},
        DocumentsRow{"user_dirs_folder_missing", nullptr, "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", ""},
        DocumentsRow{"user_dirs_home_itself", nullptr, "XDG_DOCUMENTS_DIR=\"$HOME/\"\n", ""},
        DocumentsRow{"nothing_set", nullptr, nullptr, ""}),
    [](const ::testing::TestParamInfo<DocumentsRow>& row) { return std::string(row.param.name); });

}  // namespace
