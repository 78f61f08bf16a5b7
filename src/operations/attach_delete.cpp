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
#include "message/mime_boundary.h"
#include "operations/recycle.h"
#include "platform/file_io.h"
#include "platform/trash.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

// Collects output into blocks so that a long first part costs few writes.
class BlockWriter {
public:
    explicit BlockWriter(const StripWriter& write) : m_write(write) {}
    bool line(std::string_view text) {
        m_block += text;
        m_block += "\r\n";
        m_written += text.size() + 2;
        return m_block.size() < kBlock || flush();
    }
    bool flush() {
        const bool ok = m_block.empty() || m_write(m_block);
        m_block.clear();
        return ok;
    }
    std::uint64_t written() const { return m_written; }

private:
    static constexpr std::size_t kBlock = 256 * 1024;
    const StripWriter& m_write;
    std::string m_block;
    std::uint64_t m_written = 0;
};

}  // namespace

std::expected<std::uint64_t, StripSkip> StripMessage(LineReader& reader, std::string_view boundary,
                                                     const StripWriter& write) {
    BlockWriter out(write);
    // Header, blank line and preamble, through the first delimiter, as read.
    std::string line;
    bool found = false;
    while (reader.readLine(line)) {
        if (!out.line(line)) return std::unexpected(StripSkip::WriteFailed);
        if (ClassifyDelimiterLine(line, boundary) == DelimiterKind::Part) {
            found = true;
            break;
        }
    }
    if (!found || reader.atEnd()) return std::unexpected(StripSkip::NoFirstDelimiter);

    // The first part, up to the next delimiter of this boundary. A nested
    // boundary that only begins with it (abc_alt inside abc) is text.
    DelimiterKind end = DelimiterKind::None;
    while (reader.readLine(line)) {
        end = ClassifyDelimiterLine(line, boundary);
        if (end != DelimiterKind::None) break;
        if (!out.line(line)) return std::unexpected(StripSkip::WriteFailed);
    }
    if (end == DelimiterKind::None) return std::unexpected(StripSkip::NoPartEnd);
    if (end == DelimiterKind::Close) return std::unexpected(StripSkip::OnlyOnePart);
    if (!out.line("--" + std::string(boundary) + "--") || !out.flush())
        return std::unexpected(StripSkip::WriteFailed);
    return out.written();
}

std::expected<StrippedMessage, StripSkip> BuildStrippedMessage(const fs::path& file,
                                                               std::string_view boundary) {
    LineReader reader;
    if (!reader.open(file)) return std::unexpected(StripSkip::OpenFailed);
    reader.keepBareCarriageReturns();
    StrippedMessage out;
    auto stripped = StripMessage(reader, boundary, [&out](std::string_view bytes) {
        out.content += bytes;
        return true;
    });
    out.bytesRead = reader.bytesRead();
    if (!stripped) return std::unexpected(stripped.error());
    return out;
}

