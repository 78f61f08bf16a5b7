// SPDX-License-Identifier: MIT
// The name an attachment is shown and saved under, in UTF-8.
#pragma once

#include <cstddef>
#include <string>

#include "message/mime_tree.h"

namespace pelmora {

// The file name the part carries: Content-Disposition's filename, else
// Content-Type's name; RFC 2231 sections and charsets, RFC 2047 words and
// raw ISO-2022-JP, code page 932 or UTF-8 bytes all decoded. A message part
// without one is named after its subject; either ends in ".eml". Any other
// part without a name is "part" + ordinal with an extension for its type.
// The name may still hold what no file system takes (SafeFileName).
std::string AttachmentName(const MimePart& part, std::size_t ordinal);

}  // namespace pelmora
