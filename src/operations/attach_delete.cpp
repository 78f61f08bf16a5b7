// SPDX-License-Identifier: MIT
#include "operations/attach_delete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

#include "catalogue/parallel_read.h"
#include "catalogue/prefetch.h"
#include "decode/ascii.h"
#include "decode/japanese.h"
#include "message/attachment_names.h"
#include "message/format.h"
#include "message/line_reader.h"
#include "message/mail_date.h"
#include "message/mime_boundary.h"
#include "operations/recycle.h"
#include "operations/strip_temporary.h"
#include "platform/replace_file.h"
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

// The header of a later part, as read, line by line without line ends.
struct PartHeader {
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    bool cut = false;  // longer than kMaxPartHeader: the rest was passed over
};

constexpr std::size_t kMaxPartHeader = 1 << 20;

// The unfolded body of the header's first field of that name (lower case),
// or nullopt.
std::optional<std::string> headerValue(const PartHeader& header, std::string_view lowerName) {
    std::optional<std::string> value;
    for (const std::string& line : header.lines) {
        const bool continues = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (value) {
            if (!continues) break;
            *value += line;
            continue;
        }
        if (continues) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string_view name(line.data(), colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
        if (ascii::EqualsNoCase(name, lowerName)) value = line.substr(colon + 1);
    }
    return value;
}

bool isRecord(const ParameterizedField& contentType) {
    return contentType.token == "text/x-moz-deleted";
}

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// RFC 2231 attribute characters go as they are, every other byte as %XX.
std::string percentEncoded(std::string_view bytes) {
    static constexpr std::string_view kPlain = "!#$&+-.^_`|~";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (alnum || kPlain.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

// The parameter attribute="Deleted: NAME" for the name the removed part
// carried, in the form it carried it: an RFC 2231 name stays RFC 2231 in
// its charset (in sections of a short line each), any other stays quoted
// as written, encoded words and all.
std::string deletedParameter(std::string_view attribute, const FieldParameter& name) {
    if (name.extended) {
        const std::string encoded = percentEncoded("Deleted: " + name.value);
        constexpr std::size_t kSection = 60;
        if (encoded.size() <= kSection) return std::string(attribute) + "*=" + name.charset + "''" + encoded;
        std::string out;
        std::size_t at = 0;
        for (int section = 0; at < encoded.size(); ++section) {
            std::size_t end = std::min(encoded.size(), at + kSection);
            // A %XX escape stays in one section.
            if (end < encoded.size() && encoded[end - 1] == '%')
                end -= 1;
            else if (end < encoded.size() && encoded[end - 2] == '%')
                end -= 2;
            if (section > 0) out += ";\r\n ";
            out += std::string(attribute) + "*" + std::to_string(section) + "*=";
            if (section == 0) out += name.charset + "''";
            out += encoded.substr(at, end - at);
            at = end;
        }
        return out;
    }
    std::string out = std::string(attribute) + "=\"Deleted: ";
    for (const char c : name.value) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// The record that takes the place of a removed part, its delimiter first;
// ordinal is the part's place in the message, for a part without a name.
std::string recordFor(const PartHeader& header, std::string_view boundary, std::size_t ordinal,
                      const RemovalRecord& record) {
    MimePart part;
    if (auto type = headerValue(header, "content-type")) part.contentType = ParseParameterizedField(*type);
    if (part.contentType.token.empty()) part.contentType.token = "text/plain";
    if (auto disposition = headerValue(header, "content-disposition"))
        part.disposition = ParseParameterizedField(*disposition);
    const FieldParameter* name = part.disposition.find("filename");
    if (name == nullptr || blank(name->value)) name = part.contentType.find("name");
    FieldParameter named;
    if (name == nullptr || blank(name->value)) {
        named.value = AttachmentName(part, ordinal);
        name = &named;
    }
    std::string out = "--" + std::string(boundary) + "\r\n";
    out += "Content-Type: text/x-moz-deleted;\r\n " + deletedParameter("name", *name) + "\r\n";
    out += "Content-Transfer-Encoding: 8bit\r\n";
    out += "Content-Disposition: inline;\r\n " + deletedParameter("filename", *name) + "\r\n";
    out += "X-Mozilla-Altered: AttachmentDeleted; date=\"" + record.date + "\"\r\n";
    out += "\r\n";
    out += "This attachment was removed from the message by Pelmora.\r\n";
    out += "The MIME header it had was:\r\n";
    for (const std::string& line : header.lines) out += line + "\r\n";
    if (header.cut) out += "(the rest of that header was longer than this record keeps)\r\n";
    return out;
}

// The parts after the first, from the delimiter that ends the first one
// (in piece) to the close delimiter or the end of the file: each removed
// part becomes its record, a record already there is copied as read, an
// empty part goes without one.
// Answers whether any part was removed.
std::expected<bool, Error> writeRecords(LineReader& reader, std::string_view boundary, BlockWriter& out,
                                        std::string& piece, const RemovalRecord& record) {
    auto delimiter = [&] {
        return reader.place().whole() ? ClassifyDelimiterLine(piece, boundary) : DelimiterKind::None;
    };
    bool removed = false;
    for (std::size_t ordinal = 2;; ++ordinal) {
        const std::string opening = piece;  // the delimiter that opens this part, as read
        PartHeader header;
        std::string line;
        DelimiterKind next = DelimiterKind::None;
        bool inBody = false;
        bool more = false;
        while ((more = reader.readPiece(piece))) {
            next = delimiter();
            if (next != DelimiterKind::None) break;
            if (reader.place().whole() && piece.empty()) {
                inBody = true;
                break;
            }
            if (reader.place().begins) line.clear();
            if (!header.cut && header.bytes + piece.size() <= kMaxPartHeader) {
                line += piece;
                header.bytes += piece.size();
            } else {
                header.cut = true;
            }
            if (reader.place().ends && !header.cut) header.lines.push_back(line);
        }
        ParameterizedField type;
        if (auto value = headerValue(header, "content-type")) type = ParseParameterizedField(*value);
        // A record is copied only whole.
        const bool keep = isRecord(type) && !header.cut;
        if (keep) {
            if (!out.line(opening)) return writeFailed();
            for (const std::string& kept : header.lines)
                if (!out.line(kept)) return writeFailed();
            if (inBody && !out.line("")) return writeFailed();
        }
        // The body: copied for a record, passed over for a removed part.
        bool empty = header.lines.empty() && !header.cut;
        if (inBody) {
            while ((more = reader.readPiece(piece))) {
                next = delimiter();
                if (next != DelimiterKind::None) break;
                if (keep && !out.piece(piece, reader.place().ends)) return writeFailed();
                if (!blank(piece)) empty = false;
            }
        }
        if (!keep) {
            removed = true;
            // A part with neither header nor text (two delimiters in a row)
            // held nothing to keep a record of.
            if (!empty && !out.piece(recordFor(header, boundary, ordinal, record), false))
                return writeFailed();
        }
        if (!more || next != DelimiterKind::Part) break;
    }
    return removed;
}

}  // namespace

std::string RemovalDateText(std::time_t when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    struct tm local {};
    ::localtime_r(&when, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d", kDays[local.tm_wday % 7],
                  kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_year + 1900);
    return text;
}

std::expected<std::uint64_t, Error> StripMessage(LineReader& reader, std::string_view boundary,
                                                 const StripWriter& write, const RemovalRecord* record) {
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
    if (record != nullptr) {
        auto removed = writeRecords(reader, boundary, out, piece, *record);
        if (!removed) return std::unexpected(removed.error());
        if (!*removed) return std::unexpected(MakeError(ErrorKind::Content, {}, EALREADY));
    }
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

// The old file is in the trash and the new one could not take its name,
// nor could the old one go back: say where both are.
std::unexpected<Error> stranded(const platform::ReplaceFailure& failure) {
    Error error = failure.error;
    std::string text(text::kOriginalInTrash);
    if (!failure.trashedOld.empty()) text += ": " + text::QuotedPath(failure.trashedOld.native());
    text += text::kLineBreak;
    text += text::kNewContentLabel;
    text += text::QuotedPath(failure.newContent.native());
    error.adviceCp932 = std::move(text);
    return std::unexpected(std::move(error));
}

// The entry describes the new file: its size, and which file it is (the
// times it was given are those the entry had).
void updateEntry(TMsgItem& entry, const struct stat& written) {
    entry.HasAttach = false;
    entry.FileSize = written.st_size;
    entry.SizeKB = SizeKBText(entry.FileSize);
    const ports::FileIdentity identity = ports::IdentityOf(written);
    entry.FileDevice = identity.device;
    entry.FileInode = identity.inode;
    entry.FileChangeTime = identity.changed;
}

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
std::unexpected<Error> notTrashed(const fs::path& file, const ports::TrashResult& trashed) {
    Error failure =
        trashed.failures.empty() ? MakeError(ErrorKind::Trash, file, 0) : trashed.failures.front();
    if (failure.kind == ErrorKind::Changed) {
        if (!failure.adviceCp932.empty()) {
            Error stranded = MakeError(ErrorKind::Changed, file, 0);
            stranded.adviceCp932 = text::TrashFailureText(failure);
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

Rewrite RewriteMessageFile(TMsgItem& entry, ports::Shell& shell, ports::FileSystem& files, bool keepRecord) {
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
    if (!ports::UnchangedSince(named, read)) return changedWhileRead(file);

    const RemovalRecord record{RemovalDateText(std::time(nullptr))};
    platform::ReplaceOptions options{.link = platform::LinkAtName::Refuse,
                                     .placement = platform::Placement::AfterTrashingOld,
                                     .temporaryTag = kStripTemporaryTag,
                                     .asRead = platform::FileAsRead{read, reader.descriptor()},
                                     .keepTimes = true,
                                     .keepExtendedAttributes = true};
    // The trash compares the file with what was read once more, right
    // before and after it moves, and puts back one that changed meanwhile.
    options.trashOld = [&]() -> std::expected<fs::path, Error> {
        ports::TrashResult trashed =
            RecycleFiles(shell, {file}, ports::TrashConfirmation::DoNotAsk, {ports::IdentityOf(read)});
        if (!trashed.allMoved()) return notTrashed(file, trashed);
        return trashed.locations[0];
    };
    auto written = platform::ReplaceFile(
        file, options,
        [&](const auto& write) -> std::expected<void, Error> {
            auto stripped = StripMessage(reader, entry.Boundary, write, keepRecord ? &record : nullptr);
            if (!stripped) return std::unexpected(stripped.error());
            return {};
        },
        files);
    if (!written) {
        const platform::ReplaceFailure& failure = written.error();
        const Error& error = failure.error;
        if (!failure.newContent.empty()) return stranded(failure);
        if (error.kind == ErrorKind::Write) return untouched(file, error.code);
        // A link that took the file's place is a change like any other.
        if ((error.kind == ErrorKind::Changed && error.adviceCp932.empty()) ||
            (error.kind == ErrorKind::Content && error.code == ELOOP))
            return changedWhileRead(file);
        if (error.kind != ErrorKind::Content) return std::unexpected(error);
        // Its attachments were removed before and their records are all
        // that is left: there is nothing more to do for it.
        if (error.code == EALREADY) entry.HasAttach = false;
        return RewriteOutcome{};
    }
    updateEntry(entry, *written);
    return RewriteOutcome{Kind::Rewritten, reader.bytesRead()};
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

namespace {

// What the command did so far, for its closing status and reports.
struct StripTally {
    int rewritten = 0;
    int failed = 0;
    std::optional<Error> ending;    // the write failure that ended it
    std::vector<Error> passedOver;  // files the trash would not take
    std::set<fs::path> cleaned;     // folders rid of what a killed rewrite left
};

// Helper threads keep the next files to rewrite in flight, so that on a
// cold cache each one is not waited for on the disk in turn.
Prefetcher prefetchRewrites(const MsgList& list, const std::vector<int>& rows) {
    std::vector<const TMsgItem*> toRewrite;
    for (int row : rows)
        if (row >= 0 && static_cast<std::size_t>(row) < list.size() && list[row]->HasAttach)
            toRewrite.push_back(list[row].get());
    const auto helpers = static_cast<unsigned>(std::min<std::size_t>(kReadsInFlight - 1, toRewrite.size()));
    return Prefetcher(std::move(toRewrite), helpers);
}

// Rewrites the message of one listed entry with attachments; false when the
// command must end here.
bool stripListed(TMsgItem& entry, int row, ports::ListView& view, ports::Prompts& prompts,
                 ports::Shell& shell, ports::FileSystem& files, bool keepRecord, StripTally& tally) {
    std::error_code ec;
    if (!fs::exists(fs::path(entry.FileName), ec)) return true;
    // What a killed rewrite left in this folder goes before the first
    // rewrite in it.
    if (const fs::path folder = fs::path(entry.FileName).parent_path(); tally.cleaned.insert(folder).second)
        RemoveLeftoverTemporaries(folder);
    Rewrite outcome = RewriteMessageFile(entry, shell, files, keepRecord);
    if (outcome && outcome->kind == Kind::Rewritten) {
        ++tally.rewritten;
        view.redrawRow(row);
    } else if (outcome && outcome->kind == Kind::Link) {
        ++tally.failed;
        prompts.warning(LinkNotRewrittenText(entry.FileName));
    } else if (!outcome) {
        ++tally.failed;
        const Error& error = outcome.error();
        if (error.kind == ErrorKind::Write) {
            tally.ending = error;
            return false;
        }
        // A file the trash would not take is passed over without a box (the
        // caller has it); a changed one is said and the command goes on; an
        // unreadable one is said and ends it.
        if (error.kind == ErrorKind::Trash)
            tally.passedOver.push_back(error);
        else
            prompts.warning(RewriteFailureText(error));
        if (error.kind == ErrorKind::Open) return false;
    }
    return true;
}

}  // namespace

std::vector<Error> ProcAttachDelete1Click(ports::ListView& view, ports::StatusBar& status, MsgList& list,
                                          ports::Prompts& prompts, ports::Progress& progress,
                                          ports::Shell& shell, ports::FileSystem& files, bool keepRecord) {
    if (!prompts.confirmOkCancel(std::string(text::kDeleteAttachmentsQuestion))) return {};

    const std::vector<int> rows = view.selectedRows();
    const int selected = static_cast<int>(rows.size());
    ports::StartProgress(progress, selected,
                         {.title = std::string(text::kDeletingAttachmentsTitle),
                          .fromCaption = std::string(text::kFromLabel),
                          .countText = FormatCount(selected)});
    if (selected > 1) progress.show();
    progress.processEvents();

    StripTally tally;
    Prefetcher ahead = prefetchRewrites(list, rows);
    std::size_t place = 0;
    int visited = 0;
    for (int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < list.size() && list[row]->HasAttach) {
            ahead.reached(place++);
            if (!stripListed(*list[row], row, view, prompts, shell, files, keepRecord, tally)) break;
        }
        progress.setPosition(++visited);
        progress.processEvents();
        if (progress.abortRequested()) break;
    }

    progress.hide();
    status.setPanelText(1, AttachDeleteStatusText(tally.rewritten, tally.failed));
    // A write failure ends the command and is reported once it has ended, as
    // the general error handler reports it.
    if (tally.ending) prompts.error(RewriteFailureText(*tally.ending));
    return tally.passedOver;
}

}  // namespace pelmora
