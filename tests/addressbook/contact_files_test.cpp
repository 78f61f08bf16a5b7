// SPDX-License-Identifier: MIT
// Reading contacts: Windows Contacts XML, vCard text and the folder walk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "addressbook/address_books.h"
#include "addressbook/cards.h"
#include "addressbook/contact_xml.h"
#include "addressbook/contacts_folder.h"
#include "addressbook/vcard.h"
#include "support/files.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// 山田 太郎 in code page 932.
constexpr const char* kYamadaTaro = "\x8E\x52\x93\x63 \x91\xBE\x98\x59";

Lines fromXml(std::string_view xml) {
    Lines lines;
    auto read = ReadContactXml(xml, lines);
    EXPECT_TRUE(read.has_value()) << (read ? "" : read.error().reason);
    return lines;
}

Lines fromVCard(std::string_view text) {
    Lines lines;
    ReadVCardText(text, lines);
    return lines;
}

std::string contact(std::string_view root, std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + std::string(root) + std::string(body) +
           "</c:contact>";
}

constexpr std::string_view kRoot = "<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\">";

TEST(ReadContactXml, OneLinePerAddressWithTheFormattedName) {
    auto lines = fromXml(contact(kRoot,
                                 "<c:NameCollection><c:Name><c:FormattedName>\xE5\xB1\xB1\xE7\x94\xB0 "
                                 "\xE5\xA4\xAA\xE9\x83\x8E</c:FormattedName></c:Name></c:NameCollection>"
                                 "<c:EmailAddressCollection>"
                                 "<c:EmailAddress><c:Address>taro@example.jp</c:Address></c:EmailAddress>"
                                 "<c:EmailAddress><c:Type>SMTP</c:Type></c:EmailAddress>"
                                 "<c:EmailAddress><c:Address>t@work.example</c:Address></c:EmailAddress>"
                                 "</c:EmailAddressCollection>"));
    EXPECT_EQ(lines, (Lines{std::string("taro@example.jp,") + kYamadaTaro,
                            std::string("t@work.example,") + kYamadaTaro}));
}

struct XmlRow {
    const char* name;
    std::string xml;
    Lines expected;
};

class ContactXmlCases : public testing::TestWithParam<XmlRow> {};

TEST_P(ContactXmlCases, GivesExpectedLines) {
    EXPECT_EQ(fromXml(GetParam().xml), GetParam().expected);
}

const std::string kAddress =
    "<c:EmailAddressCollection><c:EmailAddress><c:Address>a@x.jp</c:Address></c:EmailAddress></"
    "c:EmailAddressCollection>";

