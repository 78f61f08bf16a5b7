// SPDX-License-Identifier: MIT
#include "message/message_view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "decode/ascii.h"
#include "decode/cp932.h"
#include "decode/header.h"
#include "decode/unicode_text.h"
#include "message/attachment_names.h"
#include "message/format_address.h"
#include "message/mail_date.h"
#include "message/mime_content.h"
#include "message/parse_mail_date.h"
#include "message/piece_reader.h"

namespace pelmora {

namespace {

using View = std::string_view;

bool isTrimmable(char c) {
    return static_cast<unsigned char>(c) <= 32 && c != '\x1B';
}

View trimCtl(View text) {
    while (!text.empty() && isTrimmable(text.front())) text.remove_prefix(1);
    while (!text.empty() && isTrimmable(text.back())) text.remove_suffix(1);
    return text;
}

// The list's unfolding: each line trimmed and joined to the one before
// without a blank, so an encoded word split over two lines reads whole.
std::string listUnfolded(const HeaderField& field) {
    std::string value;
    std::size_t start = 0;
    while (start <= field.folded.size()) {
        std::size_t end = field.folded.find('\n', start);
        if (end == std::string::npos) end = field.folded.size();
        value += trimCtl(View(field.folded).substr(start, end - start));
        start = end + 1;
    }
    return value;
}

// An address the list would show by the address book's name shows that
// name before it; every other address as it is written.
std::string withBookNames(const std::string& cp932, const DisplayNameLookup* names) {
    if (names == nullptr) return cp932;
    std::string out;
    std::size_t start = 0;
    while (start <= cp932.size()) {
        std::size_t end = cp932.find_first_of(",\r\n", start);
        if (end == std::string::npos) end = cp932.size();
        const View piece = trimCtl(View(cp932).substr(start, end - start));
        if (!piece.empty()) {
            if (!out.empty()) out += ", ";
            const std::string bare = FormatAddress(piece, nullptr);
            const std::string named = FormatAddress(piece, names);
            out += named != bare ? named + " <" + bare + ">" : std::string(piece);
        }
        start = end + 1;
    }
    return out;
}

std::string addressField(const std::vector<HeaderField>& header, View name, const DisplayNameLookup* names) {
    const HeaderField* field = FindField(header, name);
    return field == nullptr ? std::string()
                            : Cp932ToUtf8(withBookNames(DecodeHeaderText(listUnfolded(*field)), names));
}

std::string dateField(const std::vector<HeaderField>& header, int fd) {
    DateTime date = 0;
    if (const HeaderField* field = FindField(header, "date")) {
        date = ParseMailDate(trimCtl(listUnfolded(*field)));
        if (date < DateFloor) date = DateFloor;
    } else if (struct stat info; fstat(fd, &info) == 0) {
        date = FileDateFromFileTime(FileTimeFromTimespec(info.st_mtim));
    }
    return DateText(date);
}

bool isAttachmentDisposition(const MimePart& part) {
    return part.disposition.token == "attachment";
}

class BodyFinder {
public:
    explicit BodyFinder(const MimeTree& tree) : m_tree(tree) {}

    // text/plain before text/html, searched depth first; a part marked as an
    // attachment is never the body, and of a multipart/related only its
    // root (RFC 2387) is searched.
    int find() {
        visit(0);
        return m_best;
    }

private:
    void visit(int index) {
        if (m_rank == 0) return;
        const MimePart& part = m_tree.parts[static_cast<std::size_t>(index)];
        if (isAttachmentDisposition(part)) return;
        const View type = part.mediaType();
        if (type == "text/plain" || type == "text/html") {
            const int rank = type == "text/plain" ? 0 : 1;
            if (rank < m_rank) m_rank = rank, m_best = index;
            return;
        }
        if (!part.isMultipart() || part.children.empty()) return;
        if (type == "multipart/related") {
            visit(relatedRoot(part));
            return;
        }
        for (const int child : part.children) visit(child);
    }

