// SPDX-License-Identifier: MIT
// The keys of the settings file, their order, and how each kind of value is
// read and written.
#include "settings/settings.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "settings/ini_file.h"

namespace pelmora {

namespace {

// A text field that holds native bytes (a program or folder path).
template <class Text>
struct Native {
    Text& text;
};

// A path of a key this program added: absent from the file while empty, so
// the files of users who never set it keep the keys they always had.
template <class Path>
struct AddedPath {
    Path& path;
};

// Calls visit(section, key, field) for the main window's keys, in the order
// in which they are read.
template <class S, class Visit>
void visitMainWindowKeys(S& s, Visit&& visit) {
    visit("Form", "Width", s.Width);
    visit("Form", "Height", s.Height);
    visit("Form", "Top", s.Top);
    visit("Form", "Left", s.Left);
    visit("Form", "CoolBarWidth0", s.CoolBarWidth0);
    visit("Form", "CoolBarBreak1", s.CoolBarBreak1);
    visit("Form", "FolderTree", s.FolderTree);
    if (s.FolderTree)
        visit("Form", "STV1Width", s.STV1Width);
    else
        visit("Form", "STV1Width", std::as_const(s.STV1Width));
    for (std::size_t i = 0; i < s.CWidth.size(); ++i)
        visit("Form", "C" + std::to_string(i) + "Width", s.CWidth[i]);
    visit("Form", "VSort", s.VSort);
    visit("Form", "Preview", s.Preview);
    visit("Form", "PreviewHeight", s.PreviewHeight);
}

// The remaining keys, read after the main window's: the search window's
// geometry, then File, Option and Find.
template <class S, class Visit>
void visitOtherKeys(S& s, Visit&& visit) {
    visit("Form", "FFWidth", s.FFWidth);
    visit("Form", "FFHeight", s.FFHeight);
    visit("Form", "FFTop", s.FFTop);
    visit("Form", "FFLeft", s.FFLeft);
    visit("Form", "FFCoolBarWidth0", s.FFCoolBarWidth0);
    visit("Form", "FFCoolBarBreak1", s.FFCoolBarBreak1);
    for (std::size_t i = 0; i < s.FFCWidth.size(); ++i)
        visit("Form", "FFC" + std::to_string(i) + "Width", s.FFCWidth[i]);
    visit("Form", "FFVSort", s.FFVSort);
    visit("Form", "FFPreview", s.FFPreview);
    visit("Form", "FFPreviewHeight", s.FFPreviewHeight);
    visit("File", "emlDir", s.emlDir);
    visit("Option", "ConvDisplayName", s.ConvDisplayName);
    visit("Option", "DupCheckHeaders", s.DupCheckHeaders);
    visit("Option", "ErrorUnableDecode", s.ErrorUnableDecode);
    visit("Option", "EditorName", Native<std::remove_reference_t<decltype((s.EditorName))>>{s.EditorName});
    visit("Option", "MsgListDir", s.MsgListDir);
    visit("Option", "ShowHint", s.ShowHint);
    visit("Option", "DupKeep", Native<std::remove_reference_t<decltype((s.DupKeep))>>{s.DupKeep});
    visit("Option", "AttachKeepRecord", s.AttachKeepRecord);
    visit("Option", "ListSubFolders", s.ListSubFolders);
    visit("Option", "AddressBookPath",
          AddedPath<std::remove_reference_t<decltype((s.AddressBookPath))>>{s.AddressBookPath});
    visit("Option", "AttachSaveDir",
          AddedPath<std::remove_reference_t<decltype((s.AttachSaveDir))>>{s.AttachSaveDir});
    visit("Find", "FFsearchSubFolder", s.FFsearchSubFolder);
    for (int index = 0; index < kHistoryEntries; ++index) {
        for (int field = 0; field < kHistoryFields; ++field)
            visit("Find", HistoryKey(field + 1, index), s.CB[field][index]);
    }
}

std::optional<int> parseInteger(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// The values an integer key can hold. A value outside them is as malformed
// as one that is no number: written back, a window size of -10 or a column
// of width 0 would follow the user from start to start.
bool withinRange(std::string_view key, int value) {
    struct Range {
        std::string_view key;
        int low, high;
    };
    // Window sizes below 100 are unusable; X11 coordinates are 16 bits.
    static constexpr Range kRanges[] = {
        {"Width", 100, 32767},          {"Height", 100, 32767},        {"Top", -32768, 32767},
        {"Left", -32768, 32767},        {"CoolBarWidth0", 0, 32767},   {"STV1Width", 0, 32767},
        {"FFWidth", 100, 32767},        {"FFHeight", 100, 32767},      {"FFTop", -32768, 32767},
        {"FFLeft", -32768, 32767},      {"FFCoolBarWidth0", 0, 32767}, {"PreviewHeight", 30, 32767},
        {"FFPreviewHeight", 30, 32767},
    };
    for (const Range& range : kRanges)
        if (key == range.key) return value >= range.low && value <= range.high;
    // The sort keys of the lists, either way round: 1 to 7 and the
    // duplicate hash 100.
    if (key == "VSort" || key == "FFVSort") {
        const long magnitude = value < 0 ? -static_cast<long>(value) : value;
        return (magnitude >= 1 && magnitude <= 7) || magnitude == 100;
    }
    // C0Width ... FFC6Width: a column narrower than this cannot be seen
    // or grabbed again.
    if (key.ends_with("Width")) return value >= 8 && value <= 32767;
    return true;
}

// Cuts display text to the read limit without splitting a character.
std::string_view cutDisplayText(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t step =
            IsCp932LeadByte(static_cast<std::uint8_t>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + step > kSettingsTextLimit) break;
        end += step;
    }
    return text.substr(0, end);
}

constexpr std::string_view kNativeMark = "\xEF\xBB\xBF";

// A path as read: native bytes behind the mark, otherwise code page 932.
// A value longer than the read limit would name another file; it gives
// nothing, and the caller keeps the default.
std::optional<std::string> readNativeText(std::string_view value) {
    if (value.size() > kSettingsTextLimit) return std::nullopt;
    if (value.starts_with(kNativeMark)) return std::string(value.substr(kNativeMark.size()));
    return Cp932ToUtf8(value);
}

std::string writeNativeText(std::string_view native) {
    // A line break cannot be stored in a profile file; rather than write a
    // different path, write none.
    if (native.find_first_of("\r\n") != std::string_view::npos) return {};
    std::string cp932 = Utf8ToAnsi(native);
    if (Cp932ToUtf8(cp932) == native) return QuoteIniValue(cp932);
    std::string marked(kNativeMark);
    marked += native;
    return QuoteIniValue(marked);
}

struct Reader {
    const IniReader& ini;

