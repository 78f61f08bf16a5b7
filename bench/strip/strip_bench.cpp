// SPDX-License-Identifier: MIT
// Attachment removal over 1,000 messages that each carry a 1 MB attachment.
// The rewrite must read each file only up to the delimiter after the first
// part: the counters give the bytes it read against the bytes on disk, and
// reading every file whole with the same line reader is the floor it is
// measured against.
//
//   strip_bench [--messages=N] [--attachment-kb=K] [benchmark flags]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "message/line_reader.h"
#include "operations/attach_delete.h"
#include "platform/file_io.h"
#include "platform/trash.h"

namespace fs = std::filesystem;
using namespace pelmora;

namespace {

int g_messages = 1000;
int g_attachmentKb = 1024;
fs::path g_root;
std::vector<fs::path> g_files;
std::uint64_t g_totalBytes = 0;

std::string messageText(int index) {
    std::string text =
        "From: sender" + std::to_string(index) +
        "@example.com\r\n"
        "To: you@example.com\r\n"
        "Subject: report " +
        std::to_string(index) +
        "\r\n"
        "Date: Tue, 1 Jan 2008 10:00:00 +0900\r\n"
        "Message-ID: <" +
        std::to_string(index) +
        "@example.com>\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"=_b\"\r\n\r\n"
        "--=_b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nThe report is attached.\r\n\r\n"
        "--=_b\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    const std::string line = std::string(76, 'Q') + "\r\n";
    const std::size_t target = static_cast<std::size_t>(g_attachmentKb) * 1024;
    for (std::size_t n = 0; n < target; n += line.size()) text += line;
    text += "--=_b--\r\n";
    return text;
}

// Writes the messages into a fresh folder; returns their paths and adds
// their sizes to total.
std::vector<fs::path> generate(const fs::path& folder, std::uint64_t& total) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < g_messages; ++i) {
        fs::path p = folder / (std::to_string(i) + ".eml");
        std::string text = messageText(i);
        std::ofstream(p, std::ios::binary) << text;
        files.push_back(p);
        total += text.size();
    }
    return files;
}

// Bytes this process has taken through read calls so far (page cache or not).
std::uint64_t readChars() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

void setCounters(benchmark::State& state, std::uint64_t bytesRead, std::uint64_t total) {
    state.counters["bytes_read"] = static_cast<double>(bytesRead) / state.iterations();
    state.counters["bytes_total"] = static_cast<double>(total);
    state.counters["read_ratio"] =
        static_cast<double>(bytesRead) / state.iterations() / static_cast<double>(total);
}

// The floor: every file read whole, line by line.
void BM_ReadWholeFiles(benchmark::State& state) {
    std::uint64_t bytes = 0;
    std::string line;
    for (auto _ : state) {
        for (const fs::path& p : g_files) {
            LineReader reader;
            reader.open(p);
            while (reader.readLine(line)) benchmark::DoNotOptimize(line.data());
            bytes += reader.bytesRead();
        }
    }
    setCounters(state, bytes, g_totalBytes);
}

// What the rewrite reads: header, first part, second delimiter.
void BM_BuildStripped(benchmark::State& state) {
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const fs::path& p : g_files) {
            auto stripped = BuildStrippedMessage(p, "=_b");
            if (!stripped) state.SkipWithError("a generated message did not strip");
            bytes += stripped ? stripped->bytesRead : 0;
        }
    }
    setCounters(state, bytes, g_totalBytes);
}

// The shell as the front ends wire it: the real trash, no question.
class TrashShell : public ports::Shell {
public:
    bool confirmTrash(std::size_t) override { return true; }
    ports::TrashResult moveToTrash(const std::vector<fs::path>& paths, ports::TrashConfirmation,
                                   const std::vector<ports::FileIdentity>& asRead) override {
        return platform::TrashEach(paths, asRead);
    }
    bool openWithAssociation(const fs::path&) override { return false; }
    bool openUrl(const std::string&) override { return false; }
    bool startProgram(const std::string&, const fs::path&) override { return false; }
};

// The whole rewrite (temporary file, fsync, trash, rename, times) of every
// message, once: the files change, so each iteration needs a fresh folder.
void BM_RewriteAll(benchmark::State& state) {
    TrashShell shell;
    std::uint64_t bytes = 0;
    std::uint64_t rchar = 0;
    int iteration = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = g_root / ("rewrite-" + std::to_string(iteration++));
        std::uint64_t ignored = 0;
        MsgList list;
        for (const fs::path& p : generate(folder, ignored)) {
            auto entry = std::make_unique<TMsgItem>();
            entry->FileName = p.native();
            entry->Boundary = "=_b";
            entry->HasAttach = true;
            entry->FileTime = 128437344000000000;  // 2008-01-01 UTC
            list.push_back(std::move(entry));
        }
        const std::uint64_t before = readChars();
        state.ResumeTiming();

        for (auto& entry : list) {
            auto outcome = RewriteMessageFile(*entry, shell, platform::SystemFileSystem());
            if (!outcome || outcome->kind != RewriteOutcome::Kind::Rewritten) {
                state.SkipWithError("a message was not rewritten");
                continue;
            }
            bytes += outcome->bytesRead;
        }

        state.PauseTiming();
        rchar += readChars() - before;
        fs::remove_all(folder);
        fs::remove_all(g_root / "data");
        state.ResumeTiming();
    }
    setCounters(state, bytes, g_totalBytes);
    // Every read call of the process, trash and temporary files included.
    state.counters["rchar"] = static_cast<double>(rchar) / state.iterations();
}

}  // namespace

BENCHMARK(BM_ReadWholeFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildStripped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteAll)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.starts_with("--messages="))
            g_messages = std::atoi(arg.c_str() + 11);
        else if (arg.starts_with("--attachment-kb="))
            g_attachmentKb = std::atoi(arg.c_str() + 16);
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    char pattern[] = "/tmp/pelmora-strip-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    g_root = pattern;
    ::setenv("XDG_DATA_HOME", (g_root / "data").c_str(), 1);
    g_files = generate(g_root / "messages", g_totalBytes);

    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_root);
    return 0;
}
