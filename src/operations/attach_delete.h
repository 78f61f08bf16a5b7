// SPDX-License-Identifier: MIT
// Attachment removal: a message keeps its header, preamble and first body
// part; the old file goes to the trash and the new one takes its name and
// its old times.
#pragma once

#include <cstdint>
#include <ctime>
#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "message/msg_item.h"
#include "ports/file_system.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/shell.h"
#include "ports/status_bar.h"

namespace pelmora {

// The new content of a message without its attachments: header, blank line
// and preamble as read, the first delimiter, the first part, the closing
// delimiter; every line ended by CR LF.
struct StrippedMessage {
    std::string content;
    std::uint64_t bytesRead = 0;  // how much of the file was read to build it
};

class LineReader;

// What a removed part leaves in the message when a record is kept: a small
// text/x-moz-deleted part named "Deleted: " + its name, which other mail
// programs show as a removed attachment, whose body repeats the removed
// part's header. date is the removal time as those programs write it
// (RemovalDateText).
struct RemovalRecord {
    std::string date;
};

// The local time in the form "Tue Dec 08 05:02:11 2026".
std::string RemovalDateText(std::time_t when);

// Receives the stripped content a block at a time; false stops the strip.
using StripWriter = std::function<bool(std::string_view bytes)>;

// Streams the stripped content of the open message to write, reading only
// up to the delimiter after the first part. Every byte of the kept lines is
// kept (a lone CR too, when the reader keeps them). Answers the number of
// bytes written; an error of kind Content when the message has no second
// part to remove (no delimiter line "--" + boundary, no delimiter after the
// first part, or the closing one right after it), of kind Write (errno as
// the writer left it) when write refused the bytes.
// With a record, the parts after the first are read to the end as well:
// each becomes its record, except a record already there, which is copied
// as it is; a message whose later parts are all records has nothing to
// remove (kind Content, code EALREADY).
std::expected<std::uint64_t, Error> StripMessage(LineReader& reader, std::string_view boundary,
                                                 const StripWriter& write,
                                                 const RemovalRecord* record = nullptr);

// The stripped content in memory (for small files and for tests); an error
// of kind Open when the file cannot be read.
std::expected<StrippedMessage, Error> BuildStrippedMessage(const std::filesystem::path& file,
                                                           std::string_view boundary);

struct RewriteOutcome {
    enum class Kind {
        Rewritten,  // the entry now describes the new file
        Skipped,    // nothing to do: untouched
        Link,       // a symbolic link: untouched, links are not rewritten
    };
    Kind kind = Kind::Skipped;
    std::uint64_t bytesRead = 0;
};

// Rewrites one message file without its attachments. The new content is
// written to a temporary file in the same folder, made durable and given the
// modification time of the file as read; only then, once the open file is
// seen to be still the one at that name and unchanged, does the old file go
// to the trash and the new one take its name. A failure before that rename
// leaves the original untouched; a failed rename puts the original back from
// the trash. The new content is written and renamed through files.
// The errors, each leaving the message as it was unless its advice says
// where the files are:
// - Changed: the file changed while it was read (the command goes on);
// - Trash: the trash would not take the old file (the command goes on);
// - Open: the file cannot be read (ends the command);
// - Write: writing or renaming failed (ends the command).
// With keepRecord each removed part leaves its record (RemovalRecord).
std::expected<RewriteOutcome, Error> RewriteMessageFile(TMsgItem& entry, ports::Shell& shell,
                                                        ports::FileSystem& files, bool keepRecord = false);

// The message box text for an error of RewriteMessageFile.
std::string RewriteFailureText(const Error& error);
// The message box text for a symbolic link, which is not rewritten: a
// rewrite replaces the file at its name, so it would put a file in the
// link's place and leave the file it points at as it was.
std::string LinkNotRewrittenText(const std::filesystem::path& link);

// The second status panel after the command: how many messages were
// rewritten and, when some could not be, how many.
std::string AttachDeleteStatusText(int rewritten, int failed);

// The command: asks first, shows progress for more than one selected row,
// rewrites each selected message with attachments and reports the count.
// Before the first rewrite in a folder it removes the temporary files that
// killed rewrites left there. A file the trash would not take is passed
// over without a message box, as the recycle bin's refusal was; those
// errors (with the trash's reason) are answered, for a front end that says
// more.
std::vector<Error> ProcAttachDelete1Click(ports::ListView& view, ports::StatusBar& status, MsgList& list,
                                          ports::Prompts& prompts, ports::Progress& progress,
                                          ports::Shell& shell, ports::FileSystem& files,
                                          bool keepRecord = false);

}  // namespace pelmora
