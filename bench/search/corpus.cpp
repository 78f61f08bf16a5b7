// SPDX-License-Identifier: MIT
#include "corpus.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "decode/cp932_encode.h"

namespace pelmora::bench {

namespace {

namespace fs = std::filesystem;

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t m_state;
};

constexpr std::array<std::string_view, 40> kWords = {
    "meeting",  "report",   "schedule", "project",  "update",   "review",   "client",  "invoice",
    "budget",   "team",     "release",  "deadline", "server",   "network",  "backup",  "account",
    "support",  "ticket",   "office",   "travel",   "monday",   "friday",   "please",  "thanks",
    "attached", "draft",    "final",    "version",  "change",   "issue",    "summary", "minutes",
    "agenda",   "contract", "price",    "order",    "delivery", "shipping", "status",  "notes"};

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Lines(const std::string& bytes) {
    std::string out;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 2]);
        line += kBase64Alphabet[(v >> 18) & 63];
        line += kBase64Alphabet[(v >> 12) & 63];
        line += i + 1 < bytes.size() ? kBase64Alphabet[(v >> 6) & 63] : '=';
        line += i + 2 < bytes.size() ? kBase64Alphabet[v & 63] : '=';
        if (line.size() >= 76) {
            out += line + "\r\n";
            line.clear();
        }
    }
    if (!line.empty()) out += line + "\r\n";
    return out;
}

std::string asciiLine(Random& rng, bool plant, std::string_view word = kPlantedWord) {
    std::string line;
    int words = 8 + rng.below(6);
    int plantAt = plant ? rng.below(words) : -1;
    for (int w = 0; w < words; ++w) {
        if (!line.empty()) line += ' ';
        line += w == plantAt ? word : kWords[static_cast<std::size_t>(rng.below(kWords.size()))];
    }
    return line;
}

// Kanji and hiragana as JIS X 0208 pairs between the two escapes.
std::string jisLine(Random& rng) {
    std::string line = "\x1B$B";
    int chars = 20 + rng.below(16);
    for (int c = 0; c < chars; ++c) {
        bool kana = rng.below(3) == 0;
        line += static_cast<char>(kana ? 0x24 : 0x30 + rng.below(0x20));
        line += static_cast<char>(kana ? 0x21 + rng.below(0x52) : 0x21 + rng.below(0x5E));
    }
    return line + "\x1B(B";
}

void appendUtf8(std::string& out, char32_t cp) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

std::string utf8Text(Random& rng, int lines) {
    std::string text;
    for (int l = 0; l < lines; ++l) {
        int chars = 20 + rng.below(16);
        for (int c = 0; c < chars; ++c)
            appendUtf8(text, rng.below(3) == 0 ? 0x3041 + rng.below(0x52) : 0x4E00 + rng.below(0x5000));
        text += "\r\n";
    }
    return text;
}

