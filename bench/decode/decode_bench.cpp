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
const std::string kAscii = "Re: [pelmora-dev] Weekly build report for the decode module";

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
// Time per byte must stay flat as the line grows.
BENCHMARK(decodeOnce)->Name("decode/to_recipients")->Arg(100)->Arg(2000);
BENCHMARK_CAPTURE(copyFloor, iso2022jp_b_words, kIso2022JpWords);
BENCHMARK_CAPTURE(copyFloor, utf8_b_words, kUtf8Words);

BENCHMARK_MAIN();
