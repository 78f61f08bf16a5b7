// SPDX-License-Identifier: MIT
#include "message/attachment_names.h"

#include <array>
#include <string_view>

#include "decode/ascii.h"
#include "decode/unicode_text.h"

namespace pelmora {

namespace {

using View = std::string_view;

View trim(View text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

std::string decodedParameter(const FieldParameter& parameter) {
    if (!parameter.extended) return EncodedWordsToUtf8(parameter.value);
    if (parameter.charset.empty()) return UnlabelledToUtf8(parameter.value);
    return CharsetToUtf8(parameter.value, parameter.charset).utf8;
}

View extensionFor(View mediaType) {
    struct Known {
        View type, extension;
    };
    static constexpr std::array<Known, 16> kKnown = {{
        {"text/plain", ".txt"},
        {"text/html", ".html"},
        {"text/calendar", ".ics"},
        {"text/csv", ".csv"},
        {"text/rfc822-headers", ".txt"},
        {"message/delivery-status", ".txt"},
        {"message/disposition-notification", ".txt"},
        {"image/png", ".png"},
        {"image/jpeg", ".jpg"},
        {"image/gif", ".gif"},
        {"application/pdf", ".pdf"},
        {"application/zip", ".zip"},
        {"application/pgp-signature", ".asc"},
        {"application/pkcs7-signature", ".p7s"},
        {"application/octet-stream", ".bin"},
        {"text/x-vcard", ".vcf"},
    }};
    for (const Known& known : kKnown)
        if (known.type == mediaType) return known.extension;
    return {};
}

bool endsWithNoCase(View text, View lowerSuffix) {
    return text.size() >= lowerSuffix.size() &&
           ascii::EqualsNoCase(text.substr(text.size() - lowerSuffix.size()), lowerSuffix);
}

}  // namespace

std::string AttachmentName(const MimePart& part, std::size_t ordinal) {
    const FieldParameter* parameter = part.disposition.find("filename");
    if (parameter == nullptr || trim(parameter->value).empty()) parameter = part.contentType.find("name");
    std::string name;
    if (parameter != nullptr) name = trim(decodedParameter(*parameter));
    if (part.mediaType() == "message/rfc822") {
        if (name.empty())
            if (const HeaderField* subject = FindField(part.innerHeader, "subject"))
                name = trim(EncodedWordsToUtf8(trim(UnfoldedValue(*subject))));
        if (name.empty()) name = "message";
        if (!endsWithNoCase(name, ".eml")) name += ".eml";
        return name;
    }
    if (name.empty()) name = "part" + std::to_string(ordinal) + std::string(extensionFor(part.mediaType()));
    return name;
}

}  // namespace pelmora