    void operator()(std::string_view section, std::string_view key, int& field) const {
        if (auto text = ini.value(section, key)) {
            if (auto number = parseInteger(*text); number && withinRange(key, *number)) field = *number;
        }
    }
    void operator()(std::string_view section, std::string_view key, bool& field) const {
        if (auto text = ini.value(section, key)) {
            if (auto number = parseInteger(*text)) field = *number != 0;
        }
    }
    void operator()(std::string_view, std::string_view, const int&) const {}
    void operator()(std::string_view section, std::string_view key, std::string& field) const {
        if (auto text = ini.value(section, key)) field = cutDisplayText(*text);
    }
    void operator()(std::string_view section, std::string_view key, Native<std::string> field) const {
        if (auto text = ini.value(section, key)) field.text = readNativeText(*text).value_or(field.text);
    }
    void operator()(std::string_view section, std::string_view key, std::filesystem::path& field) const {
        if (auto text = ini.value(section, key)) {
            if (auto native = readNativeText(*text)) field = std::filesystem::path(*native);
        }
    }
    void operator()(std::string_view section, std::string_view key,
                    AddedPath<std::filesystem::path> field) const {
        (*this)(section, key, field.path);
    }
};

class Writer {
public:
    explicit Writer(std::ostream& out) : m_out(out) {}

    void operator()(std::string_view section, std::string_view key, int field) {
        line(section, key, std::to_string(field));
    }
    void operator()(std::string_view section, std::string_view key, bool field) {
        line(section, key, field ? "1" : "0");
    }
    void operator()(std::string_view section, std::string_view key, const std::string& field) {
        // History texts come from one-line fields; a line break cannot be
        // stored, so the text ends there.
        std::string_view text = std::string_view(field).substr(0, field.find_first_of("\r\n"));
        if (!text.empty()) line(section, key, QuoteIniValue(text));
    }
    void operator()(std::string_view section, std::string_view key, Native<const std::string> field) {
        line(section, key, writeNativeText(field.text));
    }
    void operator()(std::string_view section, std::string_view key, const std::filesystem::path& field) {
        line(section, key, writeNativeText(field.native()));
    }
    void operator()(std::string_view section, std::string_view key,
                    AddedPath<const std::filesystem::path> field) {
        if (!field.path.empty()) (*this)(section, key, field.path);
    }

private:
    void line(std::string_view section, std::string_view key, std::string_view value) {
        if (section != m_section) {
            m_out << '[' << section << "]\r\n";
            m_section = section;
        }
        m_out << key << '=' << value << "\r\n";
    }

    std::ostream& m_out;
    std::string_view m_section;
};

// A window position moved by offset pixels, held within int: the file may
// hold any int, and the sum must not overflow.
int offsetPosition(int position, int offset) {
    const long long moved = static_cast<long long>(position) + offset;
    return static_cast<int>(
        std::clamp<long long>(moved, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::string HistoryKey(int field, int index) {
    std::string key = "CB";
    key += static_cast<char>('0' + field);
    key += static_cast<char>('0' + index / 10);
    key += static_cast<char>('0' + index % 10);
    return key;
}

Settings ParseSettings(std::string_view content) {
    IniReader ini(content);
    Settings settings;
    Reader reader{ini};
    visitMainWindowKeys(settings, reader);
    settings.FFTop = offsetPosition(settings.Top, 25);
    settings.FFLeft = offsetPosition(settings.Left, 25);
    visitOtherKeys(settings, reader);
    return settings;
}

void WriteSettings(std::ostream& out, const Settings& settings, std::string_view keepFrom) {
    Writer writer(out);
    visitMainWindowKeys(settings, writer);
    visitOtherKeys(settings, writer);
    if (!keepFrom.empty()) out << IniReader(keepFrom).sectionsOtherThan({"Form", "File", "Option", "Find"});
}

}  // namespace pelmora