INSTANTIATE_TEST_SUITE_P(
    ReadContactXml, ContactXmlCases,
    testing::Values(
        XmlRow{"no_formatted_name",
               contact(kRoot,
                       "<c:NameCollection><c:Name><c:GivenName>G</c:GivenName></c:Name></c:NameCollection>" +
                           kAddress),
               {}},
        XmlRow{"no_name_collection", contact(kRoot, kAddress), {}},
        XmlRow{"name_not_text_only",
               contact(kRoot,
                       "<c:NameCollection><c:Name><c:FormattedName>A<c:b/>B</c:FormattedName></c:Name></"
                       "c:NameCollection>" +
                           kAddress),
               {}},
        XmlRow{"other_prefix_same_namespace",
               "<k:contact "
               "xmlns:k=\"http://schemas.microsoft.com/"
               "Contact\"><k:NameCollection><k:Name><k:FormattedName>K</k:FormattedName>"
               "</k:Name></k:NameCollection><k:EmailAddressCollection><k:EmailAddress><k:Address>k@x.jp</"
               "k:Address>"
               "</k:EmailAddress></k:EmailAddressCollection></k:contact>",
               {"k@x.jp,K"}},
        XmlRow{"default_namespace",
               "<contact "
               "xmlns=\"http://schemas.microsoft.com/Contact\"><NameCollection><Name><FormattedName>D</"
               "FormattedName>"
               "</Name></NameCollection><EmailAddressCollection><EmailAddress><Address>d@x.jp</Address>"
               "</EmailAddress></EmailAddressCollection></contact>",
               {"d@x.jp,D"}},
        XmlRow{"element_of_a_foreign_namespace_is_not_the_child",
               contact("<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\" xmlns:o=\"urn:other\">",
                       "<c:NameCollection><c:Name><o:FormattedName>Other</"
                       "o:FormattedName><c:FormattedName>Own</c:FormattedName>"
                       "</c:Name></c:NameCollection>" +
                           kAddress),
               {"a@x.jp,Own"}},
        XmlRow{"cdata_and_blanks_around_texts",
               contact(kRoot,
                       "<c:NameCollection><c:Name><c:FormattedName> <![CDATA[R&D]]> team "
                       "</c:FormattedName></c:Name></c:NameCollection>"
                       "<c:EmailAddressCollection><c:EmailAddress><c:Address> rd@x.jp "
                       "</c:Address></c:EmailAddress></c:EmailAddressCollection>"),
               {"rd@x.jp,R&D team"}},
        XmlRow{"character_without_a_code_becomes_question_mark",
               contact(kRoot,
                       "<c:NameCollection><c:Name><c:FormattedName>Caf\xC3\xA9 "
                       "&#x1F600;</c:FormattedName></c:Name></c:NameCollection>" +
                           kAddress),
               {"a@x.jp,Caf? ?"}},
        XmlRow{
            "address_with_a_comma_is_left_out",
            contact(
                kRoot,
                "<c:NameCollection><c:Name><c:FormattedName>N</c:FormattedName></c:Name></c:NameCollection>"
                "<c:EmailAddressCollection><c:EmailAddress><c:Address>a,b@x.jp</c:Address></c:EmailAddress></"
                "c:EmailAddressCollection>"),
            {}}),
    [](const testing::TestParamInfo<XmlRow>& row) { return std::string(row.param.name); });

TEST(ReadContactXml, ParserFailureGivesTheParserMessage) {
    Lines lines;
    auto read = ReadContactXml("<c:contact xmlns:c=\"u\"><c:NameCollection></c:contact>", lines);
    ASSERT_FALSE(read.has_value());
    EXPECT_NE(read.error().reason.find("mismatch"), std::string::npos) << read.error().reason;
    EXPECT_NE(read.error().reason.find("offset"), std::string::npos) << read.error().reason;
    EXPECT_TRUE(lines.empty());
}

// A photo's worth of base64, folded as 3.0 writers fold it.
const std::string kLongBase64 = [] {
    std::string text;
    for (int line = 0; line < 600; ++line)
        text += std::string(line == 0 ? "" : "\r\n ") + std::string(74, 'Q');
    return text;
}();

std::string manyAddresses(int count) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:List\r\n";
    for (int i = 0; i < count; ++i) card += "EMAIL:m" + std::to_string(i) + "@x.jp\r\n";
    return card + "END:VCARD\r\n";
}

Lines manyAddressLines(int count) {
    Lines lines;
    for (int i = 0; i < count; ++i) lines.push_back("m" + std::to_string(i) + "@x.jp,List");
    return lines;
}

struct VCardRow {
    const char* name;
    std::string text;
    Lines expected;
};

class VCardCases : public testing::TestWithParam<VCardRow> {};

