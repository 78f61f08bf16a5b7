// SPDX-License-Identifier: MIT
// The duplicate check: reduces a list to the messages that occur more than
// once and selects every copy but one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "message/msg_item.h"

namespace pelmora {

namespace ports {
class ListView;
class StatusBar;
class BusyCursor;
class Prompts;
}  // namespace ports

// Which copy of a group stays unselected when the marks of the previous
// selection do not decide: the oldest received (the first copy that
// arrived), the newest, the largest file, or a copy under a folder (ties
// among those by the oldest). Full ties go to the first file name.
enum class KeepRule { Oldest, Newest, Largest, UnderFolder };

struct DupKeeper {
    KeepRule rule = KeepRule::Oldest;
    std::string folder;  // native bytes, no trailing slash; UnderFolder only
    bool operator==(const DupKeeper&) const = default;
};

// "oldest", "newest", "largest" or "under:PATH" (PATH non-empty, native
// bytes, taken as written); nothing for anything else.
std::optional<DupKeeper> ParseDupKeeper(std::string_view text);
// The inverse of ParseDupKeeper.
std::string DupKeeperText(const DupKeeper& keeper);

struct DupcheckPorts {
    ports::ListView& view;
    ports::StatusBar& status;
    ports::BusyCursor& cursor;
    ports::Prompts* prompts = nullptr;  // internal sort errors, when given
    // Given by the main window only: its folder caption then shows the
    // current folder + DuplicateCaptionSuffix(). The search window has none.
    std::function<void()> showDuplicateCaption;
    DupKeeper keeper{};
    // Given by the windows: receives the counts behind panel 1's text,
    // DuplicateGroupsText(), or an empty text when no copy is left.
    std::function<void(const std::string& cp932)> showGroupCounts{};
};

// Removes the entries without a duplicate (and those without Message-ID),
// selects all copies of each group but the one the keeper names among those
// the previous selection left unmarked (all, when it marked every one), re-sorts
// ascending by the view's previous key and writes the result to panel 1.
void ProcDupcheck1Click(DupcheckPorts& ports, MsgList& list);

// " の重複メッセージ", appended to the folder path in the main window's caption.
std::string DuplicateCaptionSuffix();
// Panel 1 after the check: "重複するメッセージはありません。" or "N 通のメッセージが重複しています。".
std::string DuplicateStatusText(std::int64_t rows);
// "N 組、M 通の重複（S 通を選択）": groups, rows in them, rows selected.
std::string DuplicateGroupsText(std::int64_t groups, std::int64_t rows, std::int64_t selected);

}  // namespace pelmora
