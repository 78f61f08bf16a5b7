// SPDX-License-Identifier: MIT
// The walk over the Contacts folder.
#include "addressbook/contacts_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <pugixml.hpp>
#include <set>
#include <utility>

#include "addressbook/cards.h"
#include "addressbook/contact_xml.h"
#include "addressbook/display_names.h"
#include "addressbook/folder_walk.h"
#include "addressbook/vcard.h"
#include "decode/ascii.h"
#include "decode/japanese.h"
#include "platform/file_io.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

enum class ContactKind { None, Contact, VCard };

ContactKind kindOf(const fs::path& file) {
    // Compared on the name's own last dot, so that a file called ".vcf"
    // counts as the desktop shells count it.
    std::string name = file.filename().native();
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return ContactKind::None;
    const std::string extension = ascii::ToUpper(std::string_view(name).substr(dot));
    if (extension == ".CONTACT") return ContactKind::Contact;
    if (extension == ".VCF") return ContactKind::VCard;
    return ContactKind::None;
}

std::unexpected<Error> fileError(ErrorKind kind, const fs::path& file, std::string reason) {
    Error error = MakeError(kind, file, 0);
    error.reason = std::move(reason);
    return std::unexpected(std::move(error));
}

class ContactsWalk {
public:
    ContactsWalk(std::vector<std::string>& lines, addressbook::ContactFiles which,
                 std::vector<FileStamp>* stamps, std::vector<fs::path>* tooLarge)
        : m_lines(lines), m_which(which), m_stamps(stamps), m_tooLarge(tooLarge) {}

    std::expected<void, Error> readFolder(const fs::path& folder) {
        // A folder reached again through a symbolic link is not read twice,
        // so a link to an ancestor cannot make the walk endless.
        struct stat facts {};
        if (::stat(folder.c_str(), &facts) != 0 || !m_seen.insert({facts.st_dev, facts.st_ino}).second)
            return {};
        stamp(folder);
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const fs::directory_entry& entry = *it;
            std::error_code typeError;
            if (entry.is_directory(typeError)) {
                auto read = readFolder(entry.path());
                if (!read) return read;
            } else if (entry.is_regular_file(typeError)) {
                auto read = readFile(entry.path());
                if (!read) return read;
            }
        }
        return {};
    }

private:
    std::expected<void, Error> readFile(const fs::path& file) {
        ContactKind kind = kindOf(file);
        if (kind == ContactKind::None ||
            (kind == ContactKind::Contact && m_which == addressbook::ContactFiles::VCardsOnly))
            return {};
        stamp(file);
        // Read as the settings file is: a file of gigabytes (a sparse one
        // costs nothing on disk) would take the memory and the time of the
        // start, so one beyond the limit is passed over and named.
        auto content = platform::ReadRegularFile(file, addressbook::kCardTextLimit);
        if (!content && content.error() == platform::ReadRefusal::TooLarge) {
            if (m_tooLarge != nullptr) m_tooLarge->push_back(file);
            return {};
        }
        if (kind == ContactKind::VCard) {
            if (content) ReadVCardText(*content, m_lines);
            return {};
        }
        if (!content) {
            pugi::xml_parse_result unreadable;
            unreadable.status = pugi::status_io_error;
            return fileError(ErrorKind::Open, file, unreadable.description());
        }
        auto read = ReadContactXml(*content, m_lines);
        if (!read) return fileError(ErrorKind::Content, file, std::move(read.error().reason));
        return {};
    }

    void stamp(const fs::path& path) {
        if (m_stamps) m_stamps->push_back(StampOf(path));
    }

    std::vector<std::string>& m_lines;
    addressbook::ContactFiles m_which;
    std::vector<FileStamp>* m_stamps;
    std::vector<fs::path>* m_tooLarge;
    std::set<std::pair<dev_t, ino_t>> m_seen;
};

}  // namespace

std::string ContactsErrorText(const Error& error) {
    return Utf8ToAnsi(error.path.native()) + ": " + error.reasonText();
}

std::expected<void, Error> ReadContactsFolder(const fs::path& folder, std::vector<std::string>& lines) {
    return ContactsWalk(lines, addressbook::ContactFiles::ContactsAndVCards, nullptr, nullptr)
        .readFolder(folder);
}

namespace addressbook {

std::expected<void, Error> ReadContactFiles(const fs::path& folder, ContactFiles which,
                                            std::vector<std::string>& lines, std::vector<FileStamp>* stamps,
                                            std::vector<fs::path>* tooLarge) {
    return ContactsWalk(lines, which, stamps, tooLarge).readFolder(folder);
}

}  // namespace addressbook

}  // namespace pelmora
