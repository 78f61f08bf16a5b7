// SPDX-License-Identifier: MIT
#include "catalogue/duplicates.h"

#include <algorithm>

#include "message/format.h"
#include "catalogue/disposal.h"
#include "catalogue/ordering.h"
#include "catalogue/texts.h"
#include "ui/ports.h"

namespace pelmora {

namespace {

// 4.-5. Walks the hash-sorted list from its end; an entry stays when it has a
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

}  // namespace

std::string DuplicateCaptionSuffix() {
    return std::string(texts::kDuplicateCaptionSuffix);
}

std::string DuplicateStatusText(std::int64_t rows) {
    if (rows == 0) return std::string(texts::kNoDuplicates);
    return FormatCount(rows) + std::string(texts::kDuplicatesSuffix);
}

void ProcDupcheck1Click(bool searchWindow, DupcheckPorts& ports, MsgList& list) {
    ui::ListView& view = ports.view;
    {
        // 1.-2. (8. the cursor and redrawing come back also when a step fails)
        ui::BusyScope busy(ports.cursor);
        int rememberedKey = view.sortKey();
        ui::UpdateScope update(view);

        // 3. Copies still marked from the previous sort come after the others.
        view.setSortKey(KeyDupHash);
        SortMsgList(list, KeyDupHash, ports.prompts);

        // 4.-5.
        reduceToGroups(list);

        // 6.
        view.setRowCount(static_cast<int>(list.size()));
        view.clearSelection();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i]->SelMark) view.setSelected(static_cast<int>(i), true);

        // 7. The marks make the same entries selected after the re-sort.
        ResortList(view, rememberedKey, list, ports.prompts);
    }
    // 9.
    if (!searchWindow && ports.showDuplicateCaption) ports.showDuplicateCaption();
    // 10.
    ports.status.setPanelText(1, DuplicateStatusText(static_cast<std::int64_t>(list.size())));
    // 11.
    view.takeFocus();
}

}  // namespace pelmora
