// SPDX-License-Identifier: MIT
// vCard files (RFC 2426 for 3.0, RFC 6350 for 4.0, and the older 2.1 that
// phones still export): the formatted name and the e-mail addresses of each
// card. Other properties are read past.
#include "addressbook/vcard.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "addressbook/cards.h"
#include "addressbook/display_names.h"
#include "addressbook/source_lines.h"
#include "decode/ascii.h"
#include "decode/cp932.h"
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

bool isShiftJis(std::string_view charset) {
    for (std::string_view sjis :
         {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "X-SJIS", "CP932", "WINDOWS-31J", "MS_KANJI"}) {
        if (ascii::EqualsNoCase(charset, sjis)) return true;
    }
    return false;
}

// The value split at unescaped separators (N's ";"), each part unescaped.
// Backslash escapes are those of 3.0 and 4.0; 2.1 escapes only ";", which
// this reading covers as well. In Shift_JIS text a backslash may be the
// second byte of a character (ソ is 0x83 0x5C), which escapes nothing.
// A transfer-encoded value carries its bytes as they are, without escapes.
std::vector<std::string> unescapedParts(std::string_view value, bool shiftJis, bool escaped,
                                        std::optional<char> separator) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (shiftJis && IsCp932LeadByte(static_cast<std::uint8_t>(c)) && i + 1 < value.size()) {
            parts.back() += value.substr(i, 2);
            ++i;
        } else if (c == separator) {
            parts.emplace_back();
        } else if (escaped && c == '\\' && i + 1 < value.size() &&
                   std::string_view("\\,;:nN").find(value[i + 1]) != std::string_view::npos) {
            const char next = value[++i];
            parts.back() += next == 'n' || next == 'N' ? ' ' : next;
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string toDisplayText(const std::string& bytes, std::string_view charset) {
    if (isShiftJis(charset)) return bytes;
    if (ascii::EqualsNoCase(charset, "ISO-2022-JP")) return Iso2022JpToSjis(bytes);
    if (ascii::EqualsNoCase(charset, "EUC-JP")) return Iso2022JpToSjis(EucJpToIso2022Jp(bytes));
    // UTF-8 is the format's own charset from 3.0 on and what 2.1 writers
    // use in practice when they name none.
    return Utf8ToAnsi(bytes);
}

// The parts of a value in display text: transfer-decoded, split at the
// separator (none: one part), unescaped and converted.
std::vector<std::string> valueParts(const ContentLine& line, std::optional<char> separator) {
    std::string decoded;
    std::string_view bytes = line.value;
    bool transferDecoded = false;
    if (line.encoding == "QUOTED-PRINTABLE") {
        decoded = QuotedPrintableDecode(line.value);
        bytes = decoded;
        transferDecoded = true;
    } else if (line.encoding == "B" || line.encoding == "BASE64") {
        decoded = Base64Decode(line.value);
        bytes = decoded;
        transferDecoded = true;
    }
    std::vector<std::string> parts =
        unescapedParts(bytes, isShiftJis(line.charset), !transferDecoded, separator);
    for (std::string& part : parts) part = toDisplayText(part, line.charset);
    return parts;
}

std::string valueText(const ContentLine& line) {
    return std::move(valueParts(line, std::nullopt).front());
}

class CardReader {
public:
    explicit CardReader(const std::function<void(addressbook::Card&)>& take) : m_take(take) {}

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
        m_formattedName.reset();
        m_structuredName.reset();
        m_card = {};
        m_version21 = false;
    }

    void takeProperty(const ContentLine& property, std::string_view trimmedValue) {
        if (property.name == "VERSION") {
            m_version21 = trimmedValue == "2.1";
        } else if (property.name == "FN" && !m_formattedName) {
            m_formattedName = valueText(property);
        } else if (property.name == "N" && !m_structuredName) {
            // Family; Given; Additional; Prefixes; Suffixes.
            std::vector<std::string> parts = valueParts(property, ';');
            parts.resize(2);
            m_structuredName = addressbook::PersonName(addressbook::TrimAsciiSpace(parts[0]),
                                                       addressbook::TrimAsciiSpace(parts[1]));
        } else if (property.name == "EMAIL" && m_card.addresses.size() < addressbook::kAddressesPerCard) {
            std::string address = valueText(property);
            if (upper(std::string_view(address).substr(0, 7)) == "MAILTO:") address.erase(0, 7);
            m_card.addresses.push_back(std::move(address));
        }
    }

    void finishCard() {
        // A 2.1 card need not have an FN, and a 4.0 writer may leave it
        // empty; N then names the person.
        if (m_formattedName && !addressbook::TrimAsciiSpace(*m_formattedName).empty())
            m_card.name = std::move(*m_formattedName);
        else if (m_structuredName)
            m_card.name = std::move(*m_structuredName);
        m_take(m_card);
        startCard();
    }

    const std::function<void(addressbook::Card&)>& m_take;
    int m_depth = 0;
    bool m_version21 = false;
    std::optional<std::string> m_formattedName;
    std::optional<std::string> m_structuredName;
    addressbook::Card m_card;
};

