// SPDX-License-Identifier: MIT
// Attachment removal: a message keeps its header, preamble and first body
// part; the old file goes to the trash and the new one takes its name and
// its old times.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "message/msg_item.h"
#include "ui/ports.h"

namespace pelmora {

// The new content of a message without its attachments: header, blank line
// and preamble as read, the first delimiter, the first part, the closing
// delimiter; every line ended by CR LF.
struct StrippedMessage {
    std::string content;
    std::uint64_t bytesRead = 0;  // how much of the file was read to build it
};

enum class StripSkip {
    OpenFailed,        // the file cannot be opened for reading
    NoFirstDelimiter,  // no line equals "--" + boundary
    NoPartEnd,         // the first part is not followed by a delimiter
    OnlyOnePart,       // the first part is followed by the closing delimiter
    WriteFailed,       // the writer refused the bytes (errno tells why)
};

class LineReader;

// Receives the stripped content a block at a time; false stops the strip.
using StripWriter = std::function<bool(std::string_view bytes)>;

// Streams the stripped content of the open message to write, reading only
// up to the delimiter after the first part. Every byte of the kept lines is
// kept (a lone CR too, when the reader keeps them). Answers the number of
// bytes written.
std::expected<std::uint64_t, StripSkip> StripMessage(LineReader& reader, std::string_view boundary,
                                                     const StripWriter& write);

// The stripped content in memory (for small files and for tests).
std::expected<StrippedMessage, StripSkip> BuildStrippedMessage(const std::filesystem::path& file,
                                                               std::string_view boundary);

// Steps of a rewrite at which a test may make it fail.
enum class RewriteStep { WriteTemporary, Rename };

struct RewriteOutcome {
    enum class Kind {
        Rewritten,   // the entry now describes the new file
        Skipped,     // nothing to do: untouched
        NotTrashed,  // the trash would not take the old file: untouched, the command goes on
        Changed,     // the file changed while it was read: untouched; message says so
        OpenFailed,  // the file cannot be read: ends the command
        Failed,      // writing or renaming failed: ends the command; message says what is where
    };
    Kind kind = Kind::Skipped;
    std::string messageCp932;  // for OpenFailed, Changed and Failed
    std::uint64_t bytesRead = 0;
};

// Rewrites one message file without its attachments. The new content is
// written to a temporary file in the same folder, made durable and given the
// modification time of the file as read; only then, once the open file is
// seen to be still the one at that name and unchanged, does the old file go
// to the trash and the new one take its name. A failure before that rename
// leaves the original untouched; a failed rename puts the original back from
// the trash. failAt is asked after the new content is written.
RewriteOutcome RewriteMessageFile(TMsgItem& entry, ui::Shell& shell,
                                  const std::function<bool(RewriteStep)>& failAt = {});

// The second status panel after the command: how many messages were
// rewritten and, when some could not be, how many.
std::string AttachDeleteStatusText(int rewritten, int failed);

// The command: asks first, shows progress for more than one selected row,
// rewrites each selected message with attachments and reports the count.
void ProcAttachDelete1Click(ui::ListView& view, ui::StatusBar& status, MsgList& list, ui::Prompts& prompts,
                            ui::Progress& progress, ui::Shell& shell);

}  // namespace pelmora
