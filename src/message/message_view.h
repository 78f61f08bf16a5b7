// SPDX-License-Identifier: MIT
// The reader: what a window or a terminal shows of one message. The header
// fields come out decoded as the list decodes them; the body text and the
// attachment names in Unicode (UTF-8), since a reader must show what code
// page 932 cannot. The text shown is bounded; the attachments are only
// described, and read when they are saved (mime_content.h).
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "base/error.h"
#include "message/display_name_lookup.h"
#include "message/mime_content.h"
#include "message/mime_tree.h"
#include "ports/file_system.h"

namespace pelmora {

enum class BodyKind { None, Plain, Html };

struct AttachmentInfo {
    int part = -1;           // in MessageView::tree
    std::string nameUtf8;    // decoded, not yet made safe for a file system; never empty
    std::string mediaType;   // "application/pdf"
    std::uint64_t size = 0;  // decoded bytes
};

struct MessageView {
    std::filesystem::path path;
    // UTF-8, from display text decoded as the list decodes it.
    std::string fromUtf8, toUtf8, ccUtf8, subjectUtf8;
    std::string dateUtf8;  // "YYYY/MM/DD HH:MM", as the list shows the sent date

    BodyKind bodyKind = BodyKind::None;
    int bodyPart = -1;
    std::string bodyUtf8;  // line ends LF; format=flowed lines joined
    bool bodyCut = false;  // longer than the bound: only its start is held
    // The body's charset was unknown and its bytes were read as Latin-1.
    std::string unknownCharset;

    std::vector<AttachmentInfo> attachments;
    MimeTree tree;
    // The file as it was read: saving an attachment refuses a file that was
    // written to or replaced since, as the byte ranges above would be wrong.
    ports::FileIdentity identity;
};

struct MessageViewOptions {
    // Non-null while the display-name option is on, as for the list.
    const DisplayNameLookup* displayNames = nullptr;
    std::size_t maxTextBytes = 4 << 20;
};

std::expected<MessageView, Error> ReadMessageView(const std::filesystem::path& path,
                                                  const MessageViewOptions& options = {});
// The same from an open file (its path is only recorded).
MessageView ReadMessageView(int fd, const std::filesystem::path& path, const MessageViewOptions& options);

// Decodes the address fields (From, To, Cc) of view again from its header,
// with the address book's names where the list would use them (names
// non-null) or without. Cheap: a window reads a large message on another
// thread without the address book and adds the names here.
void ApplyDisplayNames(MessageView& view, const DisplayNameLookup* names);

// The part whose Content-ID is id (angle brackets and a "cid:" prefix
// ignored), or -1.
int FindPartByContentId(const MimeTree& tree, std::string_view id);

// The decoded content of one part of the message at path, at most limit
// bytes.
std::expected<std::string, Error> ReadPartBytes(const std::filesystem::path& path, const MimePart& part,
                                                std::size_t limit);

// The file as text, each line read as UnlabelledToUtf8 reads it (so raw
// ISO-2022-JP shows as Japanese), line ends LF, handed to sink a block at
// a time; at most the first limit bytes of the file. 0 or an errno value.
int WriteSourceText(const std::filesystem::path& path, const ContentSink& sink,
                    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());
// The same held in one string; cut is set when the file is longer.
std::expected<std::string, Error> ReadSourceText(const std::filesystem::path& path, std::size_t limit,
                                                 bool* cut = nullptr);

}  // namespace pelmora
