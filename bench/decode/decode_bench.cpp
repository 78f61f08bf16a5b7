// SPDX-License-Identifier: MIT
// DecodeHeaderText on the subjects a Japanese mailbox is made of, in MB/s
// of header text. The copy benchmark is the floor: reading the same bytes
// into a new string, which every decoder does at least once.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "decode/header.h"

namespace {

const std::string kIso2022JpWords =
    "=?ISO-2022-JP?B?GyRCN29MPiEnRnxLXDhsJE4lYSE8JWskckZJJF8kXiQ5GyhC?= "
    "=?ISO-2022-JP?B?GyRCNEE7eiEmJFIkaSQsJEohJiUrJT8lKyVKGyhC?=";
const std::string kRawJis = "Re: \x1B$B7oL>!'F|K\\8l$N%a!<%k$rFI$_$^$9\x1B(B [ml:1234]";
const std::string kUtf8Words =
    "=?UTF-8?B?5Lu25ZCN77ya5pel5pys6Kqe44Gu44Oh44O844Or44KS6Kqt44G/44G+44GZ?= "
    "=?UTF-8?B?5ryi5a2X44O744Gy44KJ44GM44Gq44O744Kr44K/44Kr44OK?=";
const std::string kUtf8Q = "=?utf-8?Q?Re:_=E4=BC=9A=E8=AD=B0=E3=81=AE=E4=BA=88=E5=AE=9A_(week_12)?=";
// Characters without a code become "?", which the one-walk path must allow.
const std::string kUtf8Emoji =
    "Re: =?UTF-8?B?8J+OiSDjgYrnpZ3jgYQg8J+OgiDkvJrorbA=?= =?UTF-8?Q?=F0=9F=91=8D?=";
const std::string kAscii = "Re: [pelmora-dev] Weekly build report for the decode module";

// From, Subject and To of messages shaped like the folder-load benchmark's,
// folded lines joined the way the reader joins them (without a blank).
const std::vector<std::vector<std::string>> kMessages = {
    {"=?ISO-2022-JP?B?GyRCPi5OUxsoQiAbJEJmRkJAGyhC?= <user436@alpha.example.jp>",
     "=?ISO-2022-JP?B?GyRCJTUhPCVQRGQ7XyROGyhC?==?ISO-2022-JP?B?GyRCJCpDTiRpJDshSkJoGyhCNxskQkpzIUsbKEI=?=",
     "=?ISO-2022-JP?B?GyRCMkNGIxsoQiAbJEJNM0h+GyhC?= <user25@beta.example.jp>,"
     "=?ISO-2022-JP?B?GyRCMkNGIxsoQiAbJEI3chsoQg==?= <user64@gamma.example.jp>"},
    {"=?UTF-8?Q?=E5=8A=A0=E8=97=A4_=E7=BF=94=E5=A4=AA?= <user430@delta.example.jp>",
     "=?UTF-8?Q?=E5=B1=95=E7=A4=BA=E4=BC=9A=E3=81=AE=E6=BA=96=E5=82=99?==?UTF-8?Q?=EF=BC=88=E7=AC=AC7=E5=A0="
     "B1=EF=BC=89?=",
     "=?UTF-8?B?6Yi05pyoIOiKseWtkA==?= <user168@delta.example.jp>"},
    {"=?UTF-8?B?6Yi05pyoIOS4gOmDjg==?= <user246@beta.example.jp>",
     "=?UTF-8?B?5Ye66I235LqI5a6a44Gu44GK?==?UTF-8?B?55+l44KJ44Gb77yI56ysM+Wgse+8iQ==?=",
     "=?UTF-8?B?55Sw5LitIOWBpQ==?= <user103@delta.example.jp>,=?UTF-8?B?6Yi05pyoIOS4gOmDjg==?= "
     "<user174@beta.example.jp>,=?UTF-8?B?5LyK6JekIOiKseWtkA==?= <user465@alpha.example.jp>"},
    {"\"Taro Example\" <user11@beta.example.jp>", "Meeting notes",
     "=?UTF-8?B?5LyK6JekIOS4gOmDjg==?= <user130@delta.example.jp>,=?UTF-8?B?5bCP5p6XIOiKseWtkA==?= "
     "<user310@alpha.example.jp>"},
    {"=?ISO-2022-JP?B?GyRCMkNGIxsoQiAbJEJNWztSGyhC?= <user468@gamma.example.jp>",
     "=?ISO-2022-JP?B?GyRCRzxJSkZ8JE5KUTk5GyhC?==?ISO-2022-JP?B?GyRCIUpCaBsoQjgbJEJKcyFLGyhC?=",
     "=?ISO-2022-JP?B?GyRCOjRGIxsoQiAbJEI3chsoQg==?= <user493@beta.example.jp>"},
    {"=?UTF-8?Q?=E4=BC=8A=E8=97=A4_=E7=94=B1=E7=BE=8E?= <user1@beta.example.jp>",
     "=?UTF-8?Q?=E3=82=B5=E3=83=BC=E3=83=90=E5=81=9C=E6=AD=A2=E3=81=AE?==?UTF-8?Q?=E3=81=8A=E7=9F=A5=E3=82="
     "89=E3="
     "81=9B=EF=BC=88=E7=AC=AC6=E5=A0=B1=EF=BC=89?=",
     "=?UTF-8?B?5L2Q6JekIOWkqumDjg==?= <user141@delta.example.jp>"},
};

// The three values of every message, in microseconds per message.
void loadHeaders(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& message : kMessages)
            for (const std::string& value : message)
                benchmark::DoNotOptimize(pelmora::DecodeHeaderText(value));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kMessages.size()));
}

