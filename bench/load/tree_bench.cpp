// SPDX-License-Identifier: MIT
// A folder tree listed as one against one folder of the same messages: the
// main window's load with its subfolders (scan of every folder, then the
// same parallel reading) over 100 folders, and its load of one folder that
// holds all the messages. The tree's files are hard links to the folder's,
// so both read the same bytes from the same cache. Warm, in child
// processes, best of --runs; CPU time (user + system) and wall time.
//
// usage: tree_bench [--count=100000] [--folders=100] [--dir=FOLDER] [--runs=N]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/load.h"
#include "catalogue/scan.h"
#include "cli/terminal_ports.h"
#include "common/load_corpus.h"
#include "common/timing.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace pelmora;

// The main window's load; the number of entries listed.
std::size_t load(const fs::path& folder, Subfolders subfolders) {
    cli::TerminalListView view;
    cli::TerminalStatusBar status;
    cli::TerminalProgress progress;
    cli::TerminalPrompts prompts;
    cli::TerminalBusyCursor cursor;
    LoadFolderPorts ports{view, status, progress, prompts, cursor};
    LineList lines;
    ReaderContext reader{lines, ReaderOptions{}, prompts};
    MsgList list;
    LoadFolder(folder, list, ports, reader, subfolders);
    const std::size_t count = list.size();
    // Freeing is no part of the load: the child ends without it.
    new MsgList(std::move(list));
    return count;
}

// The flat folder from the load benchmark's generator, and a tree of
// folders linking to its files: the root, ten folders in it and nine in
// each of those, the files dealt out in turn.
void ensureCorpora(const fs::path& flat, const fs::path& tree, std::size_t count, int folders) {
    bench::EnsureLoadCorpus(flat, count);
    const fs::path treeMarker = tree / (".linked-" + std::to_string(count) + "-" + std::to_string(folders));
    if (fs::exists(treeMarker)) return;
    fs::remove_all(tree);
    std::vector<fs::path> places{tree};
    for (int top = 0; static_cast<int>(places.size()) < folders; ++top) {
        const fs::path parent = tree / ("folder" + std::to_string(top));
        places.push_back(parent);
        for (int inner = 0; inner < 9 && static_cast<int>(places.size()) < folders; ++inner)
            places.push_back(parent / ("inner" + std::to_string(inner)));
    }
    for (const fs::path& place : places) fs::create_directories(place);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(flat))
        if (entry.path().extension() == ".eml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (std::size_t i = 0; i < files.size(); ++i)
        fs::create_hard_link(files[i], places[i % places.size()] / files[i].filename());
    std::ofstream(treeMarker) << count << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 100000;
    int folders = 100;
    int runs = 3;
    fs::path base = fs::temp_directory_path() / "pelmora-load-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--child" && i + 2 < argc) {
            const bool tree = std::string_view(argv[i + 2]) == "tree";
            std::_Exit(load(argv[i + 1], tree ? Subfolders::Yes : Subfolders::No) > 0 ? 0 : 1);
        }
        if (a.starts_with("--count="))
            count = std::stoul(a.substr(8));
        else if (a.starts_with("--folders="))
            folders = std::max(1, std::stoi(a.substr(10)));
        else if (a.starts_with("--runs="))
            runs = std::max(1, std::stoi(a.substr(7)));
        else if (a.starts_with("--dir="))
            base = a.substr(6);
    }
    const fs::path flat = base / std::to_string(count);
    const fs::path tree = base / ("tree-" + std::to_string(count) + "-" + std::to_string(folders));
    ensureCorpora(flat, tree, count, folders);

    const std::string self = fs::canonical("/proc/self/exe").string();
    auto run = [&](const fs::path& folder, const char* mode) {
        return bench::RunChild({self, "--child", folder.string(), mode});
    };
    run(flat, "flat");  // the page cache warm for both
    run(tree, "tree");
    std::vector<bench::RunResult> flatRuns, treeRuns;
    for (int r = 0; r < runs; ++r) {
        flatRuns.push_back(run(flat, "flat"));
        treeRuns.push_back(run(tree, "tree"));
    }
    const bench::RunResult one = bench::Best(flatRuns);
    const bench::RunResult many = bench::Best(treeRuns);
    std::printf("%zu messages, warm, best of %d:\n", count, runs);
    std::printf("    %-40s %8.3f s wall %8.3f s CPU\n", "one folder", one.seconds, one.cpuSeconds);
    std::printf("    %-40s %8.3f s wall %8.3f s CPU\n",
                (std::to_string(folders) + " folders, subfolders listed").c_str(), many.seconds,
                many.cpuSeconds);
    std::printf("    tree / one folder: %.2f wall, %.2f CPU\n", many.seconds / one.seconds,
                many.cpuSeconds / one.cpuSeconds);
    return 0;
}
