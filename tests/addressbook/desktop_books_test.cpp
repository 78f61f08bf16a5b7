// SPDX-License-Identifier: MIT
// The desktop's address books as a user has them: real Thunderbird,
// Evolution and vCard books made in a scratch home, and the names the
// message list shows for their addresses.
#include "addressbook/desktop_books.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "addressbook/address_books.h"
#include "message/format_address.h"
#include "support/address_books.h"
#include "support/files.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;
using test::AddThunderbirdCard;
using test::AddThunderbirdProfile;
using test::SqliteFile;
using test::VCard30;

// 山田 太郎 and 鈴木 花子 in UTF-8 and in code page 932.
constexpr const char* kYamadaUtf8 = "\xE5\xB1\xB1\xE7\x94\xB0";
constexpr const char* kTaroUtf8 = "\xE5\xA4\xAA\xE9\x83\x8E";
constexpr const char* kYamadaTaro = "\x8E\x52\x93\x63 \x91\xBE\x98\x59";
constexpr const char* kSuzukiHanakoUtf8 = "\xE9\x88\xB4\xE6\x9C\xA8 \xE8\x8A\xB1\xE5\xAD\x90";
constexpr const char* kSuzukiHanako = "\x97\xE9\x96\xD8 \x89\xD4\x8E\x71";

fs::path walOf(const fs::path& file) {
    return file.native() + "-wal";
}

// Sets a folder's times to long ago, so that the next change to it shows
// even on a file system whose clock moves in steps of milliseconds.
void makeOld(const fs::path& path) {
    const struct timespec old[2] = {{946684800, 0}, {946684800, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), old, 0);
}

class DesktopBooks : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        home = scratch.path();
        places = BookPlaces::UnderHome(home);
    }

    // The directory of the books now in the home.
    void build() {
        auto built = BuildDisplayNameDirectory(directory, places, &report);
        ASSERT_TRUE(built.has_value()) << built.error().reason;
    }
    // What the list shows for a bare address.
    std::string shown(const std::string& address) const {
        return FormatAddress("<" + address + ">", &directory);
    }
    const BookReport* book(BookKind kind) const {
        auto found = std::find_if(report.books.begin(), report.books.end(),
                                  [kind](const BookReport& b) { return b.kind == kind; });
        return found == report.books.end() ? nullptr : &*found;
    }

    fs::path thunderbird() const { return home / ".thunderbird"; }
    fs::path evolution(const std::string& uid) const {
        return home / ".local" / "share" / "evolution" / "addressbook" / uid / "contacts.db";
    }

    test::ScratchFolder scratch{"pelmora-books"};
    fs::path home;
    BookPlaces places;
    DisplayNameDirectory directory;
    DirectoryReport report;
};