TEST_P(VCardCases, GivesExpectedLines) {
    EXPECT_EQ(fromVCard(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ReadVCardText, VCardCases,
    testing::Values(
        VCardRow{"version_3_escapes_and_groups",
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Suzuki;Hanako\r\nFN:Suzuki\\, Hanako\r\n"
                 "item1.EMAIL;TYPE=INTERNET;TYPE=pref:hanako@example.org\r\nitem1.X-ABLabel:home\r\n"
                 "EMAIL;TYPE=\"work,voice\":h.suzuki@corp.example\r\nEND:VCARD\r\n",
                 {"hanako@example.org,Suzuki, Hanako", "h.suzuki@corp.example,Suzuki, Hanako"}},
        VCardRow{"version_4_folded_lines_and_lf_only",
                 "BEGIN:VCARD\nVERSION:4.0\nFN:\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\n "
                 "\xAA\xE9\x83\x8E\nEMAIL;PREF=1:\n\ttaro@exa\n mple.jp\nEND:VCARD\n",
                 {std::string("taro@example.jp,") + kYamadaTaro}},
        VCardRow{
            "version_21_quoted_printable_utf8_with_soft_break",
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=B1=B1=E7=94=B0\r\n"
            "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=B1=B1=E7=94=B0 =E5=A4=AA=\r\n=E9=83=8E\r\n"
            "EMAIL;INTERNET;PREF:taro@example.jp\r\nEND:VCARD\r\n",
            {std::string("taro@example.jp,") + kYamadaTaro}},
        VCardRow{"version_21_bare_quoted_printable_shift_jis",
                 "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=SHIFT_JIS;QUOTED-PRINTABLE:=8E=52=93=63 "
                 "=91=BE=98=59\r\n"
                 "EMAIL;INTERNET:taro@docomo.example\r\nEND:VCARD\r\n",
                 {std::string("taro@docomo.example,") + kYamadaTaro}},
        VCardRow{"soft_break_before_a_blank_keeps_the_blank",
                 "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:Hanako=\r\n "
                 "Suzuki=3D\r\nEMAIL:h@x.jp\r\nEND:VCARD\r\n",
                 {"h@x.jp,Hanako Suzuki="}},
        VCardRow{"version_21_folding_keeps_the_blank",
                 "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Hanako\r\n Suzuki\r\nEMAIL:h@x.jp\r\nEND:VCARD\r\n",
                 {"h@x.jp,Hanako Suzuki"}},
        VCardRow{"base64_name",
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN;ENCODING=b:5bGx55Sw\r\nEMAIL:y@x.jp\r\nEND:VCARD\r\n",
                 {"y@x.jp,\x8E\x52\x93\x63"}},
        VCardRow{
            "several_cards_one_named_by_n_alone",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Only;Nameless\r\nEMAIL:nameless@x.jp\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Second\r\nEMAIL:mailto:second@x.jp\r\nEMAIL:\r\nEND:VCARD\r\n"
            "begin:vcard\r\nversion:3.0\r\nfn:Third\r\nemail:third@x.jp\r\nend:vcard\r\n",
            {"nameless@x.jp,Only Nameless", "second@x.jp,Second", "third@x.jp,Third"}},
        VCardRow{"nested_agent_card_does_not_leak",
                 "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Agent\r\nEMAIL:agent@"
                 "x.jp\r\nEND:VCARD\r\n"
                 "EMAIL:boss@x.jp\r\nEND:VCARD\r\n",
                 {"boss@x.jp,Boss"}},
        VCardRow{
            "first_fn_wins_and_newline_in_name_is_a_blank",
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Line\\nBreak\r\nFN:Second FN\r\nEMAIL:l@x.jp\r\nEND:VCARD\r\n",
            {"l@x.jp,Line Break"}},
        VCardRow{"missing_end_still_counts",
                 "\xEF\xBB\xBF"
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut\r\nEMAIL:cut@x.jp\r\n",
                 {"cut@x.jp,Cut"}},
        // A bare CR in an address would break the directory's line (found
        // by the vcard fuzzer); such an address is left out.
        VCardRow{"line_break_in_address_leaves_it_out",
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Hanako\r\nEMAIL:hanako.suz\ruki@x.jp\r\nEMAIL:h@x."
                 "jp\r\nEND:VCARD\r\n",
                 {"h@x.jp,Hanako"}},
        VCardRow{"garbage", std::string("\0\xFF:;\r\n=\r\n \r\nEND:VCARD\r\nFN:x\r\n", 26), {}},
        // ソ is 0x83 0x5C: its second byte is no escape of the ";" after it.
        VCardRow{"version_21_n_alone_in_shift_jis_family_name_first",
                 "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:\x83\x5C;\x91\xBE\x98\x59;;;\r\n"
                 "EMAIL;INTERNET:so@x.jp\r\nEND:VCARD\r\n",
                 {"so@x.jp,\x83\x5C \x91\xBE\x98\x59"}},
        VCardRow{
            "empty_fn_gives_way_to_n",
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:\r\nN:Suzuki\\, Jr.;Hanako;;;\r\nEMAIL:h@x.jp\r\nEND:VCARD\r\n",
            {"h@x.jp,Suzuki, Jr. Hanako"}},
        VCardRow{"photos_are_read_past",
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nPHOTO;ENCODING=b;TYPE=JPEG:" + kLongBase64 +
                     "\r\nFN:After Photo\r\nEMAIL:p@x.jp\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Old Photo\r\nPHOTO;TYPE=JPEG;ENCODING=BASE64:\r\n  " +
                     kLongBase64 + "\r\n\r\nEMAIL:o@x.jp\r\nEND:VCARD\r\n",
                 {"p@x.jp,After Photo", "o@x.jp,Old Photo"}},
        VCardRow{"addresses_beyond_the_limit_of_a_card_are_left_out", manyAddresses(150),
                 manyAddressLines(100)}),
    [](const testing::TestParamInfo<VCardRow>& row) { return std::string(row.param.name); });

TEST(ReadVCardText, RandomBytesAroundCardLinesNeverCrash) {
    // Card syntax pieces glued at random, for the sanitizer builds.
    const std::vector<std::string> pieces = {"BEGIN:VCARD",
                                             "END:VCARD",
                                             "FN",
                                             "EMAIL",
                                             ";",
                                             ":",
                                             "=",
                                             "\"",
                                             "\r\n",
                                             "\n",
                                             " ",
                                             "\\",
                                             "ENCODING=QUOTED-PRINTABLE",
                                             "CHARSET=ISO-2022-JP",
                                             "ENCODING=b",
                                             "=E3=81",
                                             "\x1B$B",
                                             "\xE3\x81",
                                             "\x82",
                                             "a@x",
                                             "item1."};
    std::mt19937 random(2718);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 40); n > 0; --n) text += pieces[random() % pieces.size()];
        Lines lines;
        ReadVCardText(text, lines);
        for (const std::string& line : lines) EXPECT_NE(line.find(','), std::string::npos);
    }
}

