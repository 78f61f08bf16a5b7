// SPDX-License-Identifier: MIT
#include "operations/attach_delete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

#include "decode/japanese.h"
#include "message/format.h"
#include "message/line_reader.h"
#include "message/mail_date.h"
#include "message/mime_boundary.h"
#include "operations/recycle.h"
#include "operations/strip_temporary.h"
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
    // A line, or a piece of one, which the piece that ends it ends by CR LF.
    bool piece(std::string_view text, bool endsLine) {
        m_block += text;
        m_written += text.size();
        if (endsLine) {
            m_block += "\r\n";
            m_written += 2;
        }
        return m_block.size() < kBlock || flush();
    }
    bool line(std::string_view text) { return piece(text, true); }
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

// The message has no second part to remove.
std::unexpected<Error> nothingToStrip() {
    return std::unexpected(MakeError(ErrorKind::Content, {}, 0));
}

std::unexpected<Error> writeFailed() {
    return std::unexpected(MakeError(ErrorKind::Write, {}, errno));
}

}  // namespace

std::expected<std::uint64_t, Error> StripMessage(LineReader& reader, std::string_view boundary,
                                                 const StripWriter& write) {
    BlockWriter out(write);
    // Lines are copied in pieces: a line may be as long as the file. Only a
    // whole line can be a delimiter, as in every other reader of messages.
    std::string piece;
    auto delimiter = [&] {
        return reader.place().whole() ? ClassifyDelimiterLine(piece, boundary) : DelimiterKind::None;
    };
    // Header, blank line and preamble, through the first delimiter, as read.
    bool found = false;
    while (reader.readPiece(piece)) {
        if (!out.piece(piece, reader.place().ends)) return writeFailed();
        if (delimiter() == DelimiterKind::Part) {
            found = true;
            break;
        }
    }
    if (!found || reader.atEnd()) return nothingToStrip();

    // The first part, up to the next delimiter of this boundary. A nested
    // boundary that only begins with it (abc_alt inside abc) is text.
    DelimiterKind end = DelimiterKind::None;
    while (reader.readPiece(piece)) {
        end = delimiter();
        if (end != DelimiterKind::None) break;
        if (!out.piece(piece, reader.place().ends)) return writeFailed();
    }
    if (end == DelimiterKind::None || end == DelimiterKind::Close) return nothingToStrip();
    if (!out.line("--" + std::string(boundary) + "--") || !out.flush()) return writeFailed();
    return out.written();
}

std::expected<StrippedMessage, Error> BuildStrippedMessage(const fs::path& file, std::string_view boundary) {
    LineReader reader;
    if (!reader.open(file)) return std::unexpected(MakeError(ErrorKind::Open, file, errno));
    reader.keepBareCarriageReturns();
    StrippedMessage out;
    auto stripped = StripMessage(reader, boundary, [&out](std::string_view bytes) {
        out.content += bytes;
        return true;
    });
    out.bytesRead = reader.bytesRead();
    if (!stripped) {
        stripped.error().path = file;
        return std::unexpected(stripped.error());
    }
    return out;
}