TEST_F(DesktopBooks, EveryKindOfBookGivesItsNamesToTheList) {
    const fs::path profile =
        AddThunderbirdProfile(thunderbird(), "default-release", {},
                              "user_pref(\"ldap_2.servers.Work.description\", \"Work\");\n"
                              "user_pref(\"ldap_2.servers.Work.filename\", \"abook-1.sqlite\");\n"
                              "user_pref(\"ldap_2.servers.Old.filename\", \"old.mab\");\n");
    test::WriteThunderbirdBook(
        profile / "abook.sqlite",
        {{{"DisplayName", "Display Name"}, {"PrimaryEmail", "display@tb.example"}},
         {{"FirstName", kTaroUtf8}, {"LastName", kYamadaUtf8}, {"SecondEmail", "taro@tb.example"}},
         {{"_vCard",
           "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Only vCard\r\nEMAIL;PREF=1:one@tb.example\r\n"
           "EMAIL:two@tb.example\r\nEND:VCARD\r\n"}}});
    test::WriteThunderbirdBook(profile / "abook-1.sqlite",
                               {{{"DisplayName", "CardDAV"}, {"PrimaryEmail", "dav@tb.example"}}});
    test::WriteBytes(profile / "old.mab", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n");
    test::WriteThunderbirdBook(profile / "history.sqlite",
                               {{{"DisplayName", "Collected"}, {"PrimaryEmail", "collected@tb.example"}}});
    test::WriteEvolutionBook(evolution("system"),
                             {"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + std::string(kSuzukiHanakoUtf8) +
                              "\r\nEMAIL;TYPE=WORK:hanako@evo.exa\r\n mple\r\nEND:VCARD\r\n"});
    test::WriteEvolutionCache(home / ".cache" / "evolution" / "addressbook" / "carddav-1" / "cache.db",
                              {VCard30("Remote", "remote@dav.example")});
    fs::create_directories(home / ".local" / "share" / "contacts" / "sub");
    test::WriteBytes(
        home / ".local" / "share" / "contacts" / "sub" / "k.vcf",
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63 "
        "=91=BE=98=59\r\nEMAIL;INTERNET:kde@kde.example\r\nEND:VCARD\r\n");
    places.extra = home / "mine.vcf";
    test::WriteBytes(places.extra,
                     VCard30("Mine", "mine@extra.example") + VCard30("Mine too", "too@extra.example"));
    build();

    const std::pair<std::string, std::string> expected[] = {
        {"display@tb.example", "Display Name"}, {"taro@tb.example", kYamadaTaro},
        {"one@tb.example", "Only vCard"},       {"two@tb.example", "Only vCard"},
        {"dav@tb.example", "CardDAV"},          {"collected@tb.example", "Collected"},
        {"hanako@evo.example", kSuzukiHanako},  {"remote@dav.example", "Remote"},
        {"KDE@kde.example", kYamadaTaro},       {"mine@extra.example", "Mine"},
    };
    for (const auto& [address, name] : expected) EXPECT_EQ(shown(address), name) << address;
    EXPECT_EQ(shown("nobody@x.example"), "nobody@x.example");

    std::vector<std::pair<std::string, std::size_t>> books;
    for (const BookReport& b : report.books) {
        EXPECT_EQ(b.status, BookStatus::Read) << b.path;
        books.emplace_back(b.path.filename().native(), b.addresses);
    }
    EXPECT_EQ(books, (std::vector<std::pair<std::string, std::size_t>>{{"abook.sqlite", 4},
                                                                       {"abook-1.sqlite", 1},
                                                                       {"history.sqlite", 1},
                                                                       {"contacts.db", 1},
                                                                       {"cache.db", 1},
                                                                       {"contacts", 1},
                                                                       {"mine.vcf", 2}}));
    EXPECT_EQ(report.books[0].sourceCp932, "Thunderbird (default-release)");
    EXPECT_EQ(report.books[1].bookCp932, "Work");
}

TEST_F(DesktopBooks, AnEarlierBookNamesAnAddressWhateverItsCase) {
    fs::create_directories(home / "Contacts");
    test::WriteBytes(home / "Contacts" / "a.vcf", VCard30("From Contacts", "Same@Example.org"));
    const fs::path profile = AddThunderbirdProfile(thunderbird(), "p");
    test::WriteThunderbirdBook(profile / "abook.sqlite",
                               {{{"DisplayName", "From Thunderbird"}, {"PrimaryEmail", "same@example.org"}},
                                {{"DisplayName", "Thunderbird only"}, {"PrimaryEmail", "tb@example.org"}}});
    test::WriteEvolutionBook(evolution("system"),
                             {VCard30("From Evolution", "tb@example.org"), VCard30("Z", "SAME@EXAMPLE.ORG")});
    for (int run = 0; run < 2; ++run) {
        build();
        EXPECT_EQ(shown("same@example.org"), "From Contacts");
        EXPECT_EQ(shown("TB@example.org"), "Thunderbird only");
        EXPECT_EQ(directory.size(), 2u);
    }
    ASSERT_EQ(report.books.size(), 3u);
    EXPECT_EQ(report.books[2].addresses, 2u) << "a book counts what it holds, won or not";
}

TEST_F(DesktopBooks, SnapFlatpakAndAbsoluteProfilesAreFound) {
    const fs::path snap = home / "snap" / "thunderbird" / "common" / ".thunderbird";
    const fs::path flatpak = home / ".var" / "app" / "org.mozilla.Thunderbird" / ".thunderbird";
    test::WriteThunderbirdBook(AddThunderbirdProfile(snap, "snapped") / "abook.sqlite",
                               {{{"DisplayName", "Snap"}, {"PrimaryEmail", "snap@x.example"}}});
    test::WriteThunderbirdBook(
        AddThunderbirdProfile(flatpak, "flat", home / "elsewhere" / "profile") / "abook.sqlite",
        {{{"DisplayName", "Flatpak"}, {"PrimaryEmail", "flat@x.example"}}});
    build();
    EXPECT_EQ(shown("snap@x.example"), "Snap");
    EXPECT_EQ(shown("flat@x.example"), "Flatpak");
    ASSERT_EQ(report.books.size(), 2u);
    EXPECT_EQ(report.books[0].sourceCp932, "Thunderbird Snap (snapped)");
    EXPECT_EQ(report.books[1].path, home / "elsewhere" / "profile" / "abook.sqlite");
}

TEST(ParseProfilesIni, RelativeAbsoluteAndTheDefaultFirst) {
    const fs::path root = "/h/.thunderbird";
    auto profiles = addressbook::ParseProfilesIni(
        "[General]\nStartWithLastProfile=1\n\n"
        "[Profile1]\nName=first\nIsRelative=1\nPath=a.first\n\n"
        "[Profile0]\nName=absolute\nIsRelative=0\nPath=/data/tb/abs\nDefault=1\n\n"
        "[Profile2]\r\nName=installed\r\nIsRelative=1\r\nPath=sub/../c.installed\r\n\r\n"
        "[Profile3]\nName=no path\n\n"
        "[Install4F96D1932A9F858E]\nDefault=sub/../c.installed\nLocked=1\n",
        root);
    std::vector<std::pair<std::string, fs::path>> got;
    for (const auto& p : profiles) got.emplace_back(p.name, p.folder);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, fs::path>>{{"installed", root / "c.installed"},
                                                                  {"absolute", "/data/tb/abs"},
                                                                  {"first", root / "a.first"}}));
}

