// SPDX-License-Identifier: MIT
// Saving attachments: names made safe for the file system, never a file
// replaced (" (2)", " (3)"... are added instead), each file written under a
// temporary name and renamed into place, so a failure leaves no half file
// under the attachment's name.
#pragma once

#include <expected>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "message/message_view.h"
#include "message/msg_item.h"
#include "ports/file_system.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/status_bar.h"

namespace pelmora {

inline constexpr std::size_t kMaxFileNameBytes = 255;

// nameUtf8 as one file name: "/", "\", NUL and control bytes become "_";
// "", "." and ".." give fallback; at most 255 bytes, cut at a character
// boundary with the extension kept.
std::string SafeFileName(std::string_view nameUtf8, std::string_view fallback);
// name with " (number)" before its extension, still at most 255 bytes.
std::string NumberedFileName(std::string_view name, int number);

// Writes the attachment's decoded content into folder under its own name,
// or under nameUtf8 when that is given (made safe the same way); the path
// written. The message file must be as it was when view was read.
std::expected<std::filesystem::path, Error> SaveAttachment(const MessageView& view,
                                                           const AttachmentInfo& attachment,
                                                           const std::filesystem::path& folder,
                                                           ports::FileSystem& files,
                                                           std::string_view nameUtf8 = {});

struct SaveOutcome {
    std::vector<std::filesystem::path> written;
    std::vector<Error> failures;
};
// Every attachment of view into folder, created when missing.
SaveOutcome SaveAllAttachments(const MessageView& view, const std::filesystem::path& folder,
                               ports::FileSystem& files);

// The folder, inside parent, for the attachments of one of several messages:
// the message file's name without its extension, made safe; a name already
// in taken (a message of the same name elsewhere) gets " (2)"... Adds it.
std::filesystem::path MessageFolder(const std::filesystem::path& parent, const std::filesystem::path& message,
                                    std::set<std::string>& taken);

// 添付ファイルの保存: every attachment of the selected messages into folder,
// a folder per message when more than one of them has attachments. The
// progress dialog shows for several messages and its 中断 stops between
// messages; the status bar says how many files were written, and a warning
// names the first that could not be. The number of files written.
int ProcAttachSave1Click(ports::ListView& view, ports::StatusBar& status, const MsgList& list,
                         ports::Prompts& prompts, ports::Progress& progress,
                         const std::filesystem::path& folder, ports::FileSystem& files);

// "N 個の添付ファイルを保存しました。" (display text).
std::string AttachSaveStatusText(int saved);
// One failure: "<path>" を保存できませんでした（reason）。 (display text).
std::string AttachSaveFailureText(const Error& error);

}  // namespace pelmora
