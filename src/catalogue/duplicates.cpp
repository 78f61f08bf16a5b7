// SPDX-License-Identifier: MIT
#include "catalogue/duplicates.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "catalogue/disposal.h"
#include "catalogue/ordering.h"
#include "message/format.h"
#include "texts/texts.h"
#include "ui/ports.h"

namespace pelmora {

namespace {

// Walks the hash-sorted list from its end; an entry stays when it has a
// neighbour of equal hash, and every entry of a group but its first is
// marked. Removal happens in one compaction pass afterwards: the walk only
// looks at entry i-1, which the walk has not yet reached, so deciding first
// and removing later gives the same list.
void reduceToGroups(MsgList& list) {
    for (auto& e : list) e->SelMark = false;
    std::vector<bool> keep(list.size(), false);
    bool inGroup = false;
    for (std::size_t i = list.size(); i-- > 0;) {
        TMsgItem& e = *list[i];
        if (e.MessageId.empty()) continue;  // never a duplicate; the group flag stays
        if (i > 0 && list[i - 1]->DupHash == e.DupHash) {
            inGroup = true;
            e.SelMark = true;
            keep[i] = true;
        } else if (inGroup) {
            inGroup = false;
            keep[i] = true;
        }
    }
    std::size_t kept = 0;
    MsgList dropped;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (keep[i])
            list[kept++] = std::move(list[i]);
        else
            dropped.push_back(std::move(list[i]));
    }
    list.resize(kept);
    FreeInBackground(dropped);
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
            merged.push_back(std::move(alias));
        }
    }
    list = std::move(merged);
}

}  // namespace

std::string DuplicateCaptionSuffix() {
    return std::string(text::kDuplicateCaptionSuffix);
}

std::string DuplicateStatusText(std::int64_t rows) {
    if (rows == 0) return std::string(text::kNoDuplicates);
    return FormatCount(rows) + std::string(text::kDuplicatesSuffix);
}

void ProcDupcheck1Click(DupcheckPorts& ports, MsgList& list) {
    ui::ListView& view = ports.view;
    {
        // Busy cursor and no redrawing until the list is complete; both come
        // back also when a step fails.
        ui::BusyScope busy(ports.cursor);
        int rememberedKey = view.sortKey();
        ui::UpdateScope update(view);

        // Sorted by content hash, so copies lie side by side; copies still
        // marked from the previous sort come after the others.
        view.setSortKey(KeyDupHash);
        SortMsgList(list, KeyDupHash, ports.prompts);

        // Reduced to the groups of copies, marking all but the first of each;
        // entries that are the same file count once.
        Aliases aliases = takeOutAliases(list);
        reduceToGroups(list);
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
    // The list takes the keyboard focus.
    view.takeFocus();
}

}  // namespace pelmora
