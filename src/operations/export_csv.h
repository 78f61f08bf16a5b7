// SPDX-License-Identifier: MIT
// The message list as a CSV file: a header record from the view's columns,
// one record per entry in list order, code page 932, CR LF, no byte-order mark.
#pragma once

#include <expected>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "message/msg_item.h"
#include "platform/file_io.h"
#include "ports/file_system.h"
#include "ports/list_view.h"
#include "ports/prompts.h"
#include "ports/shell.h"

namespace pelmora {

enum class TextEncoding { Cp932, Utf8 };

// Every backslash, slash, colon, asterisk, question mark, double quote,
// less-than, greater-than and vertical bar replaced by "_", whole characters
// at a time: the second byte of a code page 932 character is never replaced,
// even where it has the value of a backslash (ソ, 表).
std::string SafeFileName(std::string_view text, TextEncoding encoding);

// One field: in double quotes, inner quotes doubled, when it holds a comma,
// a double quote or a byte from 1 to 32; else as it stands.
std::string CsvField(std::string_view cp932);
// A field whose text comes from a message (sender, recipients, subject,
// folder). A text that a spreadsheet would take for a formula (it begins
// with =, +, -, @, TAB or CR) is written with an apostrophe in front, inside
// double quotes, so that it shows as the text it is and runs nothing; any
// other text as CsvField writes it.
std::string CsvMessageField(std::string_view cp932);
// "差出人" ... for keys 1-7, "???" for any other.
std::string CsvHeaderText(int key);
// The text of entry written for the column with key, before quoting.
std::string CsvFieldText(const TMsgItem& entry, int key);
std::vector<int> ColumnKeys(const ports::ListView& view);

// The header record and one record per entry, each followed by CR LF.
void WriteMessageList(std::ostream& out, const std::vector<int>& keys, const MsgList& list);

// Whether the list may take the place of a file at its name: the user
// agreed to replace what is there, or nothing was there when they were asked.
enum class ListPlacement { Replace, NoReplace };

// The same into file, atomically: written to a temporary file in the same
// folder, then renamed into place, so a failure leaves the old file
// untouched; a symbolic link at file is replaced, never written through.
// With NoReplace the list takes the name only while it is free: a file that
// appeared there since the user was asked stays, and the error has the code
// EEXIST. An error of kind Write on failure. The writes and the no-replace
// rename go through files.
std::expected<void, Error> WriteMessageListFile(const std::filesystem::path& file,
                                                const std::vector<int>& keys, const MsgList& list,
                                                ListPlacement placement = ListPlacement::Replace,
                                                ports::FileSystem& files = platform::SystemFileSystem());
// The error said as "<path>: <reason>" (UTF-8, the path as its bytes stand).
std::string ListFileErrorText(const Error& error);

// Opens file with its associated program; says so when none starts.
void OpenWithAssociation(const std::filesystem::path& file, ports::Shell& shell, ports::Prompts& prompts);

// The command: two questions, the save dialog opened in msgListDir (or
// fallbackFolder when that is no folder: the user's documents folder on this
// platform), the file, and the offer to open it. msgListDir is updated to the
// folder of the file written. A file that appears at the chosen name after
// the dialog (which asks only about one that was there) is replaced only
// when the user agrees to a second question.
void ProcListMessage1Click(const std::filesystem::path& baseName, const ports::ListView& view,
                           const MsgList& list, ports::Prompts& prompts, ports::Shell& shell,
                           std::filesystem::path& msgListDir, const std::filesystem::path& fallbackFolder,
                           ports::FileSystem& files = platform::SystemFileSystem());

}  // namespace pelmora