TEST(ParsePrefsBooks, FileNamesInOrderWithTheirDescriptions) {
    auto books = addressbook::ParsePrefsBooks(
        "// Mozilla User Preferences\n"
        "user_pref(\"ldap_2.servers.history.filename\", \"history.sqlite\");\n"
        "user_pref(\"ldap_2.servers.pab.description\", \"chrome://messenger/locale/addressbook/x\");\n"
        "user_pref(\"ldap_2.servers.pab.filename\", \"abook.sqlite\");\n"
        "user_pref(\"ldap_2.servers.My_Book.description\", \"My \\\"Book\\\", \xE5\xB1\xB1\");\n"
        "user_pref(\"ldap_2.servers.My_Book.filename\",\"abook-2.sqlite\");\n"
        "user_pref(\"ldap_2.servers.ldap.uri\", \"ldap://ldap.example/dc=x\");\n"
        "user_pref(\"mail.identity.id1.fullName\", \"x.filename\");\n");
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& b : books) got.emplace_back(b.fileName, b.description);
    EXPECT_EQ(
        got,
        (std::vector<std::pair<std::string, std::string>>{
            {"history.sqlite", ""}, {"abook.sqlite", ""}, {"abook-2.sqlite", "My \"Book\", \xE5\xB1\xB1"}}));
}

// A contact added while Thunderbird runs is in the -wal file only, until a
// checkpoint that may be hours away.
TEST_F(DesktopBooks, ContactOnlyInTheWriteAheadLogIsSeenWithoutWritingBesideTheBook) {
    const fs::path profile = AddThunderbirdProfile(thunderbird(), "running");
    const fs::path file = profile / "abook.sqlite";
    SqliteFile running(file);
    running.exec(test::kThunderbirdSchema).exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    AddThunderbirdCard(running, "new", {{"DisplayName", "In the log"}, {"PrimaryEmail", "wal@x.example"}});
    ASSERT_GT(fs::file_size(walOf(file)), 0u);
    build();
    EXPECT_EQ(shown("wal@x.example"), "In the log");
    // Thunderbird goes on writing while and after the book is read.
    AddThunderbirdCard(running, "later", {{"DisplayName", "Later"}, {"PrimaryEmail", "later@x.example"}});
    EXPECT_TRUE(report.booksChanged());
    build();
    EXPECT_EQ(shown("later@x.example"), "Later");
    EXPECT_FALSE(report.booksChanged());

    // The book and its log copied somewhere without the index (and where
    // nothing may be written): read through a private copy.
    const fs::path copied = home / "copied";
    fs::create_directories(copied);
    fs::copy_file(file, copied / "abook.sqlite");
    fs::copy_file(walOf(file), copied / "abook.sqlite-wal");
    ::chmod(copied.c_str(), 0555);
    places.extra = copied / "abook.sqlite";
    build();
    ::chmod(copied.c_str(), 0755);
    EXPECT_EQ(book(BookKind::Extra)->status, BookStatus::Read) << book(BookKind::Extra)->detail;
    EXPECT_EQ(book(BookKind::Extra)->addresses, 2u);
    EXPECT_FALSE(fs::exists(copied / "abook.sqlite-shm"));
}

struct BrokenBook {
    const char* name;
    void (*make)(const fs::path& file);
    BookStatus status;
    friend void PrintTo(const BrokenBook& row, std::ostream* out) { *out << row.name; }
};

