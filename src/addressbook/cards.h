// SPDX-License-Identifier: MIT
// What every address-book reader shares: one contact as a name and its
// addresses, the way a name is made of its parts, and the limits that keep
// a hostile or broken book from taking the program's memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::addressbook {

// Display text (code page 932); the name may be empty.
struct Card {
    std::string name;
    std::vector<std::string> addresses;
};

// A contact file or one stored vCard larger than this is not read.
inline constexpr std::size_t kCardTextLimit = 16 * 1024 * 1024;
// A vCard property longer than this (a photo, a sound, a key) is read past
// without being kept or decoded: no name or address is ever that long.
inline constexpr std::size_t kPropertyLimit = 16 * 1024;
// Addresses taken from one card; the rest of a card that lists more is a
// mailing list pasted into a contact, not a person's addresses.
inline constexpr std::size_t kAddressesPerCard = 100;

// A person's name from its parts in the order a Japanese reader expects:
// family name, a blank, given name; either part alone when the other is
// empty. Both are display text.
std::string PersonName(std::string_view family, std::string_view given);

// The source lines of a card: one per address when it has a name.
void AddCardLines(std::vector<std::string>& lines, const Card& card);

}  // namespace pelmora::addressbook
