// SPDX-License-Identifier: MIT
#include "message/mime_field.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "decode/ascii.h"

namespace pelmora {

namespace {

using View = std::string_view;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

View trim(View text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// RFC 5322 comments "(...)" (nested, with quoted pairs) outside quoted
// strings go, so "text/plain (old)" and "7bit (x)" read as they mean.
std::string withoutComments(View text) {
    std::string out;
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (quoted || depth > 0)) {
            if (depth == 0) out.append(text.substr(i, 2));
            ++i;
        } else if (depth == 0 && c == '"') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == '(') {
            ++depth;
        } else if (!quoted && depth > 0 && c == ')') {
            --depth;
        } else if (depth == 0) {
            out += c;
        }
    }
    return out;
}

// The parameter value at text[i] (after "=" and blanks): a quoted string
// with its escapes removed, or the bytes up to the next ";". i ends after it.
std::string readValue(View text, std::size_t& i) {
    std::string value;
    if (i < text.size() && text[i] == '"') {
        for (++i; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) ++i;
            value += text[i];
        }
        if (i < text.size()) ++i;
        while (i < text.size() && text[i] != ';') ++i;
        return value;
    }
    const std::size_t end = std::min(text.find(';', i), text.size());
    value = trim(text.substr(i, end - i));
    i = end;
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = ascii::ToLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// RFC 2231 4: "%" and two hex digits is one byte; anything else stays.
std::string percentDecoded(View text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

struct Section {
    std::string value;
    bool extended = false;
};

// The sections of one RFC 2231 parameter, by number.
using Sections = std::map<int, Section>;

// Splits "name*2*" into "name", 2 and extended; a name without a section
// number has number -1.
void splitName(View raw, std::string& name, int& number, bool& extended) {
    extended = raw.ends_with('*');
    if (extended) raw.remove_suffix(1);
    number = -1;
    if (const std::size_t star = raw.rfind('*'); star != View::npos) {
        const View digits = raw.substr(star + 1);
        int parsed = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
        if (error == std::errc{} && end == digits.data() + digits.size() && !digits.empty() &&
            parsed < 1000) {
            number = parsed;
            raw = raw.substr(0, star);
        }
    }
    name = ascii::ToLower(trim(raw));
}

// Section 0 (or the only one) of an extended value starts with
// charset'language'.
FieldParameter assembled(const std::string& name, const Sections& sections) {
    FieldParameter parameter;
    parameter.name = name;
    bool first = true;
    for (const auto& [number, section] : sections) {
        View value = section.value;
        if (first && section.extended) {
            const std::size_t quote = value.find('\'');
            const std::size_t second = quote == View::npos ? View::npos : value.find('\'', quote + 1);
            if (second != View::npos) {
                parameter.charset = value.substr(0, quote);
                value.remove_prefix(second + 1);
            }
        }
        parameter.value += section.extended ? percentDecoded(value) : std::string(value);
        parameter.extended = parameter.extended || section.extended;
        first = false;
    }
    return parameter;
}

}  // namespace

const FieldParameter* ParameterizedField::find(View name) const {
    for (const FieldParameter& parameter : parameters)
        if (parameter.name == name) return &parameter;
    return nullptr;
}

View ParameterizedField::value(View name) const {
    const FieldParameter* parameter = find(name);
    return parameter != nullptr ? View(parameter->value) : View{};
}

ParameterizedField ParseParameterizedField(View raw) {
    const std::string text = withoutComments(raw);
    ParameterizedField field;
    std::size_t i = std::min(text.find(';'), text.size());
    for (const char c : View(text).substr(0, i))
        if (!isBlank(c)) field.token += ascii::ToLower(c);

    // Plain names in their order, and the RFC 2231 ones gathered by name;
    // a name given both ways takes the RFC 2231 value.
    std::vector<std::string> order;
    std::map<std::string, Sections> split;
    std::map<std::string, std::string> plain;
    while (i < text.size()) {
        ++i;  // the ";"
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = text.find(';', i);
        if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
            i = semicolon == std::string::npos ? text.size() : semicolon;
            continue;
        }
        std::string name;
        int number = -1;
        bool extended = false;
        splitName(View(text).substr(i, equals - i), name, number, extended);
        i = equals + 1;
        while (i < text.size() && isBlank(text[i])) ++i;
        std::string value = readValue(text, i);
        if (name.empty()) continue;
        if (std::find(order.begin(), order.end(), name) == order.end()) order.push_back(name);
        if (number < 0 && !extended) {
            plain.try_emplace(name, std::move(value));
        } else {
            split[name].try_emplace(number < 0 ? 0 : number, Section{std::move(value), extended});
        }
    }
    for (const std::string& name : order) {
        if (const auto it = split.find(name); it != split.end()) {
            field.parameters.push_back(assembled(name, it->second));
        } else {
            field.parameters.push_back({name, plain[name], {}, false});
        }
    }
    return field;
}

}  // namespace pelmora
