// SPDX-License-Identifier: MIT
#include "cli/message_reading.h"

#include "cli/terminal_ports.h"
#include "message/format.h"

namespace pelmora::cli {

ViewReader::ViewReader(const ReaderChoices& choices, ports::Prompts& prompts) : m_reader(choices, prompts) {}

std::expected<MessageView, Error> ViewReader::read(const std::filesystem::path& path) {
    MessageViewOptions options;
    options.displayNames = m_reader.context().options.DisplayNames;
    return ReadMessageView(path, options);
}

std::string FailureLine(const Error& error) {
    std::string line = "\"" + error.path.string() + "\": ";
    if (error.kind == ErrorKind::Changed)
        return line + "the file changed while it was read; nothing was written";
    return line + (error.reasonText().empty() ? "failed" : error.reasonText());
}

std::string NoticeLines(const MessageView& view) {
    std::string lines;
    const std::string name = "\"" + view.path.string() + "\": ";
    if (!view.unknownCharset.empty())
        lines += name + "unknown charset \"" + view.unknownCharset + "\", the text is shown as Latin-1\n";
    if (view.bodyCut) lines += name + "the text is longer than the reader shows; only its start is printed\n";
    if (view.tree.limited) lines += name + "the message has more parts or nesting than the reader follows\n";
    return lines;
}

std::string SizeWithUnit(std::uint64_t bytes) {
    return FormatCount(static_cast<std::int64_t>(bytes)) + " B";
}

}  // namespace pelmora::cli