// A To: line of a mailing to many people, each name an encoded word.
std::string manyRecipients(int count) {
    std::string to;
    for (int i = 0; i < count; ++i) {
        to += "=?UTF-8?B?5bGx55Sw5aSq6YOO?= <taro.yamada" + std::to_string(i) + "@example.com>, ";
    }
    return to;
}

void decodeOnce(benchmark::State& state) {
    const std::string to = manyRecipients(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(pelmora::DecodeHeaderText(to));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * to.size()));
}

// Values that only the general passes decode: malformed WINDOWS-1252 words
// (each followed by "?") and windows-1252 names; time per byte must stay
// flat from 10,000 to 320,000 words.
void decodeGeneral(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    std::string value;
    for (int i = 0; i < count; ++i) value += "=?WINDOWS-1252?Q?a?=?";
    for (int i = 0; i < count / 8; ++i)
        value += "=?windows-1252?Q?Ren=E9?= <r" + std::to_string(i) + "@example.com>, ";
    for (auto _ : state) benchmark::DoNotOptimize(pelmora::DecodeHeaderText(value));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * value.size()));
}

// A folder's worth of subjects, so the loop does not run on one cached line.
std::vector<std::string> folderOf(const std::string& subject) {
    std::vector<std::string> subjects;
    for (int i = 0; i < 256; ++i) subjects.push_back(subject + " #" + std::to_string(i));
    return subjects;
}

template <typename Work>
void runOver(benchmark::State& state, const std::string& subject, Work work) {
    const std::vector<std::string> subjects = folderOf(subject);
    std::size_t bytes = 0;
    for (const std::string& s : subjects) bytes += s.size();
    for (auto _ : state) {
        for (const std::string& s : subjects) benchmark::DoNotOptimize(work(s));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void decode(benchmark::State& state, const std::string& subject) {
    runOver(state, subject, [](const std::string& s) { return pelmora::DecodeHeaderText(s); });
}

void copyFloor(benchmark::State& state, const std::string& subject) {
    runOver(state, subject, [](const std::string& s) { return std::string(s); });
}

}  // namespace

BENCHMARK_CAPTURE(decode, iso2022jp_b_words, kIso2022JpWords);
BENCHMARK_CAPTURE(decode, raw_jis, kRawJis);
BENCHMARK_CAPTURE(decode, utf8_b_words, kUtf8Words);
BENCHMARK_CAPTURE(decode, utf8_q_word, kUtf8Q);
BENCHMARK_CAPTURE(decode, plain_ascii, kAscii);
BENCHMARK_CAPTURE(decode, utf8_emoji, kUtf8Emoji);
BENCHMARK(loadHeaders)->Name("decode/load_headers_per_message");
// Time per byte must stay flat as the line grows.
BENCHMARK(decodeOnce)->Name("decode/to_recipients")->Arg(100)->Arg(2000);
BENCHMARK(decodeGeneral)->Name("decode/general_many_words")->Arg(10000)->Arg(320000);
BENCHMARK_CAPTURE(copyFloor, iso2022jp_b_words, kIso2022JpWords);
BENCHMARK_CAPTURE(copyFloor, utf8_b_words, kUtf8Words);

BENCHMARK_MAIN();
