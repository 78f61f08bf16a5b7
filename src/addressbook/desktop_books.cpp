// SPDX-License-Identifier: MIT
// Where Thunderbird (native, Snap and Flatpak), Evolution and KDE keep their
// address books, and in which order they count.
#include "addressbook/desktop_books.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <system_error>
#include <utility>

#include "addressbook/sqlite_book.h"
#include "decode/ascii.h"
#include "decode/japanese.h"
#include "decode/text_lines.h"
#include "platform/file_io.h"
#include "texts/texts.h"

namespace pelmora::addressbook {

namespace fs = std::filesystem;

namespace {

// Files the search reads are small; anything larger is not one of them.
constexpr std::size_t kSmallFileLimit = 4 * 1024 * 1024;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Calls take(section, key, value) for each key of an INI text, in order.
void walkIni(std::string_view text,
             const std::function<void(std::string_view, std::string_view, std::string_view)>& take) {
    std::string_view section;
    TextLines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        line = trimmed(line);
        if (line.starts_with('[')) {
            section = line.substr(
                1, line.find(']') == std::string_view::npos ? line.size() - 1 : line.find(']') - 1);
            continue;
        }
        if (line.starts_with(';') || line.starts_with('#')) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        take(section, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
}

std::optional<std::string> readSmallFile(const fs::path& file) {
    auto content = platform::ReadRegularFile(file, kSmallFileLimit);
    if (!content) return std::nullopt;
    return std::move(*content);
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The stamps of an SQLite book: the database and its log, where contacts
// added while the program runs go first.
void stampDatabase(const fs::path& file, std::vector<FileStamp>& stamps) {
    stamps.push_back(StampOf(file));
    stamps.push_back(StampOf(WalFileOf(file)));
}

// One Thunderbird root (~/.thunderbird and its Snap and Flatpak places).
void findThunderbird(const fs::path& root, std::string_view source, std::vector<FoundBook>& books,
                     std::vector<FileStamp>& stamps) {
    const fs::path ini = root / "profiles.ini";
    stamps.push_back(StampOf(ini));
    auto text = readSmallFile(ini);
    if (!text) return;
    for (const ThunderbirdProfile& profile : ParseProfilesIni(*text, root)) {
        std::string label(source);
        label += " (";
        label += Utf8ToAnsi(profile.name);
        label += ')';
        // The personal book first, the collected addresses last: a name
        // the user typed beats one taken from a message header.
        std::vector<std::pair<fs::path, std::string>> files = {
            {profile.folder / "abook.sqlite", "abook.sqlite"}};
        const fs::path prefs = profile.folder / "prefs.js";
        stamps.push_back(StampOf(prefs));
        if (auto prefsText = readSmallFile(prefs)) {
            for (const PrefsBook& book : ParsePrefsBooks(*prefsText)) {
                // Mork (.mab) books are from before Thunderbird 78, which
                // converted them; only SQLite books are read.
                if (!book.fileName.ends_with(".sqlite") || book.fileName.find('/') != std::string::npos)
                    continue;
                files.emplace_back(profile.folder / book.fileName,
                                   Utf8ToAnsi(book.description.empty() ? book.fileName : book.description));
            }
        }
        files.emplace_back(profile.folder / "history.sqlite", std::string(text::kBookCollected));
        std::vector<fs::path> seen;
        for (auto& [file, name] : files) {
            if (std::find(seen.begin(), seen.end(), file) != seen.end()) continue;
            seen.push_back(file);
            stampDatabase(file, stamps);
            if (isFile(file)) books.push_back({BookKind::Thunderbird, BookFormat::Sqlite, label, name, file});
        }
    }
}

// The DisplayName of an Evolution source ($XDG_CONFIG_HOME/evolution/
// sources/<uid>.source); the folder's name when there is none.
std::string evolutionBookName(const BookPlaces& places, const std::string& uid) {
    const std::string sourceUid = uid == "system" ? "system-address-book" : uid;
    std::string name;
    if (!places.configHome.empty()) {
        if (auto text =
                readSmallFile(places.configHome / "evolution" / "sources" / (sourceUid + ".source"))) {
            walkIni(*text, [&name](std::string_view section, std::string_view key, std::string_view value) {
                if (section == "Data Source" && key == "DisplayName" && name.empty()) name = value;
            });
        }
    }
    return Utf8ToAnsi(name.empty() ? uid : name);
}

// The books below an Evolution address-book folder, the personal book
// ("system") first and the others by name, so every run merges them in
// the same order.
void findEvolution(const BookPlaces& places, const fs::path& folder, BookKind kind,
                   std::initializer_list<const char*> fileNames, std::vector<FoundBook>& books,
                   std::vector<FileStamp>& stamps) {
    stamps.push_back(StampOf(folder));
    std::vector<std::string> uids;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) uids.push_back(it->path().filename().native());
    }
    std::sort(uids.begin(), uids.end(), [](const std::string& a, const std::string& b) {
        if ((a == "system") != (b == "system")) return a == "system";
        return a < b;
    });
    const std::string_view source =
        kind == BookKind::Evolution ? text::kBookSourceEvolution : text::kBookSourceEvolutionCache;
    for (const std::string& uid : uids) {
        for (const char* fileName : fileNames) {
            const fs::path file = folder / uid / fileName;
            stampDatabase(file, stamps);
            if (isFile(file))
                books.push_back(
                    {kind, BookFormat::Sqlite, std::string(source), evolutionBookName(places, uid), file});
        }
    }
}

// A JavaScript string literal at the start of text (after blanks), its
// escapes undone; nothing when there is none.
std::optional<std::string> stringLiteral(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || (text.front() != '"' && text.front() != '\'')) return std::nullopt;
    const char quote = text.front();
    std::string value;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == quote) return value;
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        value += text[i];
    }
    return std::nullopt;
}

}  // namespace

