// SPDX-License-Identifier: MIT
// What show, attachments and extract share: reading a message with the
// display-name choice of the settings file, and saying why one could not
// be read or written.
#pragma once

#include <expected>
#include <filesystem>
#include <string>

#include "cli/folder_load.h"
#include "message/message_view.h"

namespace pelmora::cli {

// The reader of one command run: the settings file's display-name option
// (or the command line's), the address book built once when it is on.
class ViewReader {
public:
    ViewReader(const ReaderChoices& choices, ports::Prompts& prompts);
    std::expected<MessageView, Error> read(const std::filesystem::path& path);

private:
    CommandReader m_reader;
};

// "FILE: reason", in UTF-8, for stderr.
std::string FailureLine(const Error& error);

// The notices a view carries (an unknown charset, a text cut short), one
// line each, for stderr; empty when there are none.
std::string NoticeLines(const MessageView& view);

// The media type and size of an attachment as the table shows them.
std::string SizeWithUnit(std::uint64_t bytes);

}  // namespace pelmora::cli
