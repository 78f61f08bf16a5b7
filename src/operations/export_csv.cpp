// SPDX-License-Identifier: MIT
#include "operations/export_csv.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "message/column_keys.h"
#include "message/format.h"
#include "platform/replace_file.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

bool isUnsafeFileNameChar(char c) {
    switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            return false;
    }
}

// The number of bytes of the character at text[i].
std::size_t charLength(std::string_view text, std::size_t i, TextEncoding encoding) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    // In UTF-8 every byte of a multibyte character is 0x80 or above, so no
    // part of one can be mistaken for ASCII; bytes are characters enough.
    if (encoding == TextEncoding::Utf8) return 1;
    return IsCp932LeadByte(byte) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::string SafeFileName(std::string_view text, TextEncoding encoding) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = charLength(text, i, encoding);
        if (n == 1 && isUnsafeFileNameChar(text[i]))
            out += '_';
        else
            out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

namespace {

// text in double quotes, each double quote in it doubled; prefix goes
// inside the opening quote.
std::string quotedCsvField(std::string_view cp932, std::string_view prefix) {
    std::string out = "\"";
    out += prefix;
    for (std::size_t i = 0; i < cp932.size();) {
        std::size_t n = charLength(cp932, i, TextEncoding::Cp932);
        if (n == 1 && cp932[i] == '"') out += '"';
        out.append(cp932.substr(i, n));
        i += n;
    }
    out += '"';
    return out;
}

// The first characters with which spreadsheets start a formula (OWASP's
// list for CSV injection).
bool startsFormula(std::string_view cp932) {
    if (cp932.empty()) return false;
    switch (cp932.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            return true;
        default:
            return false;
    }
}

// The column keys whose texts are dates or sizes made by this program,
// not taken from a message.
bool isProgramText(int key) {
    return key == KeyReceived || key == KeySent || key == KeySize;
}

}  // namespace

std::string CsvField(std::string_view cp932) {
    bool quote = false;
    for (std::size_t i = 0; i < cp932.size() && !quote;) {
        std::size_t n = charLength(cp932, i, TextEncoding::Cp932);
        const auto byte = static_cast<std::uint8_t>(cp932[i]);
        if (n == 1 && ((byte >= 1 && byte <= 32) || byte == ',' || byte == '"')) quote = true;
        i += n;
    }
    if (!quote) return std::string(cp932);
    return quotedCsvField(cp932, "");
}

std::string CsvMessageField(std::string_view cp932) {
    if (startsFormula(cp932)) return quotedCsvField(cp932, "'");
    return CsvField(cp932);
}

std::string CsvHeaderText(int key) {
    // The file gives the unit the list's size column leaves out.
    if (key == KeySize) return std::string(text::kCaptionSizeKB);
    const std::string_view caption = ColumnCaption(key);
    return caption.empty() ? std::string("???") : std::string(caption);
}

std::string CsvFieldText(const TMsgItem& entry, int key) {
    switch (key) {
        case KeySender:
            return entry.From;
        case KeySubject:
            return entry.Subject;
        case KeyReceived:
            return entry.RecvDateText;
        case KeySize:
            return entry.SizeKB;
        case KeyFolder:
            return Utf8ToAnsi(entry.FolderPath);  // the full path, not the short name the list shows
        case KeyRecipients:
            return entry.To;
        case KeySent:
            return entry.SentDateText;
        default:
            return "???";
    }
}

std::vector<int> ColumnKeys(const ports::ListView& view) {
    std::vector<int> keys;
    for (int c = 0; c < view.columnCount(); ++c) keys.push_back(view.columnKey(c));
    return keys;
}

void WriteMessageList(std::ostream& out, const std::vector<int>& keys, const MsgList& list) {
    std::string record;
    auto finish = [&] {
        record += "\r\n";
        out.write(record.data(), static_cast<std::streamsize>(record.size()));
        record.clear();
    };
    for (std::size_t c = 0; c < keys.size(); ++c) {
        if (c != 0) record += ',';
        record += CsvField(CsvHeaderText(keys[c]));
    }
    finish();
    for (const auto& entry : list) {
        for (std::size_t c = 0; c < keys.size(); ++c) {
            if (c != 0) record += ',';
            const std::string text = CsvFieldText(*entry, keys[c]);
            record += isProgramText(keys[c]) ? CsvField(text) : CsvMessageField(text);
        }
        finish();
    }
}

std::string ListFileErrorText(const Error& error) {
    return error.path.native() + ": " + error.reasonText();
}

std::expected<void, Error> WriteMessageListFile(const fs::path& file, const std::vector<int>& keys,
                                                const MsgList& list, ListPlacement placement,
                                                ports::FileSystem& files) {
    std::ostringstream text;
    WriteMessageList(text, keys, list);
    // Written beside the file and renamed over it: a full disk or a crash
    // leaves the previous list as it was, and a symbolic link in its place
    // is replaced rather than written through into whatever it points at.
    return platform::ReplaceFile(
        file,
        {.link = platform::LinkAtName::Replace,
         .placement = placement == ListPlacement::NoReplace ? platform::Placement::NoReplace
                                                            : platform::Placement::Replace,
         .temporaryTag = "pelmora-list-XXXXXX"},
        std::move(text).str(), files);
}

void OpenWithAssociation(const fs::path& file, ports::Shell& shell, ports::Prompts& prompts) {
    if (!shell.openWithAssociation(file)) prompts.warning(std::string(text::kCannotStartAssociatedProgram));
}

void ProcListMessage1Click(const fs::path& baseName, const ports::ListView& view, const MsgList& list,
                           ports::Prompts& prompts, ports::Shell& shell, fs::path& msgListDir,
                           const fs::path& fallbackFolder, ports::FileSystem& files) {
    if (!prompts.confirmYesNo(std::string(text::kCreateListQuestion))) return;

    ports::SaveFileRequest request;
    request.titleCp932 = text::kSaveListTitle;
    request.fileName = SafeFileName(baseName.native(), TextEncoding::Utf8) + ".csv";
    std::error_code ec;
    if (msgListDir.empty() || !fs::is_directory(msgListDir, ec)) msgListDir = fallbackFolder;
    request.initialFolder = msgListDir;
    request.filters = {{std::string(text::kCsvFilesFilter), "*.csv"},
                       {std::string(text::kAllFilesFilter), "*"}};
    request.defaultSuffix = "csv";
    std::optional<fs::path> chosen = prompts.chooseSaveFile(request);
    if (!chosen) return;

    msgListDir = chosen->parent_path();
    // The dialog asked about a file that was there; one that comes after it
    // is asked about again rather than replaced unseen.
    struct stat existing {};
    const bool existed = ::lstat(chosen->c_str(), &existing) == 0;
    auto written = WriteMessageListFile(*chosen, ColumnKeys(view), list,
                                        existed ? ListPlacement::Replace : ListPlacement::NoReplace, files);
    if (!written && written.error().code == EEXIST && !existed) {
        if (!prompts.confirmYesNo(text::ReplaceFileQuestion(chosen->native()))) return;
        written = WriteMessageListFile(*chosen, ColumnKeys(view), list, ListPlacement::Replace, files);
    }
    if (!written) {
        prompts.error(Utf8ToAnsi(ListFileErrorText(written.error())));
        return;
    }
    if (prompts.confirmYesNo(
            text::ListedOpenQuestion(FormatCount(static_cast<std::int64_t>(list.size())), chosen->native())))
        OpenWithAssociation(*chosen, shell, prompts);
}

}  // namespace pelmora