// A writer in the middle of a transaction, for as long as a test runs.
std::unique_ptr<SqliteFile> gLockHolder;

class BrokenBooks : public DesktopBooks, public testing::WithParamInterface<BrokenBook> {
protected:
    void TearDown() override { gLockHolder.reset(); }
};

// Beside the broken book a good one: it is read all the same, and the
// broken one is reported once with its reason.
TEST_P(BrokenBooks, AreSkippedWithTheirReasonAndTheOthersRead) {
    const fs::path profile = AddThunderbirdProfile(thunderbird(), "p");
    test::WriteThunderbirdBook(profile / "abook.sqlite",
                               {{{"DisplayName", "Good"}, {"PrimaryEmail", "good@x.example"}}});
    fs::create_directories(evolution("system").parent_path());
    GetParam().make(evolution("system"));
    build();
    EXPECT_EQ(shown("good@x.example"), "Good");
    const auto skipped = report.skipped();
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0]->status, GetParam().status) << skipped[0]->detail;
    EXPECT_EQ(skipped[0]->path, evolution("system"));
    const std::string line = BookSkippedText(*skipped[0]);
    EXPECT_NE(line.find("contacts.db"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(
    , BrokenBooks,
    testing::Values(BrokenBook{"not_a_database",
                               [](const fs::path& file) { test::WriteBytes(file, std::string(4096, 'x')); },
                               BookStatus::Corrupt},
                    BrokenBook{"damaged_pages",
                               [](const fs::path& file) {
                                   test::WriteEvolutionBook(file, {VCard30("Lost", "lost@x.example")});
                                   std::string bytes = test::ReadBytes(file);
                                   std::fill(bytes.begin() + 100, bytes.end(), '\xA5');
                                   test::WriteBytes(file, bytes);
                               },
                               BookStatus::Corrupt},
                    BrokenBook{"unknown_tables",
                               [](const fs::path& file) {
                                   SqliteFile(file).exec("CREATE TABLE contacts (name TEXT, mail TEXT)");
                               },
                               BookStatus::UnknownSchema},
                    BrokenBook{"known_table_without_the_column",
                               [](const fs::path& file) {
                                   SqliteFile(file).exec("CREATE TABLE folder_id (uid TEXT, name TEXT)");
                               },
                               BookStatus::UnknownSchema},
                    BrokenBook{"locked_by_a_writer",
                               [](const fs::path& file) {
                                   test::WriteEvolutionBook(file, {VCard30("Locked", "locked@x.example")});
                                   gLockHolder = std::make_unique<SqliteFile>(file);
                                   gLockHolder->exec("BEGIN EXCLUSIVE; DELETE FROM folder_id;");
                               },
                               BookStatus::Locked}),
    [](const testing::TestParamInfo<BrokenBook>& row) { return std::string(row.param.name); });

TEST_F(DesktopBooks, AnExtraPathThatIsNoBookIsSaidAndNeverWaitedOn) {
    const fs::path fifo = home / "pipe.vcf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& extra : {fifo, home / "missing.vcf"}) {
        places.extra = extra;
        build();
        ASSERT_EQ(report.books.size(), 1u);
        EXPECT_EQ(report.books[0].status, BookStatus::Unreadable) << extra;
    }
    places.extra = home / "notes.txt";
    test::WriteBytes(places.extra, "shopping list\n");
    build();
    EXPECT_EQ(report.books[0].status, BookStatus::UnknownSchema);
}

TEST_F(DesktopBooks, ChangesToABookAreNoticed) {
    build();
    EXPECT_FALSE(report.booksChanged());
    // A profile that appears after the first build.
    const fs::path profile = AddThunderbirdProfile(thunderbird(), "new");
    EXPECT_TRUE(report.booksChanged());
    test::WriteThunderbirdBook(profile / "abook.sqlite",
                               {{{"DisplayName", "New"}, {"PrimaryEmail", "new@x.example"}}});
    build();
    EXPECT_EQ(shown("new@x.example"), "New");
    EXPECT_FALSE(report.booksChanged());
    fs::create_directories(home / ".local" / "share" / "contacts");
    EXPECT_TRUE(report.booksChanged());
    makeOld(home / ".local" / "share" / "contacts");
    build();
    test::WriteBytes(home / ".local" / "share" / "contacts" / "k.vcf", VCard30("K", "k@x.example"));
    EXPECT_TRUE(report.booksChanged());
}

}  // namespace
}  // namespace pelmora