std::string quotedPrintable(const std::string& text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t column = 0;
    for (char ch : text) {
        auto b = static_cast<std::uint8_t>(ch);
        if (ch == '\r') continue;
        if (ch == '\n') {
            out += "\r\n";
            column = 0;
            continue;
        }
        std::string piece =
            (b >= 0x80 || ch == '=') ? std::string{'=', hex[b >> 4], hex[b & 15]} : std::string(1, ch);
        if (column + piece.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += piece.size();
    }
    return out;
}

enum class Kind { Plain, Jis, Base64Utf8, QuotedPrintable, Mixed };

Kind kindOf(Random& rng) {
    int r = rng.below(100);
    if (r < 40) return Kind::Plain;
    if (r < 65) return Kind::Jis;
    if (r < 80) return Kind::Base64Utf8;
    if (r < 90) return Kind::QuotedPrintable;
    return Kind::Mixed;
}

std::string header(Random& rng, std::size_t index, std::string_view contentLines) {
    int day = 1 + rng.below(28), hour = rng.below(24), minute = rng.below(60);
    char date[64];
    std::snprintf(date, sizeof date, "%d Mar 2024 %02d:%02d:%02d +0900", day, hour, minute, rng.below(60));
    std::ostringstream h;
    h << "Received: from mx" << rng.below(9) << ".example.jp by mail.example.jp;\r\n\t" << date << "\r\n"
      << "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <user" << rng.below(500) << "@example.jp>\r\n"
      << "To: team" << rng.below(50) << "@example.com\r\n"
      << "Subject: " << kWords[static_cast<std::size_t>(rng.below(kWords.size()))] << ' ' << index << "\r\n"
      << "Date: " << date << "\r\n"
      << "Message-ID: <" << index << '.' << rng.next() % 100000 << "@example.jp>\r\n"
      << "MIME-Version: 1.0\r\n"
      << contentLines << "\r\n";
    return h.str();
}

std::string plainBody(Random& rng, bool plant, bool jis) {
    std::string body;
    int lines = 20 + rng.below(20);
    int plantLine = plant ? rng.below(lines) : -1;
    for (int l = 0; l < lines; ++l)
        body += (jis && l != plantLine ? jisLine(rng) : asciiLine(rng, l == plantLine)) + "\r\n";
    return body;
}

std::string message(Random& rng, std::size_t index, bool plant, bool& planted) {
    planted = false;
    switch (kindOf(rng)) {
        case Kind::Plain:
            planted = plant;
            return header(rng, index, "Content-Type: text/plain; charset=us-ascii\r\n") +
                   plainBody(rng, plant, false);
        case Kind::Jis:
            planted = plant;
            return header(rng, index,
                          "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: "
                          "7bit\r\n") +
                   plainBody(rng, plant, true);
        case Kind::Base64Utf8:
            return header(
                       rng, index,
                       "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n") +
                   base64Lines(utf8Text(rng, 20 + rng.below(20)));
        case Kind::QuotedPrintable: {
            planted = plant;
            std::string text = utf8Text(rng, 10 + rng.below(10));
            if (plant) text += asciiLine(rng, true) + "\r\n";
            text += utf8Text(rng, 5);
            return header(rng, index,
                          "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
                          "quoted-printable\r\n") +
                   quotedPrintable(text);
        }
        case Kind::Mixed: {
            planted = plant;
            std::string attachment;
            int size = 4000 + rng.below(8000);
            for (int i = 0; i < size; ++i) attachment += static_cast<char>(rng.next() & 0xFF);
            return header(rng, index, "Content-Type: multipart/mixed; boundary=\"=_part_boundary\"\r\n") +
                   "This is a multi-part message in MIME format.\r\n\r\n--=_part_boundary\r\n"
                   "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: "
                   "7bit\r\n\r\n" +
                   plainBody(rng, plant, true) +
                   "\r\n--=_part_boundary\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
                   "Content-Transfer-Encoding: base64\r\n\r\n" +
                   base64Lines(attachment) + "--=_part_boundary--\r\n";
        }
    }
    return {};
}

// The Japanese-heavy corpus.
namespace japanese {

// kJapaneseTerm in JIS X 0208 (ファルコン: row 5, katakana), which jisLine
// never writes.
constexpr std::string_view kJisTerm = "\x1B$B%U%!%k%3%s\x1B(B";

struct Plants {
    bool ascii = false;
    bool japanese = false;
};

std::string receivedFields(Random& rng, const char* date) {
    std::string fields;
    const int hops = 2 + rng.below(5);
    for (int h = 0; h < hops; ++h) {
        char field[512];
        std::snprintf(
            field, sizeof field,
            "Received: from relay%d.example.ne.jp (relay%d.example.ne.jp [192.0.2.%d])\r\n"
            "\tby mx%d.example.jp (Postfix) with ESMTP id %08llX\r\n\tfor <user@example.jp>; %s\r\n",
            rng.below(40), rng.below(40), rng.below(250), rng.below(9),
            static_cast<unsigned long long>(rng.next() & 0xFFFFFFFF), date);
        fields += field;
    }
    return fields;
}

std::string japaneseHeader(Random& rng, std::size_t index, std::string_view contentLines) {
    char date[64];
    std::snprintf(date, sizeof date, "%d Apr 2024 %02d:%02d:%02d +0900", 1 + rng.below(28), rng.below(24),
                  rng.below(60), rng.below(60));
    std::ostringstream h;
    h << receivedFields(rng, date) << "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <user" << rng.below(500)
      << "@example.jp>\r\n"
      << "To: =?ISO-2022-JP?B?GyRCMUQ2SEl0GyhC?= <team" << rng.below(50) << "@example.co.jp>\r\n"
      << "Subject: =?ISO-2022-JP?B?GyRCJCo4K0BRJGokTjdvGyhC?= " << index << "\r\n"
      << "Date: " << date << "\r\n"
      << "Message-ID: <" << index << '.' << rng.next() % 1000000 << "@example.jp>\r\n"
      << "MIME-Version: 1.0\r\n"
      << contentLines << "\r\n";
    return h.str();
}

// About `bytes` of ISO-2022-JP text, the plants on lines of their own.
std::string jisBody(Random& rng, std::size_t bytes, Plants plants) {
    std::string body;
    const std::size_t lines = std::max<std::size_t>(2, bytes / 64);
    const auto asciiAt = plants.ascii ? static_cast<std::size_t>(rng.below(static_cast<int>(lines))) : lines;
    const auto japaneseAt =
        plants.japanese ? static_cast<std::size_t>(rng.below(static_cast<int>(lines))) : lines;
    for (std::size_t l = 0; l < lines; ++l) {
        if (l == asciiAt) body += asciiLine(rng, true, kAsciiTerm) + "\r\n";
        if (l == japaneseAt) body += jisLine(rng) + std::string(kJisTerm) + jisLine(rng) + "\r\n";
        body += (rng.below(5) == 0 ? asciiLine(rng, false) : jisLine(rng)) + "\r\n";
    }
    return body;
}

// A line of kanji and hiragana that Japanese mail holds: only characters
// that code page 932 has (the unified ideographs outside it are Chinese).
std::string japaneseUtf8Line(Random& rng) {
    std::string line;
    const int chars = 20 + rng.below(16);
    for (int c = 0; c < chars;) {
        const char32_t cp = rng.below(3) == 0 ? 0x3041 + rng.below(0x52) : 0x4E00 + rng.below(0x5000);
        if (cp932::UnicodeToCode(cp) == 0) continue;
        appendUtf8(line, cp);
        ++c;
    }
    return line + "\r\n";
}

// About `bytes` of UTF-8 text.
std::string utf8Body(Random& rng, std::size_t bytes, Plants plants) {
    const int lines = static_cast<int>(std::max<std::size_t>(2, bytes / 90));
    const int asciiAt = plants.ascii ? rng.below(lines) : -1;
    const int japaneseAt = plants.japanese ? rng.below(lines) : -1;
    std::string text;
    for (int l = 0; l < lines; ++l) {
        if (l == asciiAt) text += asciiLine(rng, true, kAsciiTerm) + "\r\n";
        if (l == japaneseAt) text += std::string(kJapaneseTerm) + "\r\n";
        text += japaneseUtf8Line(rng);
    }
    return text;
}

std::string randomBytes(Random& rng, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t v = rng.next();
        for (std::size_t k = 0; k < 8 && i + k < size; ++k) bytes[i + k] = static_cast<char>(v >> (8 * k));
    }
    return bytes;
}

std::size_t textSize(Random& rng) {
    return 1024 + static_cast<std::size_t>(rng.below(19 * 1024));
}

std::string message(Random& rng, std::size_t index, Plants& plants) {
    const int kind = rng.below(95);  // the other 5 % are the copies
    if (kind < 55) {
        plants.ascii = rng.below(100) < 3;
        plants.japanese = rng.below(100) < 3;
        return japaneseHeader(
                   rng, index,
                   "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n") +
               jisBody(rng, textSize(rng), plants);
    }
    if (kind < 75) {
        plants.ascii = rng.below(100) < 3;
        plants.japanese = rng.below(100) < 3;
        const std::string text = utf8Body(rng, textSize(rng), plants);
        return rng.below(2) == 0
                   ? japaneseHeader(
                         rng, index,
                         "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n") +
                         base64Lines(text)
                   : japaneseHeader(rng, index,
                                    "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
                                    "quoted-printable\r\n") +
                         quotedPrintable(text);
    }
    if (kind < 90) {
        plants.ascii = rng.below(100) < 3;
        plants.japanese = rng.below(100) < 3;
        std::string m =
            japaneseHeader(rng, index, "Content-Type: multipart/mixed; boundary=\"=_mixed\"\r\n") +
            "This is a multi-part message in MIME format.\r\n\r\n--=_mixed\r\n"
            "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
            "Content-Transfer-Encoding: 7bit\r\n\r\n" +
            jisBody(rng, textSize(rng) / 4, plants);
        const int attachments = 1 + rng.below(2);
        for (int a = 0; a < attachments; ++a) {
            const std::string name = "doc" + std::to_string(a) + ".pdf";
            m += "\r\n--=_mixed\r\nContent-Type: application/pdf; name=\"" + name +
                 "\"\r\nContent-Disposition: attachment; filename=\"" + name +
                 "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
            m += base64Lines(randomBytes(rng, 10 * 1024 + static_cast<std::size_t>(rng.below(490 * 1024))));
        }
        return m + "--=_mixed--\r\n";
    }
    plants.ascii = rng.below(100) < 3;
    plants.japanese = rng.below(100) < 3;
    const std::string text = utf8Body(rng, textSize(rng) / 2, plants);
    std::string html = "<html><body><p>";
    for (char ch : text) html += ch == '\n' ? std::string("<br>\n") : std::string(1, ch);
    html += "</p></body></html>\r\n";
    return japaneseHeader(rng, index, "Content-Type: multipart/alternative; boundary=\"=_alt\"\r\n") +
           "--=_alt\r\nContent-Type: text/plain; charset=utf-8\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           quotedPrintable(text) +
           "\r\n--=_alt\r\nContent-Type: text/html; charset=utf-8\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           base64Lines(html) + "--=_alt--\r\n";
}

std::string withBareLineFeeds(std::string text) {
    std::erase(text, '\r');
    return text;
}

}  // namespace japanese