    int relatedRoot(const MimePart& part) const {
        View start = trimCtl(part.contentType.value("start"));
        if (start.starts_with('<') && start.ends_with('>')) start = start.substr(1, start.size() - 2);
        if (!start.empty())
            for (const int child : part.children)
                if (m_tree.parts[static_cast<std::size_t>(child)].contentId == start) return child;
        return part.children.front();
    }

    const MimeTree& m_tree;
    int m_best = -1;
    int m_rank = 2;
};

// Every leaf but the body and the other renderings of it: the parts of a
// multipart/alternative are the body shown another way unless one is
// marked as an attachment.
void collectAttachments(const MimeTree& tree, int index, int body, bool inAlternative,
                        std::vector<AttachmentInfo>& out) {
    const MimePart& part = tree.parts[static_cast<std::size_t>(index)];
    if (index == body) return;
    if (part.isMultipart()) {
        const bool alternative = inAlternative || part.mediaType() == "multipart/alternative";
        for (const int child : part.children) collectAttachments(tree, child, body, alternative, out);
        return;
    }
    if (inAlternative && !isAttachmentDisposition(part)) return;
    // Two delimiters in a row: a part of nothing, with nothing to save.
    if (part.header.empty() && part.bodyBegin == part.bodyEnd) return;
    AttachmentInfo info;
    info.part = index;
    info.mediaType = part.mediaType();
    info.size = part.decodedSize;
    info.nameUtf8 = AttachmentName(part, out.size() + 1);
    out.push_back(std::move(info));
}

// RFC 3676 4.2: a line ending in a blank flows into the next one of the
// same quote depth; with DelSp=yes that blank goes. The signature line
// "-- " never flows.
std::string unflowed(View text, bool delSp) {
    std::string out;
    std::size_t pendingDepth = 0;
    bool pending = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == View::npos) end = text.size();
        View line = text.substr(start, end - start);
        std::size_t depth = 0;
        while (depth < line.size() && line[depth] == '>') ++depth;
        View content = line.substr(depth);
        if (content.starts_with(' ')) content.remove_prefix(1);  // space-stuffing
        if (pending && depth != pendingDepth) out += '\n';
        if (!pending || depth != pendingDepth) {
            out.append(depth, '>');
            if (depth > 0) out += ' ';
        }
        const bool flows = content.ends_with(' ') && content != "-- ";
        if (flows && delSp) content.remove_suffix(1);
        out += content;
        pending = flows;
        pendingDepth = depth;
        if (!flows && end < text.size()) out += '\n';
        start = end + 1;
    }
    return out;
}

// CR LF and a CR alone become LF.
std::string withLfEnds(std::string text) {
    if (text.find('\r') == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
            out += '\n';
        }
    }
    return out;
}

void readBody(int fd, MessageView& view, const MessageViewOptions& options) {
    const MimePart& part = view.tree.parts[static_cast<std::size_t>(view.bodyPart)];
    view.bodyKind = part.mediaType() == "text/html" ? BodyKind::Html : BodyKind::Plain;
    const std::string bytes = ReadPartContent(fd, part, options.maxTextBytes, &view.bodyCut);
    const View charset = trimCtl(part.contentType.value("charset"));
    Utf8Text text = CharsetToUtf8(bytes, charset);
    if (text.charsetUnknown) view.unknownCharset = charset;
    view.bodyUtf8 = withLfEnds(std::move(text.utf8));
    if (view.bodyKind == BodyKind::Plain &&
        ascii::EqualsNoCase(trimCtl(part.contentType.value("format")), "flowed"))
        view.bodyUtf8 =
            unflowed(view.bodyUtf8, ascii::EqualsNoCase(trimCtl(part.contentType.value("delsp")), "yes"));
}

Error openError(const std::filesystem::path& path) {
    return MakeError(ErrorKind::Open, path, errno);
}

