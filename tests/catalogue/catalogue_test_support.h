// SPDX-License-Identifier: MIT
// Hand-made entries and texts for the catalogue tests.
#pragma once

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "decode/japanese.h"
#include "message/msg_item.h"
#include "support/fake_ports.h"
#include "support/scoped_time_zone.h"

namespace pelmora::test {

// Display text spelled in UTF-8 in the test source.
inline std::string Sjis(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

struct ItemFields {
    std::string from = "a";
    std::string subject = "s";
    DateTime recv = 40000.0;
    DateTime sent = 40000.0;
    std::int64_t size = 100;
    std::string folderPath = "/mail/inbox";
    std::string to = "t";
    std::string messageId{};
    std::int64_t dupHash = 0;
};

inline std::unique_ptr<TMsgItem> MakeItem(const ItemFields& fields) {
    auto e = std::make_unique<TMsgItem>();
    e->From = fields.from;
    e->Subject = fields.subject;
    e->RecvDate = fields.recv;
    e->SentDate = fields.sent;
    e->FileSize = fields.size;
    e->FolderPath = fields.folderPath;
    auto slash = fields.folderPath.rfind('/');
    e->FolderName = slash == std::string::npos ? fields.folderPath : fields.folderPath.substr(slash + 1);
    e->To = fields.to;
    e->MessageId = fields.messageId;
    e->DupHash = fields.dupHash;
    e->FileName = fields.folderPath + "/" + fields.from + ".eml";
    return e;
}

// The senders of a list in list order: a compact way to state an order.
inline std::vector<std::string> Senders(const MsgList& list) {
    std::vector<std::string> out;
    for (const auto& e : list) out.push_back(e->From);
    return out;
}

}  // namespace pelmora::test
