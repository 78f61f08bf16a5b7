// SPDX-License-Identifier: MIT
// The content of one part of a scanned message (mime_tree.h), transfer-
// decoded, read from the file in blocks and handed on in blocks, so that
// saving a gigabyte attachment holds a few hundred kilobytes at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "message/mime_tree.h"

namespace pelmora {

// Takes the next block of decoded bytes; false stops the decoding.
using ContentSink = std::function<bool(std::string_view)>;

// 0, or the errno value of a failed read. Stopping by the sink is no failure.
int DecodePartContent(int fd, const MimePart& part, const ContentSink& sink);

// At most limit bytes of the decoded content; cut is set when there were more.
std::string ReadPartContent(int fd, const MimePart& part, std::size_t limit, bool* cut = nullptr,
                            int* readError = nullptr);

}  // namespace pelmora
