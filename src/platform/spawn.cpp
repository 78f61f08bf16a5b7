// SPDX-License-Identifier: MIT
#include "platform/spawn.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace pelmora::platform {

namespace {

bool spawn(const std::string& program, const std::filesystem::path& file, bool newSession, pid_t& pid) {
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return false;
    if (newSession) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::string argument0 = program;
    std::string argument1 = file.native();
    char* argv[] = {argument0.data(), argument1.data(), nullptr};
    int rc = posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return rc == 0;
}

}  // namespace

bool OpenWithDefaultApplication(const std::filesystem::path& file) {
    pid_t pid = 0;
    if (!spawn("xdg-open", file, false, pid)) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool StartDetached(const std::string& program, const std::filesystem::path& file) {
    if (program.empty()) return false;
    pid_t pid = 0;
    return spawn(program, file, true, pid);
}

}  // namespace pelmora::platform
