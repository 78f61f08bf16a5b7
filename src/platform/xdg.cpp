// SPDX-License-Identifier: MIT
#include "platform/xdg.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace pelmora::platform {

namespace {

// The base-directory rules ignore relative values: they would depend on the
// current folder of whichever program reads them.
std::filesystem::path absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return value;
}

}  // namespace

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

}  // namespace pelmora::platform