const fs::path kData = fs::path(PELMORA_TEST_DATA) / "addressbook";

TEST(ReadContactsFolder, ReadsContactAndVCardFilesInSubfolders) {
    Lines lines;
    ASSERT_TRUE(ReadContactsFolder(kData / "contacts", lines).has_value());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines,
              (Lines{"Taro.Yamada@Work.Example.COM," + std::string(kYamadaTaro),
                     "hanako.suzuki@corp.example,Hanako Suzuki, PhD", "hanako@example.org,Hanako Suzuki, PhD",
                     "taro@example.jp," + std::string(kYamadaTaro)}));
}

TEST(ReadContactsFolder, Utf16ContactFile) {
    Lines lines;
    ASSERT_TRUE(ReadContactsFolder(kData / "utf16", lines).has_value());
    EXPECT_EQ(lines, (Lines{"u@x.jp,\x82\xA0"}));
}

TEST(ReadContactsFolder, ParserFailureNamesTheFile) {
    Lines lines;
    auto read = ReadContactsFolder(kData / "broken", lines);
    ASSERT_FALSE(read.has_value());
    EXPECT_NE(ContactsErrorText(read.error()).find("bad.contact: "), std::string::npos)
        << ContactsErrorText(read.error());
}

class HomeFolder : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_home.empty()); }
    test::ScratchFolder m_scratch{"pelmora-home"};
    const fs::path& m_home = m_scratch.path();
};