class FileHandle {
public:
    // Without blocking: a pipe or a device given the name of a message would
    // otherwise hold the reader (and a window's selection) until written to.
    explicit FileHandle(const std::filesystem::path& path)
        : m_fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~FileHandle() {
        if (m_fd >= 0) close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

MessageView ReadMessageView(int fd, const std::filesystem::path& path, const MessageViewOptions& options) {
    MessageView view;
    view.path = path;
    view.tree = ScanMimeTree(fd);
    if (struct stat info; fstat(fd, &info) == 0) view.identity = ports::IdentityOf(info);
    const std::vector<HeaderField>& header = view.tree.parts[0].header;
    ApplyDisplayNames(view, options.displayNames);
    if (const HeaderField* subject = FindField(header, "subject"))
        view.subjectUtf8 = Cp932ToUtf8(DecodeHeaderText(listUnfolded(*subject)));
    view.dateUtf8 = dateField(header, fd);
    view.bodyPart = BodyFinder(view.tree).find();
    if (view.bodyPart >= 0) readBody(fd, view, options);
    collectAttachments(view.tree, 0, view.bodyPart, false, view.attachments);
    return view;
}

std::expected<MessageView, Error> ReadMessageView(const std::filesystem::path& path,
                                                  const MessageViewOptions& options) {
    const FileHandle file(path);
    if (file.fd() < 0) return std::unexpected(openError(path));
    struct stat info;
    if (fstat(file.fd(), &info) != 0) return std::unexpected(openError(path));
    if (!S_ISREG(info.st_mode))
        return std::unexpected(MakeError(ErrorKind::Open, path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
    return ReadMessageView(file.fd(), path, options);
}

void ApplyDisplayNames(MessageView& view, const DisplayNameLookup* names) {
    const std::vector<HeaderField>& header = view.tree.parts[0].header;
    view.fromUtf8 = addressField(header, "from", names);
    view.toUtf8 = addressField(header, "to", names);
    view.ccUtf8 = addressField(header, "cc", names);
}

int FindPartByContentId(const MimeTree& tree, View id) {
    id = trimCtl(id);
    if (ascii::StartsWithNoCase(id, "cid:")) id.remove_prefix(4);
    if (id.starts_with('<') && id.ends_with('>')) id = id.substr(1, id.size() - 2);
    if (id.empty()) return -1;
    for (std::size_t i = 0; i < tree.parts.size(); ++i)
        if (tree.parts[i].contentId == id) return static_cast<int>(i);
    return -1;
}

std::expected<std::string, Error> ReadPartBytes(const std::filesystem::path& path, const MimePart& part,
                                                std::size_t limit) {
    const FileHandle file(path);
    if (file.fd() < 0) return std::unexpected(openError(path));
    int error = 0;
    std::string bytes = ReadPartContent(file.fd(), part, limit, nullptr, &error);
    if (error != 0) return std::unexpected(MakeError(ErrorKind::Open, path, error));
    return bytes;
}

int WriteSourceText(const std::filesystem::path& path, const ContentSink& sink, std::uint64_t limit) {
    const FileHandle file(path);
    if (file.fd() < 0) return errno;
    PieceReader reader(file.fd(), 0, limit);
    LinePiece piece;
    std::string text;
    while (reader.next(piece)) {
        text += UnlabelledToUtf8(piece.bytes);
        if (piece.eol > 0) text += '\n';
        if (text.size() >= 64 * 1024) {
            if (!sink(text)) return 0;
            text.clear();
        }
    }
    if (!text.empty()) sink(text);
    return reader.error();
}

std::expected<std::string, Error> ReadSourceText(const std::filesystem::path& path, std::size_t limit,
                                                 bool* cut) {
    std::string text;
    const int error = WriteSourceText(
        path,
        [&](View block) {
            text += block;
            return true;
        },
        limit);
    if (error != 0) return std::unexpected(MakeError(ErrorKind::Open, path, error));
    if (cut != nullptr) {
        std::error_code failed;
        const std::uintmax_t size = std::filesystem::file_size(path, failed);
        *cut = !failed && size > limit;
    }
    return text;
}

}  // namespace pelmora
