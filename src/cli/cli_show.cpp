// SPDX-License-Identifier: MIT
// pelmora-cli show [--format=text|json] [--source] FILE: the header fields
// and the body text of one message, in UTF-8.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/message_reading.h"
#include "cli/terminal_ports.h"
#include "cli/text_output.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli show [--format=text|json] [--source] [--display-names|--no-display-names] FILE\n";

enum class ShowFormat { Text, Json };

struct ShowArgs {
    ShowFormat format = ShowFormat::Text;
    bool source = false;
    ReaderChoices reader;
    std::vector<std::filesystem::path> files;
};

std::string_view bodyType(BodyKind kind) {
    switch (kind) {
        case BodyKind::Plain:
            return "text/plain";
        case BodyKind::Html:
            return "text/html";
        case BodyKind::None:
            break;
    }
    return "";
}

void writeText(std::ostream& out, const MessageView& view) {
    auto field = [&](std::string_view name, const std::string& value) {
        out << name << ": " << value << '\n';
    };
    field("From", view.fromUtf8);
    field("To", view.toUtf8);
    if (!view.ccUtf8.empty()) field("Cc", view.ccUtf8);
    field("Subject", view.subjectUtf8);
    field("Date", view.dateUtf8);
    for (const AttachmentInfo& attachment : view.attachments)
        field("Attachment",
              attachment.nameUtf8 + " (" + attachment.mediaType + ", " + SizeWithUnit(attachment.size) + ")");
    out << '\n' << view.bodyUtf8;
    if (!view.bodyUtf8.empty() && !view.bodyUtf8.ends_with('\n')) out << '\n';
}

void writeJson(std::ostream& out, const MessageView& view) {
    out << "{\"path\":" << JsonString(view.path.string()) << ",\"from\":" << JsonString(view.fromUtf8)
        << ",\"to\":" << JsonString(view.toUtf8) << ",\"cc\":" << JsonString(view.ccUtf8)
        << ",\"subject\":" << JsonString(view.subjectUtf8) << ",\"date\":" << JsonString(view.dateUtf8)
        << ",\"body_type\":" << JsonString(bodyType(view.bodyKind))
        << ",\"body\":" << JsonString(view.bodyUtf8) << ",\"attachments\":[";
    for (std::size_t i = 0; i < view.attachments.size(); ++i) {
        const AttachmentInfo& attachment = view.attachments[i];
        out << (i > 0 ? "," : "") << "{\"name\":" << JsonString(attachment.nameUtf8)
            << ",\"type\":" << JsonString(attachment.mediaType) << ",\"size\":" << attachment.size << '}';
    }
    out << "]}\n";
}

int parse(const Args& args, ShowArgs& out) {
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (arg == "--source") {
            out.source = true;
        } else if (arg == "--format=text") {
            out.format = ShowFormat::Text;
        } else if (arg == "--format=json") {
            out.format = ShowFormat::Json;
        } else if (arg.starts_with("--format=")) {
            return "unknown format '" + arg.substr(9) + "'";
        } else if (!TakeDisplayNameOption(arg, out.reader)) {
            return "unknown option '" + arg + "'";
        }
        return std::nullopt;
    };
    if (auto problem =
            WalkArguments(args, option, [&](const std::string& arg) { out.files.emplace_back(arg); }))
        return UsageError("show", *problem, kUsage);
    if (out.files.size() != 1)
        return UsageError("show", out.files.empty() ? "no file given" : "one file only", kUsage);
    return 0;
}

}  // namespace

int ShowCommand(const Args& args) {
    ShowArgs options;
    if (const int status = parse(args, options); status != 0) return status;
    const std::filesystem::path& file = options.files.front();
    if (options.source) {
        const int status = WriteSourceText(file, [](std::string_view text) {
            std::cout << text;
            return static_cast<bool>(std::cout);
        });
        if (status != 0) {
            std::cerr << "pelmora-cli show: " << FailureLine(MakeError(ErrorKind::Open, file, status))
                      << '\n';
            return 1;
        }
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    TerminalPrompts prompts;
    ViewReader reader(options.reader, prompts);
    auto view = reader.read(file);
    if (!view) {
        std::cerr << "pelmora-cli show: " << FailureLine(view.error()) << '\n';
        return 1;
    }
    std::cerr << NoticeLines(*view);
    if (options.format == ShowFormat::Json) {
        writeJson(std::cout, *view);
    } else {
        writeText(std::cout, *view);
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace pelmora::cli