TEST_F(HomeFolder, MissingContactsFolderGivesAnEmptyDirectory) {
    DisplayNameDirectory directory;
    directory.Append("old@x.jp", "Old");
    ASSERT_TRUE(BuildDisplayNameDirectory(directory, BookPlaces::UnderHome(m_home)).has_value());
    EXPECT_TRUE(directory.empty());
}

TEST_F(HomeFolder, BuildsFromContactsAndLooksUp) {
    fs::copy(kData / "contacts", m_home / "Contacts", fs::copy_options::recursive);
    // A link back to an ancestor must not make the walk endless.
    fs::create_directory_symlink(m_home, m_home / "Contacts" / "sub" / "loop");
    DisplayNameDirectory directory;
    ASSERT_TRUE(BuildDisplayNameDirectory(directory, BookPlaces::UnderHome(m_home)).has_value());
    EXPECT_EQ(directory.size(), 4u);
    const std::string* name = directory.LookupDisplayName("TARO.yamada@work.example.com");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(*name, kYamadaTaro);
    EXPECT_EQ(directory.LookupDisplayName("nobody@example.jp"), nullptr);
}

// A contact file beyond the limit, in any place a book is looked for, is
// passed over and reported, not read whole (a sparse file of gigabytes took
// the memory and the time of the start); the other files of its folder are
// read.
TEST_F(HomeFolder, ContactFilesBeyondTheLimitAreSkippedAndReported) {
    const fs::path contacts = m_home / "Contacts";
    const fs::path cards = m_home / ".local" / "share" / "contacts";
    for (const fs::path& folder : {contacts, cards}) fs::create_directories(folder);
    std::ofstream(contacts / "a.vcf") << "BEGIN:VCARD\nFN:Taro\nEMAIL:taro@x.jp\nEND:VCARD\n";
    const fs::path extra = m_home / "big-extra.vcf";
    const std::vector<fs::path> large = {contacts / "big.vcf", contacts / "big.contact", cards / "big.vcf",
                                         extra};
    for (const fs::path& file : large) {
        std::ofstream(file) << "BEGIN:VCARD\nFN:Big\nEMAIL:big@x.jp\nEND:VCARD\n";
        fs::resize_file(file, addressbook::kCardTextLimit + 1);
    }
    DisplayNameDirectory directory;
    DirectoryReport report;
    ASSERT_TRUE(
        BuildDisplayNameDirectory(directory, BookPlaces::UnderHome(m_home, extra), &report).has_value());
    EXPECT_EQ(directory.addresses(), std::vector<std::string>{"taro@x.jp"});
    std::vector<fs::path> skipped;
    for (const BookReport* book : report.skipped()) {
        EXPECT_EQ(book->status, BookStatus::TooLarge);
        skipped.push_back(book->path);
    }
    std::sort(skipped.begin(), skipped.end());
    std::vector<fs::path> expected = large;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(skipped, expected);
}

TEST_F(HomeFolder, ParserFailureLeavesTheDirectoryEmpty) {
    fs::copy(kData / "broken", m_home / "Contacts", fs::copy_options::recursive);
    std::ofstream(m_home / "Contacts" / "more.vcf") << "BEGIN:VCARD\nFN:More\nEMAIL:more@x.jp\nEND:VCARD\n";
    DisplayNameDirectory directory;
    directory.Append("old@x.jp", "Old");
    auto built = BuildDisplayNameDirectory(directory, BookPlaces::UnderHome(m_home));
    ASSERT_FALSE(built.has_value());
    EXPECT_TRUE(directory.empty());
}

}  // namespace
}  // namespace pelmora