namespace {

using Kind = RewriteOutcome::Kind;
using Rewrite = std::expected<RewriteOutcome, Error>;

// Writing failed before the old file was touched.
std::unexpected<Error> untouched(const fs::path& file, int error) {
    Error failure = MakeError(ErrorKind::Write, file, error);
    failure.adviceCp932 = text::kOriginalUnchanged;
    return std::unexpected(std::move(failure));
}

// Gives the written temporary file the original's owner (where that may
// be changed), permissions and extended attributes, and the times to
// restore, and makes it durable; 0 or an errno value. It stays open, and so
// locked, until it has taken the message's name.
int finishTemporary(int fd, int originalFd, const struct stat& original, const struct timespec& time) {
    if (::geteuid() == 0) (void)::fchown(fd, original.st_uid, original.st_gid);
    // Keep the message as private as it was.
    ::fchmod(fd, original.st_mode & 07777);
    if (int error = platform::CopyExtendedAttributes(originalFd, fd); error != 0) return error;
    const struct timespec times[2] = {time, time};
    return (::futimens(fd, times) == 0 && ::fsync(fd) == 0) ? 0 : errno;
}

// The old file is in the trash and the new one could not take its name:
// put the old one back, or say where both are.
std::unexpected<Error> recoverAfterFailedRename(const fs::path& file, const fs::path& temporary,
                                                const fs::path& trashed, int error) {
    if (!trashed.empty()) {
        const fs::path info =
            trashed.parent_path().parent_path() / "info" / (trashed.filename().native() + ".trashinfo");
        if (platform::RestoreFromTrash({trashed, info}, file)) {
            ::unlink(temporary.c_str());
            return untouched(file, error);
        }
    }
    Error failure = MakeError(ErrorKind::Write, file, error);
    std::string text(text::kOriginalInTrash);
    if (!trashed.empty()) text += ": " + text::QuotedPath(trashed.native());
    text += text::kLineBreak;
    text += text::kNewContentLabel;
    text += text::QuotedPath(temporary.native());
    failure.adviceCp932 = std::move(text);
    return std::unexpected(std::move(failure));
}

// The entry describes the new file: its size, and which file it is (the
// times it was given are those the entry had).
void updateEntry(TMsgItem& entry, const struct stat& written) {
    entry.HasAttach = false;
    entry.FileSize = written.st_size;
    entry.SizeKB = SizeKBText(entry.FileSize);
    entry.SizeText = entry.SizeKB + "KB";
    const ui::FileIdentity identity = ui::IdentityOf(written);
    entry.FileDevice = identity.device;
    entry.FileInode = identity.inode;
    entry.FileChangeTime = identity.changed;
}

}  // namespace

namespace {

std::unexpected<Error> cannotOpen(const fs::path& file, int error) {
    Error failure = MakeError(ErrorKind::Open, file, error);
    failure.adviceCp932 = text::kCheckNotInUseAdvice;
    return std::unexpected(std::move(failure));
}

std::unexpected<Error> changedWhileRead(const fs::path& file) {
    Error failure = MakeError(ErrorKind::Changed, file, 0);
    failure.adviceCp932 = text::kOriginalUnchangedRunAgain;
    return std::unexpected(std::move(failure));
}

// The old file stayed where it was because the trash would not take it;
// the kind decides what the command does next, whatever the shell said.
// A file that another program changed or replaced after the last look here
// and before it moved is one the trash put back: said, as a change while
// reading is.
std::unexpected<Error> notTrashed(const fs::path& file, const ui::TrashResult& trashed) {
    Error failure =
        trashed.failures.empty() ? MakeError(ErrorKind::Trash, file, 0) : trashed.failures.front();
    if (failure.kind == ErrorKind::Changed) {
        if (!failure.adviceCp932.empty()) {
            Error stranded = MakeError(ErrorKind::Changed, file, 0);
            stranded.adviceCp932 = platform::TrashFailureText(failure);
            return std::unexpected(std::move(stranded));
        }
        return changedWhileRead(file);
    }
    failure.kind = ErrorKind::Trash;
    return std::unexpected(std::move(failure));
}

}  // namespace

std::string RewriteFailureText(const Error& error) {
    std::string text = text::QuotedPath(error.path.native());
    if (error.kind == ErrorKind::Open) {
        text += text::kCouldNotOpenSuffix;
    } else if (error.kind == ErrorKind::Changed) {
        text += text::kChangedWhileRewrittenSuffix;
    } else {
        text += text::kCouldNotRewriteSuffix;
        AppendUtf8AsAnsi(text, error.reasonText());
        text += text::kReasonEnd;
    }
    text += text::kParagraph;
    return text + error.adviceCp932;
}

