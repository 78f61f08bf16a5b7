// SPDX-License-Identifier: MIT
// The one edge where display text (code page 932 bytes) and native paths
// become Qt strings and back. Decoding goes through the program's own code
// page 932 table, never a locale codec: the Shift_JIS codecs of the C
// library and of ICU disagree with code page 932 on 0x5C, 0x7E and the
// NEC and IBM extension rows, so ¥ would appear where a path has "\".
#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace pelmora::app {

// Display text as it appears in a list cell or a label. A byte that starts
// no character, or a pair without a character, shows as U+FFFD.
QString fromCp932(std::string_view cp932);

// Display text of a message box: the core breaks lines with single CR
// bytes (and a CR LF pair is one break too); Qt wants "\n".
QString fromCp932Message(std::string_view cp932);

// Text typed by the user, as display text; characters without a code in
// code page 932 become "?".
std::string toCp932(const QString& text);

// Native file-system paths (bytes, UTF-8 on Linux) and QString.
QString fromPath(const std::filesystem::path& path);
std::filesystem::path toPath(const QString& text);

}  // namespace pelmora::app