// One logical line being unfolded. A property longer than the limit (a
// photo) is read past: its head stays for the parameters, its value is
// neither kept nor decoded.
class LogicalLine {
public:
    void start(std::string_view physical) {
        m_text.clear();
        m_overlong = false;
        append(physical);
    }
    void append(std::string_view piece) {
        m_endsWithEquals = piece.ends_with('=');
        if (m_overlong) return;
        if (m_text.size() + piece.size() > addressbook::kPropertyLimit) {
            m_text.append(piece.substr(0, addressbook::kPropertyLimit - m_text.size()));
            m_overlong = true;
            return;
        }
        m_text += piece;
    }
    // A quoted-printable soft line break: the "=" goes, the next line joins.
    bool softBreak() const { return m_endsWithEquals && isQuotedPrintable(m_text); }
    void dropSoftBreakEquals() {
        if (!m_overlong && !m_text.empty()) m_text.pop_back();
    }
    bool complete() const { return !m_overlong; }
    std::string_view text() const { return m_text; }

private:
    std::string m_text;
    bool m_overlong = false;
    bool m_endsWithEquals = false;
};

}  // namespace

namespace addressbook {

std::string PersonName(std::string_view family, std::string_view given) {
    if (family.empty()) return std::string(given);
    if (given.empty()) return std::string(family);
    std::string name(family);
    name += ' ';
    name += given;
    return name;
}

void AddCardLines(std::vector<std::string>& lines, const Card& card) {
    if (TrimAsciiSpace(card.name).empty()) return;
    for (const std::string& address : card.addresses) AddSourceLine(lines, address, card.name);
}

void ReadVCards(std::string_view text, const std::function<void(Card&)>& take) {
    CardReader reader(take);
    LogicalLine logical;
    bool pending = false;
    auto flush = [&] {
        if (pending && logical.complete()) reader.take(logical.text());
    };
    TextLines physicalLines(text);
    std::string_view physical;
    while (physicalLines.next(physical)) {
        bool folded = !physical.empty() && (physical.front() == ' ' || physical.front() == '\t');
        if (pending && logical.softBreak()) {
            logical.dropSoftBreakEquals();
            logical.append(physical);
            continue;
        }
        if (pending && folded) {
            // 3.0 and 4.0 fold by inserting a line break before one blank,
            // which unfolding removes; 2.1 folds at a blank that belongs to
            // the value and stays.
            logical.append(reader.oldFolding() ? physical : physical.substr(1));
            continue;
        }
        flush();
        logical.start(physical);
        pending = true;
    }
    flush();
    reader.finish();
}

}  // namespace addressbook

void ReadVCardText(std::string_view text, std::vector<std::string>& lines) {
    addressbook::ReadVCards(text,
                            [&lines](addressbook::Card& card) { addressbook::AddCardLines(lines, card); });
}

}  // namespace pelmora
