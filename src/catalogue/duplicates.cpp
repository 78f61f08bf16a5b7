// SPDX-License-Identifier: MIT
#include "catalogue/duplicates.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "catalogue/disposal.h"
#include "catalogue/ordering.h"
#include "message/format.h"
#include "ports/busy_cursor.h"
#include "ports/file_system.h"
#include "ports/list_view.h"
#include "ports/status_bar.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

// True when path lies in folder or below it.
bool isUnder(std::string_view path, std::string_view folder) {
    if (folder.empty() || !path.starts_with(folder)) return false;
    if (folder.ends_with('/')) return true;
    return path.size() > folder.size() && path[folder.size()] == '/';
}

// True when a should stay rather than b.
bool preferred(const TMsgItem& a, const TMsgItem& b, const DupKeeper& keeper) {
    switch (keeper.rule) {
        case KeepRule::Newest:
            if (a.RecvDate != b.RecvDate) return a.RecvDate > b.RecvDate;
            break;
        case KeepRule::Largest:
            if (a.FileSize != b.FileSize) return a.FileSize > b.FileSize;
            break;
        case KeepRule::UnderFolder: {
            const bool aUnder = isUnder(a.FileName, keeper.folder);
            if (aUnder != isUnder(b.FileName, keeper.folder)) return aUnder;
            break;
        }
        case KeepRule::Oldest:
            break;
    }
    if (a.RecvDate != b.RecvDate) return a.RecvDate < b.RecvDate;
    return a.FileName < b.FileName;
}

// Reduces the hash-sorted list to its runs of at least two entries with a
// Message-ID and equal hash; in each, the keeper's choice stays unmarked
// and every other copy is marked. Copies the previous selection left
// unmarked sort first in their run, so they alone are candidates when
// there are any: the user's earlier choice outranks the rule. Gives the
// number of groups.
std::int64_t reduceToGroups(MsgList& list, const DupKeeper& keeper) {
    std::int64_t groups = 0;
    std::vector<bool> keep(list.size(), false);
    std::vector<std::size_t> copies;
    for (std::size_t begin = 0, end = 0; begin < list.size(); begin = end) {
        for (end = begin + 1; end < list.size() && list[end]->DupHash == list[begin]->DupHash;) ++end;
        copies.clear();
        for (std::size_t i = begin; i < end; ++i)
            if (!list[i]->MessageId.empty()) copies.push_back(i);
        if (copies.size() < 2) continue;
        ++groups;
        const bool anyUnmarked =
            std::any_of(copies.begin(), copies.end(), [&](std::size_t i) { return !list[i]->SelMark; });
        std::optional<std::size_t> chosen;
        for (std::size_t i : copies) {
            if (anyUnmarked && list[i]->SelMark) continue;
            if (!chosen || preferred(*list[i], *list[*chosen], keeper)) chosen = i;
        }
        for (std::size_t i : copies) {
            keep[i] = true;
            list[i]->SelMark = i != *chosen;
            list[i]->DupGroup = static_cast<std::int32_t>(groups);
            list[i]->DupKept = i == *chosen;
        }
    }
    std::size_t kept = 0;
    MsgList dropped;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (keep[i]) {
            list[kept++] = std::move(list[i]);
        } else {
            list[i]->SelMark = false;
            dropped.push_back(std::move(list[i]));
        }
    }
    list.resize(kept);
    FreeInBackground(dropped);
    return groups;
}

// The file an entry names, links followed; nullopt when it cannot be
// reached, which makes the entry a file of its own.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const TMsgItem& entry) {
    struct stat info {};
    if (entry.FileName.empty() || ::stat(entry.FileName.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

bool isSymbolicLink(const TMsgItem& entry) {
    struct stat info {};
    return ::lstat(entry.FileName.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Entries of the hash-sorted list that name the same file as another entry
// of their hash run (a symbolic link to it, a second hard link): one
// message, not two copies. Each is taken out of the list and filed under
// the entry that stands for the file, preferably one that is not a link.
using Aliases = std::vector<std::pair<const TMsgItem*, std::unique_ptr<TMsgItem>>>;

Aliases takeOutAliases(MsgList& list) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> standingFor(list.size(), kNone);
    for (std::size_t begin = 0, end = 0; begin < list.size(); begin = end) {
        for (end = begin + 1; end < list.size() && list[end]->DupHash == list[begin]->DupHash;) ++end;
        if (end - begin < 2) continue;
        std::vector<std::pair<FileIdentity, std::size_t>> files;  // identity, entry standing for it
        for (std::size_t i = begin; i < end; ++i) {
            if (list[i]->MessageId.empty()) continue;
            const std::optional<FileIdentity> identity = identityOf(*list[i]);
            if (!identity) continue;
            auto same =
                std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == *identity; });
            if (same == files.end()) {
                files.emplace_back(*identity, i);
                continue;
            }
            // The link goes, the file it points at stays in its place.
            if (isSymbolicLink(*list[same->second]) && !isSymbolicLink(*list[i]))
                std::swap(list[same->second], list[i]);
            standingFor[i] = same->second;
        }
    }
    Aliases aliases;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (standingFor[i] != kNone) aliases.emplace_back(list[standingFor[i]].get(), std::move(list[i]));
    std::erase_if(list, [](const std::unique_ptr<TMsgItem>& entry) { return !entry; });
    return aliases;
}

// Puts each alias back beside the entry that stands for its file, when
// that entry is still listed, with the same mark: a file chosen for the
// trash goes there with every link to it, so no link is left dangling.
void putBackAliases(MsgList& list, Aliases aliases) {
    if (aliases.empty()) return;
    MsgList merged;
    merged.reserve(list.size() + aliases.size());
    for (auto& entry : list) {
        const TMsgItem* standing = entry.get();
        merged.push_back(std::move(entry));
        for (auto& [owner, alias] : aliases) {
            if (owner != standing || !alias) continue;
            alias->SelMark = standing->SelMark;
            alias->DupGroup = standing->DupGroup;
            alias->DupKept = standing->DupKept;
            merged.push_back(std::move(alias));
        }
    }
    list = std::move(merged);
}

}  // namespace