namespace {

using Kind = RewriteOutcome::Kind;

RewriteOutcome failed(std::string messageCp932) {
    return {Kind::Failed, std::move(messageCp932), 0};
}

std::string untouchedMessage(const fs::path& file, int error) {
    return text::NotRewritten(file.native(), std::strerror(error));
}

// A new hidden file beside target, named after it so that a user who finds
// one knows what it is (unless that would pass the longest name a folder
// entry may have). Its path, or an errno value.
std::expected<std::pair<int, fs::path>, int> createTemporary(const fs::path& target) {
    std::string name = "." + target.filename().native() + ".pelmora-XXXXXX";
    if (name.size() > NAME_MAX) name = ".pelmora-XXXXXX";
    std::string pattern = (target.parent_path() / name).native();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    return std::pair{fd, fs::path(pattern)};
}

// Gives the written temporary file the original's permissions and the
// times to restore, makes it durable and closes it; 0 or an errno value.
int finishTemporary(int fd, const struct stat& original, const struct timespec& time) {
    // Keep the message as private as it was.
    ::fchmod(fd, original.st_mode & 07777);
    if (::geteuid() == 0) (void)::fchown(fd, original.st_uid, original.st_gid);
    const struct timespec times[2] = {time, time};
    int error = (::futimens(fd, times) == 0 && ::fsync(fd) == 0) ? 0 : errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Still the file that was read: the same file, neither written to nor
// replaced (a write moves the change time even when it keeps the size and
// the modification time).
bool unchangedSince(const struct stat& read, const struct stat& now) {
    return read.st_dev == now.st_dev && read.st_ino == now.st_ino && read.st_size == now.st_size &&
           sameTime(read.st_mtim, now.st_mtim) && sameTime(read.st_ctim, now.st_ctim);
}

// The old file is in the trash and the new one could not take its name:
// put the old one back, or say where both are.
RewriteOutcome recoverAfterFailedRename(const fs::path& file, const fs::path& temporary,
                                        const fs::path& trashed, int error) {
    if (!trashed.empty()) {
        const fs::path info =
            trashed.parent_path().parent_path() / "info" / (trashed.filename().native() + ".trashinfo");
        if (platform::RestoreFromTrash({trashed, info}, file)) {
            ::unlink(temporary.c_str());
            return failed(untouchedMessage(file, error));
        }
    }
    return failed(text::NotRewrittenOriginalInTrash(file.native(), std::strerror(error), trashed.native(),
                                                    temporary.native()));
}

void updateEntry(TMsgItem& entry, std::int64_t size) {
    entry.HasAttach = false;
    entry.FileSize = size;
    entry.SizeKB = SizeKBText(size);
    entry.SizeText = entry.SizeKB + "KB";
}

}  // namespace

namespace {

RewriteOutcome cannotOpen(const fs::path& file) {
    return {Kind::OpenFailed, text::CouldNotOpen(file.native()), 0};
}

RewriteOutcome changedWhileRead(const fs::path& file) {
    return {Kind::Changed, text::ChangedWhileRead(file.native()), 0};
}

}  // namespace

RewriteOutcome RewriteMessageFile(TMsgItem& entry, ui::Shell& shell,
                                  const std::function<bool(RewriteStep)>& failAt) {
    const fs::path file = entry.FileName;
    struct stat named {};
    if (entry.Boundary.empty() || ::lstat(file.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return {};

    LineReader reader;
    if (!reader.open(file)) return cannotOpen(file);
    reader.keepBareCarriageReturns();
    // Everything below is measured against the file as it was opened.
    struct stat read {};
    if (!reader.fileInfo(read)) return cannotOpen(file);
    if (!unchangedSince(named, read)) return changedWhileRead(file);

    auto temporary = createTemporary(file);
    if (!temporary) return failed(untouchedMessage(file, temporary.error()));
    const auto [fd, temporaryPath] = *temporary;
    auto discard = [&, fd = fd, path = temporaryPath](RewriteOutcome outcome) {
        if (fd >= 0) ::close(fd);
        ::unlink(path.c_str());
        return outcome;
    };
    auto stripped = StripMessage(reader, entry.Boundary,
                                 [fd = fd](std::string_view bytes) { return platform::WriteAll(fd, bytes); });
    if (!stripped) {
        if (stripped.error() == StripSkip::WriteFailed) return discard(failed(untouchedMessage(file, errno)));
        return discard({});
    }
    if (failAt && failAt(RewriteStep::WriteTemporary)) return discard(failed(untouchedMessage(file, EIO)));
    if (int error = finishTemporary(fd, read, read.st_mtim); error != 0) {
        ::unlink(temporaryPath.c_str());
        return failed(untouchedMessage(file, error));
    }

    // Someone changed or replaced the file while it was read: leave theirs
    // alone and say so.
    struct stat opened {};
    struct stat atName {};
    if (!reader.fileInfo(opened) || ::lstat(file.c_str(), &atName) != 0 || !unchangedSince(read, opened) ||
        !unchangedSince(read, atName)) {
        ::unlink(temporaryPath.c_str());
        return changedWhileRead(file);
    }
    const std::uint64_t bytesRead = reader.bytesRead();
    reader.close();

    ui::TrashResult trashed = RecycleFiles(shell, {file}, ui::TrashConfirmation::DoNotAsk);
    if (!trashed.allMoved()) {
        ::unlink(temporaryPath.c_str());
        return {Kind::NotTrashed, {}, 0};
    }

    int error =
        (failAt && failAt(RewriteStep::Rename)) ? EIO : platform::RenameNoReplace(temporaryPath, file);
    if (error != 0) return recoverAfterFailedRename(file, temporaryPath, trashed.locations[0], error);
    platform::SyncFolderOf(file);

    struct stat after {};
    updateEntry(entry,
                ::stat(file.c_str(), &after) == 0 ? after.st_size : static_cast<std::int64_t>(*stripped));
    return {Kind::Rewritten, {}, bytesRead};
}

std::string AttachDeleteStatusText(int rewritten, int failed) {
    if (failed == 0)
        return rewritten > 0 ? FormatCount(rewritten) + std::string(text::kAttachmentsDeletedSuffix)
                             : std::string(text::kNoAttachments);
    // A message left as it was must never read as a message without
    // attachments.
    if (rewritten == 0) return FormatCount(failed) + std::string(text::kAttachmentsNotDeletedSuffix);
    return FormatCount(rewritten) + std::string(text::kAttachmentsPartlyDeletedSuffix) + FormatCount(failed) +
           std::string(text::kNotDeletedCountSuffix);
}

void ProcAttachDelete1Click(ui::ListView& view, ui::StatusBar& status, MsgList& list, ui::Prompts& prompts,
                            ui::Progress& progress, ui::Shell& shell) {
    if (!prompts.confirmOkCancel(std::string(text::kDeleteAttachmentsQuestion))) return;

    const std::vector<int> rows = view.selectedRows();
    const int selected = static_cast<int>(rows.size());
    ui::ResetProgressBar(progress, selected);
    ui::SetProgressTexts(progress, {.title = std::string(text::kDeletingAttachmentsTitle),
                                    .label1 = std::string(text::kFromLabel),
                                    .countText = FormatCount(selected)});
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
                } else if (outcome.kind == Kind::Changed) {
                    ++failed;
                    prompts.warning(outcome.messageCp932);
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
