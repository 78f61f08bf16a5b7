// SPDX-License-Identifier: MIT
// Helpers shared by the message reading tests: a fixed time zone, scratch
// files, scanned entries and one-call reads of files or bytes.
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

#include "message/header_reader.h"
#include "message/mail_date.h"
#include "support/files.h"
#include "support/scoped_time_zone.h"

namespace pelmora::test {

inline constexpr const char* TokyoTz = "JST-9";
inline constexpr const char* BerlinTz = "CET-1CEST,M3.5.0,M10.5.0/3";

// A scratch folder removed with the test.
class ScratchDir {
public:
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path write(const std::string& name, std::string_view bytes) const {
        const std::filesystem::path file = m_path / name;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    ScratchFolder m_scratch{"pelmora-msg"};
    const std::filesystem::path& m_path = m_scratch.path();
};

// The entry a folder scan makes for file.
inline std::unique_ptr<TMsgItem> ScannedEntry(const std::filesystem::path& file) {
    auto entry = std::make_unique<TMsgItem>();
    entry->FileName = file.string();
    entry->FolderPath = file.parent_path().string();
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    entry->EmlFile = ext == ".eml";
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        entry->FileSize = info.st_size;
        entry->FileTime = FileTimeFromTimespec(info.st_mtim);
        entry->FileDate = FileDateFromFileTime(entry->FileTime);
    }
    return entry;
}

struct Reading {
    TMsgItem entry;
    LineList lines;
};

// The list's reading of file, opened as it is.
inline Reading ReadOne(const std::filesystem::path& file, ReaderOptions options = {}) {
    Reading result;
    result.entry = *ScannedEntry(file);
    LineReader reader;
    EXPECT_TRUE(reader.open(file)) << file;
    ReadListEntry(reader, result.entry, result.lines, options);
    return result;
}

// The entry a scan would make for a file `name` holding bytes, written on a
// fixed day, without the file.
inline TMsgItem EntryForBytes(std::string_view bytes, const std::string& name = "m.eml") {
    TMsgItem entry;
    entry.FileName = "/mail/" + name;
    entry.FolderPath = "/mail";
    entry.EmlFile = std::filesystem::path(name).extension() == ".eml";
    entry.FileSize = static_cast<std::int64_t>(bytes.size());
    entry.FileDate = 45000.5;
    return entry;
}

// The list's reading of a message given as bytes.
inline Reading ReadBytes(std::string_view bytes, ReaderOptions options = {},
                         const std::string& name = "m.eml") {
    Reading result;
    result.entry = EntryForBytes(bytes, name);
    LineReader reader;
    reader.openBytes(bytes);
    ReadListEntry(reader, result.entry, result.lines, options);
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