std::vector<ThunderbirdProfile> ParseProfilesIni(std::string_view text, const fs::path& root) {
    struct Entry {
        std::string name, path;
        bool relative = false, marked = false;
    };
    std::vector<std::pair<std::string, Entry>> sections;  // [Profile...] sections in order
    std::vector<std::string> installDefaults;
    walkIni(text, [&](std::string_view section, std::string_view key, std::string_view value) {
        if (ascii::StartsWithNoCase(section, "install")) {
            if (key == "Default") installDefaults.emplace_back(value);
            return;
        }
        if (!ascii::StartsWithNoCase(section, "profile")) return;
        if (sections.empty() || sections.back().first != section)
            sections.push_back({std::string(section), {}});
        Entry& entry = sections.back().second;
        if (key == "Name") entry.name = value;
        if (key == "Path") entry.path = value;
        if (key == "IsRelative") entry.relative = value == "1";
        if (key == "Default") entry.marked = value == "1";
    });
    auto rank = [&installDefaults](const Entry& entry) {
        if (std::find(installDefaults.begin(), installDefaults.end(), entry.path) != installDefaults.end())
            return 0;
        return entry.marked ? 1 : 2;
    };
    std::stable_sort(sections.begin(), sections.end(),
                     [&rank](const auto& a, const auto& b) { return rank(a.second) < rank(b.second); });
    std::vector<ThunderbirdProfile> profiles;
    for (const auto& [section, entry] : sections) {
        if (entry.path.empty()) continue;
        fs::path folder = entry.relative ? root / entry.path : fs::path(entry.path);
        profiles.push_back({entry.name.empty() ? entry.path : entry.name, folder.lexically_normal()});
    }
    return profiles;
}

std::vector<PrefsBook> ParsePrefsBooks(std::string_view text) {
    // user_pref("ldap_2.servers.<id>.filename", "abook-1.sqlite");
    constexpr std::string_view kPrefix = "ldap_2.servers.";
    std::vector<std::pair<std::string, PrefsBook>> books;  // by id, in order
    auto bookOf = [&books](std::string_view id) -> PrefsBook& {
        for (auto& [known, book] : books)
            if (known == id) return book;
        return books.emplace_back(std::string(id), PrefsBook{}).second;
    };
    TextLines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        line = trimmed(line);
        if (!line.starts_with("user_pref(")) continue;
        auto name = stringLiteral(line.substr(10));
        if (!name || !name->starts_with(kPrefix)) continue;
        const std::size_t comma = line.find(',', 10 + name->size() + 2);
        if (comma == std::string_view::npos) continue;
        auto value = stringLiteral(line.substr(comma + 1));
        if (!value) continue;
        std::string_view rest = std::string_view(*name).substr(kPrefix.size());
        const std::size_t dot = rest.rfind('.');
        if (dot == std::string_view::npos) continue;
        const std::string_view id = rest.substr(0, dot), key = rest.substr(dot + 1);
        if (key == "filename") bookOf(id).fileName = *value;
        // A description that is a chrome:// address names a built-in book
        // through a translation file; its file name says more.
        if (key == "description" && value->find("://") == std::string::npos) bookOf(id).description = *value;
    }
    std::vector<PrefsBook> found;
    for (auto& [id, book] : books)
        if (!book.fileName.empty()) found.push_back(std::move(book));
    return found;
}

std::vector<FoundBook> FindDesktopBooks(const BookPlaces& places, std::vector<FileStamp>& stamps) {
    std::vector<FoundBook> books;
    if (!places.home.empty()) {
        findThunderbird(places.home / ".thunderbird", text::kBookSourceThunderbird, books, stamps);
        findThunderbird(places.home / "snap" / "thunderbird" / "common" / ".thunderbird",
                        text::kBookSourceThunderbirdSnap, books, stamps);
        findThunderbird(places.home / ".var" / "app" / "org.mozilla.Thunderbird" / ".thunderbird",
                        text::kBookSourceThunderbirdFlatpak, books, stamps);
    }
    if (!places.dataHome.empty())
        findEvolution(places, places.dataHome / "evolution" / "addressbook", BookKind::Evolution,
                      {"contacts.db"}, books, stamps);
    if (!places.cacheHome.empty())
        findEvolution(places, places.cacheHome / "evolution" / "addressbook", BookKind::EvolutionCache,
                      {"cache.db", "contacts.db"}, books, stamps);
    if (!places.dataHome.empty()) {
        const fs::path folder = places.dataHome / "contacts";
        stamps.push_back(StampOf(folder));
        std::error_code error;
        if (fs::is_directory(folder, error))
            books.push_back({BookKind::VCardFolder, BookFormat::VCardFolder,
                             std::string(text::kBookSourceVCardFolder), Utf8ToAnsi(folder.native()), folder});
    }
    return books;
}

}  // namespace pelmora::addressbook