Rewrite RewriteMessageFile(TMsgItem& entry, ui::Shell& shell, ui::FileSystem& files) {
    const fs::path file = entry.FileName;
    struct stat named {};
    if (entry.Boundary.empty() || ::lstat(file.c_str(), &named) != 0) return RewriteOutcome{};
    if (S_ISLNK(named.st_mode)) return RewriteOutcome{Kind::Link};
    if (!S_ISREG(named.st_mode)) return RewriteOutcome{};

    LineReader reader;
    if (!reader.open(file)) return cannotOpen(file, errno);
    reader.keepBareCarriageReturns();
    // Everything below is measured against the file as it was opened.
    struct stat read {};
    if (!reader.fileInfo(read)) return cannotOpen(file, errno);
    if (!ui::UnchangedSince(named, read)) return changedWhileRead(file);

    auto temporary = CreateStripTemporary(file);
    if (!temporary) return untouched(file, temporary.error());
    const StripTemporary made = *temporary;
    auto discard = [&made](Rewrite outcome) {
        ::unlink(made.path.c_str());
        ::close(made.fd);
        return outcome;
    };
    auto stripped = StripMessage(reader, entry.Boundary, [&files, &made](std::string_view bytes) {
        return files.writeAll(made.fd, bytes);
    });
    if (!stripped) {
        if (stripped.error().kind == ErrorKind::Write) return discard(untouched(file, stripped.error().code));
        return discard(RewriteOutcome{});
    }
    if (int error = finishTemporary(made.fd, reader.descriptor(), read, read.st_mtim); error != 0)
        return discard(untouched(file, error));

    // Someone changed or replaced the file while it was read: leave theirs
    // alone and say so.
    struct stat opened {};
    struct stat atName {};
    if (!reader.fileInfo(opened) || ::lstat(file.c_str(), &atName) != 0 ||
        !ui::UnchangedSince(read, opened) || !ui::UnchangedSince(read, atName))
        return discard(changedWhileRead(file));
    const std::uint64_t bytesRead = reader.bytesRead();
    reader.close();

    // The trash compares the file with what was read once more, right
    // before and after it moves, and puts back one that changed meanwhile.
    ui::TrashResult trashed =
        RecycleFiles(shell, {file}, ui::TrashConfirmation::DoNotAsk, {ui::IdentityOf(read)});
    if (!trashed.allMoved()) return discard(notTrashed(file, trashed));

    if (int error = files.renameNoReplace(made.path, file); error != 0) {
        ::close(made.fd);
        return recoverAfterFailedRename(file, made.path, trashed.locations[0], error);
    }
    platform::SyncFolderOf(file);
    struct stat written {};
    if (::fstat(made.fd, &written) != 0) written.st_size = static_cast<off_t>(*stripped);
    ::close(made.fd);
    updateEntry(entry, written);
    return RewriteOutcome{Kind::Rewritten, bytesRead};
}

std::string LinkNotRewrittenText(const fs::path& link) {
    return text::QuotedPath(link.native()) + std::string(text::kLinkNotRewrittenSuffix) +
           std::string(text::kParagraph) + std::string(text::kRewriteTheLinkTargetAdvice);
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

std::vector<Error> ProcAttachDelete1Click(ui::ListView& view, ui::StatusBar& status, MsgList& list,
                                          ui::Prompts& prompts, ui::Progress& progress, ui::Shell& shell,
                                          ui::FileSystem& files) {
    if (!prompts.confirmOkCancel(std::string(text::kDeleteAttachmentsQuestion))) return {};

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
    std::optional<Error> ending;
    std::vector<Error> passedOver;
    std::set<fs::path> cleaned;
    for (int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < list.size()) {
            TMsgItem& entry = *list[row];
            std::error_code ec;
            if (entry.HasAttach && fs::exists(fs::path(entry.FileName), ec)) {
                // What a killed rewrite left in this folder goes before the
                // first rewrite in it.
                if (const fs::path folder = fs::path(entry.FileName).parent_path();
                    cleaned.insert(folder).second)
                    RemoveLeftoverTemporaries(folder);
                Rewrite outcome = RewriteMessageFile(entry, shell, files);
                if (outcome && outcome->kind == Kind::Rewritten) {
                    ++rewritten;
                    view.redrawRow(row);
                } else if (outcome && outcome->kind == Kind::Link) {
                    ++failed;
                    prompts.warning(LinkNotRewrittenText(entry.FileName));
                } else if (!outcome) {
                    ++failed;
                    const Error& error = outcome.error();
                    if (error.kind == ErrorKind::Write) {
                        ending = error;
                        break;
                    }
                    // A file the trash would not take is passed over without
                    // a box (the caller has it); a changed one is said and the
                    // command goes on; an unreadable one is said and ends it.
                    if (error.kind == ErrorKind::Trash)
                        passedOver.push_back(error);
                    else
                        prompts.warning(RewriteFailureText(error));
                    if (error.kind == ErrorKind::Open) break;
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
    if (ending) prompts.error(RewriteFailureText(*ending));
    return passedOver;
}

}  // namespace pelmora
