// SPDX-License-Identifier: MIT
#include "message/column_keys.h"

#include "texts/texts.h"

namespace pelmora {

std::string_view ColumnCaption(int key) {
    switch (key) {
        case KeySender:
            return text::kCaptionSender;
        case KeySubject:
            return text::kCaptionSubject;
        case KeyReceived:
            return text::kCaptionReceived;
        case KeySize:
            return text::kCaptionSize;
        case KeyFolder:
            return text::kCaptionFolder;
        case KeyRecipients:
            return text::kCaptionRecipients;
        case KeySent:
            return text::kCaptionSent;
        default:
            return {};
    }
}

}  // namespace pelmora
