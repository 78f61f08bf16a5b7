// SPDX-License-Identifier: MIT
// The settings file Pelmora.INI: read once while the main window is created,
// written once at exit. Field names are the file's key names, so one search
// finds the key, the field and the code that applies it.
//
// The file is code page 932 text. Paths (emlDir, MsgListDir, EditorName) are
// native bytes in memory; one that survives the trip to code page 932 and
// back unchanged is stored converted, any other is stored as its native
// bytes behind a UTF-8 byte order mark, which cannot begin a code page 932
// text (0xEF 0xBB is no character there), so reading is never ambiguous.
#pragma once

#include <array>
#include <cstddef>
#include <expected>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "base/error.h"
#include "message/column_keys.h"

namespace pelmora {

inline constexpr int kHistoryFields = 4;    // 差出人, 宛先, 件名, メッセージ
inline constexpr int kHistoryEntries = 11;  // indexes 00 to 10
// Longest text a read gives back, in bytes; longer values are cut.
inline constexpr std::size_t kSettingsTextLimit = 2047;

struct Settings {
    // [Form] main window. Height is the designed window height: a 498-pixel
    // client area plus menu, tool bar and status bar.
    int Width = 1024;
    int Height = 600;
    int Top = 178;
    int Left = 270;
    int CoolBarWidth0 = 330;
    bool CoolBarBreak1 = false;
    bool FolderTree = true;
    int STV1Width = 160;  // read only when FolderTree is true
    // C0Width ... C5Width: 差出人, 宛先, 件名, 送信日時, 受信日時, サイズ.
    std::array<int, 6> CWidth{110, 110, 270, 120, 120, 90};
    int VSort = KeyReceived;
    // The message preview below the list: shown, and its height in pixels.
    bool Preview = true;
    int PreviewHeight = 220;
    // [Form] search window. FFTop and FFLeft default to the main window's
    // position as read plus 25.
    int FFWidth = 960;
    int FFHeight = 552;
    int FFTop = 178 + 25;
    int FFLeft = 270 + 25;
    int FFCoolBarWidth0 = 330;
    bool FFCoolBarBreak1 = false;
    // FFC0Width ... FFC6Width.
    std::array<int, 7> FFCWidth{120, 120, 280, 120, 120, 90, 90};
    int FFVSort = KeyReceived;
    bool FFPreview = true;
    int FFPreviewHeight = 200;
    // [File] the current folder; empty when none.
    std::filesystem::path emlDir;
    // [Option]
    bool ConvDisplayName = false;
    bool DupCheckHeaders = true;
    bool ErrorUnableDecode = true;
    // The edit command's program: native bytes (UTF-8), like the two
    // folders, since it is only ever started or shown in a file dialog.
    std::string EditorName = "NotePad.exe";
    std::filesystem::path MsgListDir;
    bool ShowHint = true;
    // The copy of a duplicate group that stays unselected: "oldest",
    // "newest", "largest" or "under:" + folder (native bytes). A value the
    // duplicate check does not know is read as "oldest" there and written
    // back unchanged.
    std::string DupKeep = "oldest";
    // Attachment removal leaves a text/x-moz-deleted record of each part.
    bool AttachKeepRecord = false;
    // The main window lists the current folder with all its subfolders.
    bool ListSubFolders = false;
    // The user's own address book beside the desktop's: a folder of vCard
    // files, a vCard file or an SQLite book. Written only when set.
    std::filesystem::path AddressBookPath;
    // Where attachments were last saved; written only when set.
    std::filesystem::path AttachSaveDir;
    // [Find]
    bool FFsearchSubFolder = false;
    // CB<field><index>: CB[field - 1][index], display text; empty entries
    // are not written.
    std::array<std::array<std::string, kHistoryEntries>, kHistoryFields> CB;

    bool operator==(const Settings&) const = default;
};

// The key of history entry index (0 to 10) of field (1 to 4): "CB100".
std::string HistoryKey(int field, int index);

// Reads every key from the text of a settings file. Missing or malformed
// values give their defaults; never fails.
Settings ParseSettings(std::string_view content);

// Writes the sections Form, File, Option and Find with CR LF line ends,
// followed by the sections of keepFrom (the previous file's text) that are
// not these four, so that foreign sections survive a save.
void WriteSettings(std::ostream& out, const Settings& settings, std::string_view keepFrom = {});

}  // namespace pelmora
