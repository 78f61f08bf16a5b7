// SPDX-License-Identifier: MIT
#include "operations/attach_delete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "message/format.h"
#include "message/line_reader.h"
#include "message/mail_date.h"
#include "operations/recycle.h"
#include "operations/texts.h"
#include "platform/file_io.h"
#include "platform/trash.h"

namespace pelmora {

namespace fs = std::filesystem;

std::expected<StrippedMessage, StripSkip> BuildStrippedMessage(const fs::path& file, std::string_view boundary) {
    LineReader reader;
    if (!reader.open(file)) return std::unexpected(StripSkip::OpenFailed);
    const std::string delimiter = "--" + std::string(boundary);
    StrippedMessage out;
    auto append = [&out](std::string_view line) {
        out.content += line;
        out.content += "\r\n";
    };

    // Header, blank line and preamble, through the first exact delimiter.
    std::string line;
    bool found = false;
    while (reader.readLine(line)) {
        append(line);
        if (line == delimiter) {
            found = true;
            break;
        }
    }
    if (!found || reader.atEnd()) {
        out.bytesRead = reader.bytesRead();
        return std::unexpected(StripSkip::NoFirstDelimiter);
    }

    // The first part, up to the next line that begins with the delimiter.
    bool ended = false;
    while (reader.readLine(line)) {
        if (line.starts_with(delimiter)) {
            ended = true;
            break;
        }
        append(line);
    }
    if (!ended) return std::unexpected(StripSkip::NoPartEnd);
    if (line == delimiter + "--") return std::unexpected(StripSkip::OnlyOnePart);
    append(delimiter + "--");
    out.bytesRead = reader.bytesRead();
    return out;
}

namespace {

using Kind = RewriteOutcome::Kind;

RewriteOutcome failed(std::string messageCp932) {
    return {Kind::Failed, std::move(messageCp932), 0};
}

std::string untouchedMessage(const fs::path& file, int error) {
    return ops::QuotedPath(file) + ops::Cp932(" を書き換えられませんでした（") + ops::Cp932(std::strerror(error)) +
           ops::Cp932("）。") + ops::kParagraph + ops::Cp932("元のファイルは変更されていません。");
}

// Writes content to a new hidden file beside target, durable, with target's
// permissions and the given times. Returns its path, or an errno value.
std::expected<fs::path, int> writeTemporary(const fs::path& target, const std::string& content,
                                            const struct stat& original, const struct timespec& time,
                                            bool injectFailure) {
    // Named after the message so a user who finds one knows what it is,
    // unless that would pass the longest name a folder entry may have.
    std::string name = "." + target.filename().native() + ".pelmora-XXXXXX";
    if (name.size() > NAME_MAX) name = ".pelmora-XXXXXX";
    std::string pattern = (target.parent_path() / name).native();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    const fs::path temporary = pattern;
    bool ok = !injectFailure && platform::WriteAll(fd, content);
    int error = injectFailure ? EIO : errno;
    if (ok) {
        // Keep the message as private as it was.
        ::fchmod(fd, original.st_mode & 07777);
        if (::geteuid() == 0) (void)::fchown(fd, original.st_uid, original.st_gid);
        const struct timespec times[2] = {time, time};
        ok = ::futimens(fd, times) == 0 && ::fsync(fd) == 0;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return std::unexpected(error);
    }
    return temporary;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The old file is in the trash and the new one could not take its name:
// put the old one back, or say where both are.
RewriteOutcome recoverAfterFailedRename(const fs::path& file, const fs::path& temporary, const fs::path& trashed,
                                        int error) {
    if (!trashed.empty()) {
        const fs::path info = trashed.parent_path().parent_path() / "info" / (trashed.filename().native() + ".trashinfo");
        if (platform::RestoreFromTrash({trashed, info}, file)) {
            ::unlink(temporary.c_str());
            return failed(untouchedMessage(file, error));
        }
    }
    std::string text = ops::QuotedPath(file) + ops::Cp932(" を書き換えられませんでした（") +
                       ops::Cp932(std::strerror(error)) + ops::Cp932("）。") + ops::kParagraph +
                       ops::Cp932("元のファイルはごみ箱にあります");
    if (!trashed.empty()) text += ops::Cp932(": ") + ops::QuotedPath(trashed);
    text += ops::kBreak + ops::Cp932("新しい内容: ") + ops::QuotedPath(temporary);
    return failed(std::move(text));
}

void updateEntry(TMsgItem& entry, std::int64_t size) {
    entry.HasAttach = false;
    entry.FileSize = size;
    entry.SizeKB = SizeKBText(size);
    entry.SizeText = entry.SizeKB + "KB";
}

}  // namespace

RewriteOutcome RewriteMessageFile(TMsgItem& entry, ui::Shell& shell, const std::function<bool(RewriteStep)>& failAt) {
    const fs::path file = entry.FileName;
    struct stat before {};
    if (entry.Boundary.empty() || ::lstat(file.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return {};

    auto stripped = BuildStrippedMessage(file, entry.Boundary);
    if (!stripped) {
        if (stripped.error() != StripSkip::OpenFailed) return {};
        return {Kind::OpenFailed,
                ops::QuotedPath(file) + ops::Cp932(" を開けませんでした。") + ops::kParagraph +
                    ops::Cp932("使用中でないか確認して下さい。"),
                0};
    }

    const struct timespec time = entry.FileTime != 0 ? TimespecFromFileTime(entry.FileTime) : before.st_mtim;
    auto temporary = writeTemporary(file, stripped->content, before,
                                    time, failAt && failAt(RewriteStep::WriteTemporary));
    if (!temporary) return failed(untouchedMessage(file, temporary.error()));

    // Someone changed the file while it was read: leave theirs alone.
    struct stat now {};
    if (::lstat(file.c_str(), &now) != 0 || !sameFile(before, now)) {
        ::unlink(temporary->c_str());
        return {};
    }

    ui::TrashResult trashed = RecycleFiles(shell, {file}, ui::TrashConfirmation::DoNotAsk);
    if (!trashed.allMoved()) {
        ::unlink(temporary->c_str());
        return {Kind::NotTrashed, {}, 0};
    }

    int error = (failAt && failAt(RewriteStep::Rename)) ? EIO : platform::RenameNoReplace(*temporary, file);
    if (error != 0) return recoverAfterFailedRename(file, *temporary, trashed.locations[0], error);
    platform::SyncFolderOf(file);

    struct stat after {};
    updateEntry(entry, ::stat(file.c_str(), &after) == 0 ? after.st_size
                                                         : static_cast<std::int64_t>(stripped->content.size()));
    return {Kind::Rewritten, {}, stripped->bytesRead};
}

std::string AttachDeleteStatusText(int rewritten, int failed) {
    if (failed == 0)
        return rewritten > 0 ? FormatCount(rewritten) + ops::Cp932(" 通のメッセージの添付ファイルを削除しました。")
                             : ops::Cp932("添付ファイルはありませんでした。");
    // A message left as it was must never read as a message without
    // attachments.
    if (rewritten == 0) return FormatCount(failed) + ops::Cp932(" 通のメッセージの添付ファイルを削除できませんでした。");
    return FormatCount(rewritten) + ops::Cp932(" 通のメッセージの添付ファイルを削除しました（") + FormatCount(failed) +
           ops::Cp932(" 通は削除できませんでした）。");
}

void ProcAttachDelete1Click(ui::ListView& view, ui::StatusBar& status, MsgList& list, ui::Prompts& prompts,
                            ui::Progress& progress, ui::Shell& shell) {
    if (!prompts.confirmOkCancel(ops::Cp932("選択したメッセージの添付ファイルを削除しますか？"))) return;

    const std::vector<int> rows = view.selectedRows();
    const int selected = static_cast<int>(rows.size());
    progress.setRange(0, selected);
    progress.setPosition(0);
    progress.setTitle(ops::Cp932("添付ファイルを削除しています…"));
    progress.setLabel1(ops::Cp932("From："));
    progress.setPath1(std::string());
    progress.setLabel2(std::string());
    progress.setPath2(std::string());
    progress.setCountText(FormatCount(selected));
    progress.clearAbort();
    if (selected > 1) progress.show();
    progress.processEvents();

    int rewritten = 0;
    int failed = 0;
    int visited = 0;
    std::string errorText;
    for (int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < list.size()) {
            TMsgItem& entry = *list[row];
            std::error_code ec;
            if (entry.HasAttach && fs::exists(fs::path(entry.FileName), ec)) {
                RewriteOutcome outcome = RewriteMessageFile(entry, shell);
                if (outcome.kind == Kind::Rewritten) {
                    ++rewritten;
                    view.redrawRow(row);
                } else if (outcome.kind == Kind::NotTrashed) {
                    ++failed;
                } else if (outcome.kind == Kind::OpenFailed) {
                    ++failed;
                    prompts.warning(outcome.messageCp932);
                    break;
                } else if (outcome.kind == Kind::Failed) {
                    ++failed;
                    errorText = outcome.messageCp932;
                    break;
                }
            }
        }
        progress.setPosition(++visited);
        progress.processEvents();
        if (progress.abortRequested()) break;
    }

    progress.hide();
    status.setPanelText(1, AttachDeleteStatusText(rewritten, failed));
    // A write failure ends the command and is reported once it has ended, as
    // the general error handler reports it.
    if (!errorText.empty()) prompts.error(errorText);
}

}  // namespace pelmora