bool readFacts(const fs::path& marker, std::size_t count, CorpusFacts& facts) {
    std::ifstream in(marker);
    if (!in || !(in >> facts.messages >> facts.bytes >> facts.planted)) return false;
    in >> facts.plantedJapanese;
    return facts.messages == count;
}

std::string fileName(std::size_t i) {
    char name[32];
    std::snprintf(name, sizeof name, "d%02zu/%06zu.eml", i % 100, i);
    return name;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

CorpusFacts EnsureCorpus(const fs::path& folder, std::size_t count) {
    const fs::path marker = folder / "corpus-facts.txt";
    CorpusFacts facts;
    if (readFacts(marker, count, facts)) return facts;
    fs::remove_all(folder);
    Random rng(20240310);
    facts = CorpusFacts{};
    for (std::size_t i = 0; i < count; ++i) {
        fs::path path = folder / fileName(i);
        if (i < 100) fs::create_directories(path.parent_path());
        bool planted = false;
        std::string content = message(rng, i, i % 100 == 37, planted);
        std::ofstream(path, std::ios::binary) << content;
        facts.bytes += content.size();
        facts.planted += planted ? 1 : 0;
        ++facts.messages;
    }
    std::ofstream(marker) << facts.messages << ' ' << facts.bytes << ' ' << facts.planted << '\n';
    return facts;
}

CorpusFacts EnsureJapaneseCorpus(const fs::path& folder, std::size_t count) {
    const fs::path marker = folder / "corpus-facts.txt";
    CorpusFacts facts;
    if (readFacts(marker, count, facts)) return facts;
    fs::remove_all(folder);
    Random rng(20240401);
    std::vector<japanese::Plants> plantsOf;
    for (std::size_t i = 0; i < count; ++i) {
        const fs::path path = folder / fileName(i);
        if (i < 100) fs::create_directories(path.parent_path());
        japanese::Plants plants;
        std::string content;
        if (i > 0 && rng.below(100) < 5) {
            const auto original = static_cast<std::size_t>(rng.next() % i);
            content = readAll(folder / fileName(original));
            plants = plantsOf[original];
        } else {
            content = japanese::message(rng, i, plants);
            if (rng.below(100) < 15) content = japanese::withBareLineFeeds(std::move(content));
        }
        std::ofstream(path, std::ios::binary) << content;
        plantsOf.push_back(plants);
        facts.bytes += content.size();
        facts.planted += plants.ascii ? 1 : 0;
        facts.plantedJapanese += plants.japanese ? 1 : 0;
        ++facts.messages;
    }
    std::ofstream(marker) << facts.messages << ' ' << facts.bytes << ' ' << facts.planted << ' '
                          << facts.plantedJapanese << '\n';
    return facts;
}

}  // namespace pelmora::bench
