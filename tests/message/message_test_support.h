// SPDX-License-Identifier: MIT
// Helpers shared by the message reading tests: a fixed time zone, scratch
// files, scanned entries and one-call reads.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "message/mail_date.h"
#include "message/read_message.h"
#include "support/fake_ports.h"
#include "support/scoped_time_zone.h"

namespace pelmora::test {

inline constexpr const char* TokyoTz = "JST-9";
inline constexpr const char* BerlinTz = "CET-1CEST,M3.5.0,M10.5.0/3";

// A scratch folder removed with the test.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelmora-msg-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path write(const std::string& name, std::string_view bytes) const {
        const std::filesystem::path file = m_path / name;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path m_path;
};

// The entry a folder scan makes for file.
inline std::unique_ptr<TMsgItem> ScannedEntry(const std::filesystem::path& file) {
    auto entry = std::make_unique<TMsgItem>();
    entry->FileName = file.string();
    entry->FolderPath = file.parent_path().string();
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    entry->FileExt = ext;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        entry->FileSize = info.st_size;
        entry->FileTime = FileTimeFromTimespec(info.st_mtim);
        entry->FileDate = FileDateFromFileTime(entry->FileTime);
        entry->FileDateText = DateText(entry->FileDate);
    }
    return entry;
}

struct Reading {
    TMsgItem entry;
    LineList lines;
    std::vector<std::string> shown;
};

inline Reading ReadOne(const std::filesystem::path& file, ReaderOptions options = {},
                       SearchHooks* search = nullptr) {
    MsgList list;
    list.push_back(ScannedEntry(file));
    Reading result;
    FakePrompts prompts;
    ReaderContext context{result.lines, options, prompts, search};
    ReadMessage(list, 0, context);
    result.entry = *list[0];
    result.shown = prompts.shown;
    return result;
}

// Byte strings printed in hex on failure, so that code page 932 text and
// control bytes can be read.
inline std::string Hex(std::string_view bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += Digits[c >> 4];
            out += Digits[c & 15];
        }
    }
    return out;
}

}  // namespace pelmora::test
