// SPDX-License-Identifier: MIT
// The structured MIME fields a reader needs beyond the list's few:
// Content-Type and Content-Disposition with their parameters (RFC 2045
// 5.1, RFC 2183), RFC 2231 continuations and charsets included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

struct FieldParameter {
    std::string name;       // lower case, without RFC 2231's "*" and section numbers
    std::string value;      // bytes: quotes and escapes removed, RFC 2231 sections joined and %-decoded
    std::string charset;    // RFC 2231's charset; empty when the value names none
    bool extended = false;  // written the RFC 2231 way
};

struct ParameterizedField {
    std::string token;  // "text/plain", "attachment": lower case, blanks removed
    std::vector<FieldParameter> parameters;

    // The first parameter of that name (lower case), or nullptr.
    const FieldParameter* find(std::string_view name) const;
    std::string_view value(std::string_view name) const;
};

// value is the field's body, unfolded the RFC 5322 way (line ends removed,
// blanks kept). Never fails: what does not parse is passed over; a quoted
// string without its closing quote runs to the end.
ParameterizedField ParseParameterizedField(std::string_view value);

}  // namespace pelmora
