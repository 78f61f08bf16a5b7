// SPDX-License-Identifier: MIT
// vCard files (2.1, 3.0 and 4.0).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/cards.h"

namespace pelmora {

// The source lines of the vCards (2.1, 3.0, 4.0) in one .vcf text: one per
// EMAIL of a card that has an FN. Never fails; unreadable parts give nothing.
void ReadVCardText(std::string_view text, std::vector<std::string>& lines);

namespace addressbook {

// Calls take for every card of a vCard text (2.1, 3.0 or 4.0), its name the
// FN, else the N (family name first); the addresses those of its EMAILs.
void ReadVCards(std::string_view text, const std::function<void(Card&)>& take);

}  // namespace addressbook

}  // namespace pelmora
