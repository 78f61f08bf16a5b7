// SPDX-License-Identifier: MIT
// The desktop's address books through pelmora-cli: a home with a
// Thunderbird profile and an Evolution book, the names `list` shows and
// what `books` tells about them.
#include <sys/wait.h>

#include <string>

#include "operations/op_fixture.h"
#include "support/address_books.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

// 山田 太郎 and 鈴木 花子 in UTF-8.
const std::string kYamadaTaro = "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E";
const std::string kSuzukiHanako = "\xE9\x88\xB4\xE6\x9C\xA8 \xE8\x8A\xB1\xE5\xAD\x90";

class CliBooks : public MailFolderTest {
protected:
    void SetUp() override {
        MailFolderTest::SetUp();
        home.emplace("HOME", (root / "home").native());
        config.emplace("XDG_CONFIG_HOME", (root / "config").native());
        cache.emplace("XDG_CACHE_HOME", (root / "cache").native());
        profile = AddThunderbirdProfile(root / "home" / ".thunderbird", "default-release");
        WriteThunderbirdBook(profile / "abook.sqlite",
                             {{{"DisplayName", kYamadaTaro}, {"PrimaryEmail", "taro@tb.example"}}});
        evolution = root / "data" / "evolution" / "addressbook" / "system" / "contacts.db";
        WriteEvolutionBook(evolution, {VCard30(kSuzukiHanako, "hanako@evo.example")});
        addMessage("a.eml",
                   "From: taro@tb.example\r\nTo: <Hanako@Evo.Example>, other@x.example\r\n"
                   "Subject: names\r\n\r\nbody\r\n");
    }
    // Runs pelmora-cli with the arguments; its stdout in out, stderr in err.
    int run(const std::string& arguments) {
        const std::string command = std::string("'") + PELMORA_CLI + "' " + arguments + " </dev/null >'" +
                                    (root / "stdout").native() + "' 2>'" + (root / "stderr").native() + "'";
        const int exit = std::system(command.c_str());
        out = ReadBytes(root / "stdout");
        err = ReadBytes(root / "stderr");
        return WIFEXITED(exit) ? WEXITSTATUS(exit) : -1;
    }
    std::string mailFolder() const { return "'" + mail.native() + "'"; }

    std::optional<ScopedEnv> home, config, cache;
    fs::path profile, evolution;
    std::string out, err;
};

TEST_F(CliBooks, ListShowsTheNamesOfBothBooks) {
    ASSERT_EQ(run("list --display-names --format=tsv " + mailFolder()), 0) << err;
    EXPECT_NE(out.find("\t" + kYamadaTaro + "\t" + kSuzukiHanako + "; other@x.example\t"), std::string::npos)
        << out;
    EXPECT_EQ(err, "");
    ASSERT_EQ(run("list --no-display-names --format=tsv " + mailFolder()), 0) << err;
    EXPECT_NE(out.find("\ttaro@tb.example\tHanako@Evo.Example; other@x.example\t"), std::string::npos) << out;
}

TEST_F(CliBooks, BooksTellsEachBookItsCountAndWhereItIs) {
    ASSERT_EQ(run("books --format=tsv"), 0) << err;
    EXPECT_EQ(out,
              "source\tbook\tkind\tstatus\taddresses\tpath\treason\n"
              "Thunderbird (default-release)\tabook.sqlite\tthunderbird\tread\t1\t" +
                  (profile / "abook.sqlite").native() + "\t\nEvolution\tsystem\tevolution\tread\t1\t" +
                  evolution.native() + "\t\n");
    ASSERT_EQ(run("books"), 0) << err;
    EXPECT_NE(out.find("Thunderbird (default-release)  abook.sqlite  1 \xE4\xBB\xB6  " + profile.native()),
              std::string::npos)
        << out;
    ASSERT_EQ(run("books --format=json"), 0) << err;
    EXPECT_NE(
        out.find("{\"source\":\"Evolution\",\"book\":\"system\",\"kind\":\"evolution\",\"status\":\"read\","
                 "\"addresses\":1,\"path\":\"" +
                 evolution.native() + "\",\"reason\":\"\"}\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(run("books --help"), 0);
    EXPECT_EQ(out.rfind("usage: pelmora-cli books", 0), 0u) << out;
    EXPECT_EQ(run("books extra-operand"), 2);
    EXPECT_EQ(run("books --format=csv"), 2);
}

// A book another program broke or locked costs its names only: the list
// shows the others, says once which book was skipped and why, and the
// command succeeds. The settings file's extra book counts too.
TEST_F(CliBooks, SkippedBookIsSaidOnceAndTheOthersStillName) {
    const fs::path broken = root / "cache" / "evolution" / "addressbook" / "google" / "cache.db";
    fs::create_directories(broken.parent_path());
    WriteBytes(broken, "not a database");
    fs::create_directories(root / "config" / "BRANTOLE" / "Pelmora");
    WriteBytes(root / "extra.vcf", VCard30("Extra", "other@x.example"));
    WriteBytes(root / "config" / "BRANTOLE" / "Pelmora" / "Pelmora.INI",
               "[Option]\r\nConvDisplayName=1\r\nAddressBookPath=" + (root / "extra.vcf").native() + "\r\n");
    ASSERT_EQ(run("list --format=tsv " + mailFolder()), 0) << err;
    EXPECT_NE(out.find("\t" + kYamadaTaro + "\t" + kSuzukiHanako + "; Extra\t"), std::string::npos) << out;
    EXPECT_NE(err.find(broken.native()), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    ASSERT_EQ(run("books --format=tsv"), 0) << err;
    EXPECT_NE(out.find("\tevolution-cache\tcorrupt\t0\t" + broken.native() + "\tfile is not a database\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\textra\tread\t1\t"), std::string::npos) << out;
}

}  // namespace
}  // namespace pelmora::test
