// SPDX-License-Identifier: MIT
// vCard files (RFC 2426 for 3.0, RFC 6350 for 4.0, and the older 2.1 that
// phones still export): the formatted name and the e-mail addresses of each
// card. Other properties are read past.
#include <optional>

#include "addressbook/display_names.h"
#include "addressbook/source_lines.h"
#include "decode/ascii.h"
#include "decode/japanese.h"
#include "decode/text.h"
#include "decode/text_lines.h"
#include "decode/transfer.h"

namespace pelmora {

namespace {

struct ContentLine {
    std::string name;      // upper-cased, without its group
    std::string encoding;  // upper-cased ENCODING parameter
    std::string charset;
    std::string_view value;
};

std::string upper(std::string_view text) {
    return UpperCaseCp932(text);
}

// The position of the first c outside double quotes (parameter values may
// be quoted and hold ":" or ";").
std::size_t findUnquoted(std::string_view text, char c, std::size_t from = 0) {
    bool quoted = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == c && !quoted)
            return i;
    }
    return std::string_view::npos;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<ContentLine> parseContentLine(std::string_view line) {
    std::size_t colon = findUnquoted(line, ':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view head = line.substr(0, colon);
    ContentLine parsed;
    parsed.value = line.substr(colon + 1);
    std::size_t semicolon = findUnquoted(head, ';');
    std::string_view name = head.substr(0, semicolon);
    if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);  // "item1.EMAIL": the group is of no use here
    parsed.name = upper(name);
    while (semicolon != std::string_view::npos) {
        std::size_t next = findUnquoted(head, ';', semicolon + 1);
        std::string_view parameter =
            head.substr(semicolon + 1, next == std::string_view::npos ? next : next - semicolon - 1);
        semicolon = next;
        std::size_t equals = parameter.find('=');
        std::string key = upper(parameter.substr(0, equals));
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : unquote(parameter.substr(equals + 1));
        if (key == "ENCODING")
            parsed.encoding = upper(value);
        else if (key == "CHARSET")
            parsed.charset = std::string(value);
        else if (equals == std::string_view::npos && (key == "QUOTED-PRINTABLE" || key == "BASE64"))
            parsed.encoding = key;  // 2.1 allows the bare value
    }
    return parsed;
}

bool isQuotedPrintable(std::string_view line) {
    auto parsed = parseContentLine(line);
    return parsed && parsed->encoding == "QUOTED-PRINTABLE";
}

// Backslash escapes of 3.0 and 4.0 values; 2.1 escapes only ";", which
// this reading covers as well.
std::string unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            char next = value[i + 1];
            if (next == '\\' || next == ',' || next == ';' || next == ':') {
                out += next;
                ++i;
                continue;
            }
            if (next == 'n' || next == 'N') {
                out += ' ';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string toDisplayText(const std::string& bytes, std::string_view charset) {
    for (std::string_view sjis :
         {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "X-SJIS", "CP932", "WINDOWS-31J", "MS_KANJI"}) {
        if (ascii::EqualsNoCase(charset, sjis)) return bytes;
    }
    if (ascii::EqualsNoCase(charset, "ISO-2022-JP")) return Iso2022JpToSjis(bytes);
    if (ascii::EqualsNoCase(charset, "EUC-JP")) return Iso2022JpToSjis(EucJpToIso2022Jp(bytes));
    // UTF-8 is the format's own charset from 3.0 on and what 2.1 writers
    // use in practice when they name none.
    return Utf8ToAnsi(bytes);
}

std::string valueText(const ContentLine& line) {
    std::string bytes;
    if (line.encoding == "QUOTED-PRINTABLE")
        bytes = QuotedPrintableDecode(line.value);
    else if (line.encoding == "B" || line.encoding == "BASE64")
        bytes = Base64Decode(line.value);
    else
        bytes = unescape(line.value);
    return toDisplayText(bytes, line.charset);
}

class CardReader {
public:
    explicit CardReader(std::vector<std::string>& lines) : m_lines(lines) {}

    void take(std::string_view line) {
        auto parsed = parseContentLine(line);
        if (!parsed) return;
        std::string_view value = addressbook::TrimAsciiSpace(parsed->value);
        if (parsed->name == "BEGIN" && ascii::EqualsNoCase(value, "VCARD")) {
            if (m_depth++ == 0) startCard();
        } else if (parsed->name == "END" && ascii::EqualsNoCase(value, "VCARD")) {
            if (m_depth > 0 && --m_depth == 0) finishCard();
        } else if (m_depth == 1) {
            takeProperty(*parsed, value);
        }
    }

    void finish() {
        if (m_depth > 0) finishCard();
        m_depth = 0;
    }

    bool oldFolding() const { return m_version21; }

private:
    void startCard() {
        m_name.reset();
        m_addresses.clear();
        m_version21 = false;
    }

    void takeProperty(const ContentLine& property, std::string_view trimmedValue) {
        if (property.name == "VERSION") {
            m_version21 = trimmedValue == "2.1";
        } else if (property.name == "FN" && !m_name) {
            m_name = valueText(property);
        } else if (property.name == "EMAIL") {
            std::string address = valueText(property);
            if (upper(std::string_view(address).substr(0, 7)) == "MAILTO:") address.erase(0, 7);
            m_addresses.push_back(std::move(address));
        }
    }

    void finishCard() {
        if (m_name) {
            for (const std::string& address : m_addresses)
                addressbook::AddSourceLine(m_lines, address, *m_name);
        }
        startCard();
    }

    std::vector<std::string>& m_lines;
    int m_depth = 0;
    bool m_version21 = false;
    std::optional<std::string> m_name;
    std::vector<std::string> m_addresses;
};

}  // namespace

void ReadVCardText(std::string_view text, std::vector<std::string>& lines) {
    CardReader reader(lines);
    std::string logical;
    bool pending = false;
    TextLines physicalLines(text);
    std::string_view physical;
    while (physicalLines.next(physical)) {
        bool folded = !physical.empty() && (physical.front() == ' ' || physical.front() == '\t');
        if (pending && logical.ends_with('=') && isQuotedPrintable(logical)) {
            logical.pop_back();  // a quoted-printable soft line break
            logical += physical;
            continue;
        }
        if (pending && folded) {
            // 3.0 and 4.0 fold by inserting a line break before one blank,
            // which unfolding removes; 2.1 folds at a blank that belongs to
            // the value and stays.
            logical += reader.oldFolding() ? physical : physical.substr(1);
            continue;
        }
        if (pending) reader.take(logical);
        logical.assign(physical);
        pending = true;
    }
    if (pending) reader.take(logical);
    reader.finish();
}

}  // namespace pelmora
