// SPDX-License-Identifier: MIT
// The one error value of the core. An operation that can fail returns
// std::expected<T, Error>: what failed, on which path, the system's reason
// and the advice for the user. The reason stays an errno value until the
// text is made, and the text is made only where it is shown (a command's
// message box, the terminal), so a caller can still tell one failure from
// another without reading words.
#pragma once

#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace pelmora {

enum class ErrorKind {
    Unexpected,  // the standard library threw (out of memory, a file system error)
    Open,        // a file could not be opened or read
    Content,     // a file does not hold what the step needs
    Changed,     // a file changed while it was read, so it was left alone
    Write,       // a file could not be written or replaced
    Trash,       // a file could not be moved to the trash or back
};

// The step of moving a file to the trash (or back) that failed; the texts
// library words it.
enum class TrashStep {
    None,
    CreateTrashFolder,
    CreateFilesFolder,
    CreateInfoFolder,
    ChooseName,
    WriteTrashInfo,
    MoveToTrash,
    FindFreeName,
    CreateVolumeTrash,
    UseVolumeTrash,
    RemoveCopiedOriginal,
    MoveBack,
    CopyBack,
    FindFile,
    CreateHomeTrash,
};

struct Error {
    ErrorKind kind = ErrorKind::Unexpected;
    std::filesystem::path path;        // the file or folder it failed on; may be empty
    int code = 0;                      // the system's reason as an errno value; 0 when it gave none
    std::string reason;                // a reason no errno tells: a library's own text (UTF-8)
    TrashStep step = TrashStep::None;  // for a trash failure: the step that failed
    std::string adviceCp932;           // display text: what the user should know or do next

    // The reason in words (UTF-8): the library's text, else the system's.
    std::string reasonText() const { return !reason.empty() ? reason : code != 0 ? std::strerror(code) : ""; }
};

// An error of kind about path; code is the errno value when the system
// gave the reason, else 0.
inline Error MakeError(ErrorKind kind, std::filesystem::path path, int code) {
    Error error;
    error.kind = kind;
    error.path = std::move(path);
    error.code = code;
    return error;
}

// The one place where an exception becomes an error value: the thread or
// command boundary that caught it hands it here. Its what() is the reason.
inline Error ErrorFromException(const std::exception& caught) {
    Error error;
    error.reason = caught.what();
    if (const auto* system = dynamic_cast<const std::system_error*>(&caught))
        error.code = system->code().value();
    if (const auto* files = dynamic_cast<const std::filesystem::filesystem_error*>(&caught))
        error.path = files->path1();
    return error;
}

}  // namespace pelmora
