// SPDX-License-Identifier: MIT
// Starting other programs without a shell, so no file name is ever parsed
// as shell syntax.
#pragma once

#include <filesystem>
#include <string>

namespace pelmora::platform {

// Opens file with the desktop's preferred program (xdg-open) and reports
// whether xdg-open found one and started it.
bool OpenWithDefaultApplication(const std::filesystem::path& file);
// Starts program (looked up on PATH when it has no slash) with file as its
// only argument, in its own session, without waiting for it.
bool StartDetached(const std::string& program, const std::filesystem::path& file);

}  // namespace pelmora::platform
