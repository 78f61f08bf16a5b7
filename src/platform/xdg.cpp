// SPDX-License-Identifier: MIT
#include "platform/xdg.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <istream>
#include <string>
#include <system_error>

namespace pelmora::platform {

namespace {

// The base-directory rules ignore relative values: they would depend on the
// current folder of whichever program reads them.
std::filesystem::path absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return value;
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs text: a line
// XDG_DOCUMENTS_DIR="$HOME/Documents" or ="/absolute/path"; empty when the
// line is missing or its value is neither.
std::filesystem::path documentsEntry(std::istream& in) {
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with(key)) continue;
        const std::size_t end = line.rfind('"');
        if (end < key.size()) return {};
        std::string value = line.substr(key.size(), end - key.size());
        while (value.size() > 1 && value.ends_with('/')) value.pop_back();
        if (value == "$HOME") return HomeFolder();
        if (value.starts_with("$HOME/")) return HomeFolder() / value.substr(6);
        if (value.starts_with('/')) return value;
        return {};
    }
    return {};
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

std::filesystem::path XdgDocumentsFolder() {
    if (std::filesystem::path dir = absoluteEnv("XDG_DOCUMENTS_DIR"); isFolder(dir)) return dir;
    std::ifstream userDirs(XdgConfigHome() / "user-dirs.dirs");
    if (userDirs) {
        if (std::filesystem::path dir = documentsEntry(userDirs); isFolder(dir)) return dir;
    }
    return HomeFolder();
}

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

std::filesystem::path XdgDataHome() {
    std::filesystem::path dir = absoluteEnv("XDG_DATA_HOME");
    return dir.empty() ? HomeFolder() / ".local" / "share" : dir;
}

std::filesystem::path XdgConfigHome() {
    std::filesystem::path dir = absoluteEnv("XDG_CONFIG_HOME");
    return dir.empty() ? HomeFolder() / ".config" : dir;
}

std::filesystem::path XdgCacheHome() {
    std::filesystem::path dir = absoluteEnv("XDG_CACHE_HOME");
    return dir.empty() ? HomeFolder() / ".cache" : dir;
}

}  // namespace pelmora::platform