std::optional<DupKeeper> ParseDupKeeper(std::string_view text) {
    if (text == "oldest") return DupKeeper{KeepRule::Oldest, {}};
    if (text == "newest") return DupKeeper{KeepRule::Newest, {}};
    if (text == "largest") return DupKeeper{KeepRule::Largest, {}};
    constexpr std::string_view kUnder = "under:";
    if (text.starts_with(kUnder) && text.size() > kUnder.size()) {
        std::string folder(text.substr(kUnder.size()));
        while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
        return DupKeeper{KeepRule::UnderFolder, std::move(folder)};
    }
    return std::nullopt;
}

std::string DupKeeperText(const DupKeeper& keeper) {
    switch (keeper.rule) {
        case KeepRule::Newest:
            return "newest";
        case KeepRule::Largest:
            return "largest";
        case KeepRule::UnderFolder:
            return "under:" + keeper.folder;
        case KeepRule::Oldest:
            break;
    }
    return "oldest";
}

std::string DuplicateCaptionSuffix() {
    return std::string(text::kDuplicateCaptionSuffix);
}

std::string DuplicateGroupsText(std::int64_t groups, std::int64_t rows, std::int64_t selected) {
    return FormatCount(groups) + std::string(text::kDupGroupsSuffix) + FormatCount(rows) +
           std::string(text::kDupCopiesSuffix) + FormatCount(selected) +
           std::string(text::kDupSelectedSuffix);
}

std::string DuplicateStatusText(std::int64_t rows) {
    if (rows == 0) return std::string(text::kNoDuplicates);
    return FormatCount(rows) + std::string(text::kDuplicatesSuffix);
}

void ProcDupcheck1Click(DupcheckPorts& ports, MsgList& list) {
    ports::ListView& view = ports.view;
    std::int64_t groups = 0;
    {
        // Busy cursor and no redrawing until the list is complete; both come
        // back also when a step fails.
        ports::BusyScope busy(ports.cursor);
        int rememberedKey = view.sortKey();
        ports::UpdateScope update(view);

        // Sorted by content hash, so copies lie side by side; copies still
        // marked from the previous sort come after the others.
        view.setSortKey(KeyDupHash);
        SortMsgList(list, KeyDupHash, ports.prompts);

        // Reduced to the groups of copies, marking all but the keeper's choice;
        // entries that are the same file count once.
        Aliases aliases = takeOutAliases(list);
        groups = reduceToGroups(list, ports.keeper);
        putBackAliases(list, std::move(aliases));

        // Shows the groups, their marked copies selected.
        view.setRowCount(static_cast<int>(list.size()));
        view.clearSelection();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i]->SelMark) view.setSelected(static_cast<int>(i), true);

        // Back to the key the user had; the marks make the same entries
        // selected after the re-sort.
        ResortList(view, rememberedKey, list, ports.prompts);
    }
    // The main window's list caption says it shows duplicates.
    if (ports.showDuplicateCaption) ports.showDuplicateCaption();
    // The status bar gives the number of messages in groups.
    ports.status.setPanelText(1, DuplicateStatusText(static_cast<std::int64_t>(list.size())));
    // Its hint says how many groups there are and how many copies are
    // selected, which the fixed text leaves out.
    if (ports.showGroupCounts) {
        const auto selected =
            std::count_if(list.begin(), list.end(), [](const auto& e) { return e->SelMark; });
        ports.showGroupCounts(list.empty()
                                  ? std::string()
                                  : DuplicateGroupsText(groups, static_cast<std::int64_t>(list.size()),
                                                        static_cast<std::int64_t>(selected)));
    }
    // The list takes the keyboard focus.
    view.takeFocus();
}

}  // namespace pelmora
