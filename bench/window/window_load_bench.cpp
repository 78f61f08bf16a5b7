// SPDX-License-Identifier: MIT
// Opening a folder in the main window, timed against `pelmora-cli list` of
// the same folder in the same run. The window is built offscreen in a home
// of its own, shown and activated with no folder; the clock then runs from
// the open-folder command (the folder browser answers at once with the
// folder) to the end of the first paint of the list that shows every row:
// what the user waits for. The command line's clock runs from its start to
// its end, its table written to /dev/null. Wall time is the target's
// measure; processor time (user + system, of the whole process with its
// helper threads) is shown beside it.
//
// The folders are the load benchmark's (bench/load/generate_corpus.py),
// generated on first use under $TMPDIR/pelmora-load-bench.
//
// usage: window_load_bench [--sizes=10000,100000] [--runs=N] [--dir=FOLDER]
// It needs a display: xvfb-run, or QT_QPA_PLATFORM=offscreen.
#include <sys/resource.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_ports.h"
#include "app/qt_list_view.h"
#include "app/qtext.h"
#include "common/load_corpus.h"
#include "common/timing.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace pelmora;

using bench::Times;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "window_load_bench: %s\n", what.c_str());
    std::exit(1);
}

// The desktop's ports, with a folder browser that answers with one folder.
class ChosenFolderPorts final : public app::PortFactory {
public:
    explicit ChosenFolderPorts(fs::path folder) : m_folder(std::move(folder)) {}
    std::unique_ptr<ports::Prompts> makePrompts(QWidget* owner) override {
        return m_desktop->makePrompts(owner);
    }
    std::unique_ptr<ports::Progress> makeProgress(QWidget* owner) override {
        return m_desktop->makeProgress(owner);
    }
    std::unique_ptr<ports::Shell> makeShell(QWidget* owner) override { return m_desktop->makeShell(owner); }
    std::unique_ptr<ports::BusyCursor> makeBusyCursor() override { return m_desktop->makeBusyCursor(); }
    std::optional<fs::path> chooseFolder(QWidget*, const QString&, const fs::path&) override {
        return m_folder;
    }

private:
    fs::path m_folder;
    std::unique_ptr<app::PortFactory> m_desktop = app::makeDesktopPortFactory();
};

// Notes the end of every paint of the list that shows `rows` rows.
class PaintWatch final : public QObject {
public:
    PaintWatch(QWidget& viewport, const QAbstractItemModel& model, int rows) : m_model(model), m_rows(rows) {
        viewport.installEventFilter(this);
    }
    bool fullListPainted() const { return m_painted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_model.rowCount() == m_rows) {
            // The paint itself runs after this filter: let it, then note it.
            watched->removeEventFilter(this);
            watched->event(event);
            m_painted = true;
            return true;
        }
        return false;
    }

private:
    const QAbstractItemModel& m_model;
    int m_rows;
    bool m_painted = false;
};

Times timeCommandLine(const fs::path& folder) {
    const bench::RunResult run = bench::RunChild({PELMORA_CLI, "list", folder.string()});
    return {run.seconds, run.cpuSeconds};
}

Times timeWindow(const fs::path& settings, const fs::path& folder, int rows) {
    ChosenFolderPorts ports(folder);
    app::MainWindow window(ports, settings, {});
    window.show();
    QCoreApplication::processEvents();
    window.firstActivation();
    QCoreApplication::processEvents();
    app::MessageListView* list = window.findChild<app::MessageListView*>();
    if (list == nullptr || list->model() == nullptr) fail("the window has no list");
    PaintWatch watch(*list->viewport(), *list->model(), rows);

    const double cpuBefore = bench::CpuSeconds(RUSAGE_SELF);
    const Clock::time_point start = Clock::now();
    window.OpenFolder1Click();
    QElapsedTimer patience;
    patience.start();
    while (!watch.fullListPainted()) {
        if (patience.elapsed() > 60000) fail("the list was never painted with every row");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const Times times{std::chrono::duration<double>(Clock::now() - start).count(),
                      bench::CpuSeconds(RUSAGE_SELF) - cpuBefore};
    if (list->model()->rowCount() != rows) fail("the window did not list every message");
    return times;
}

struct Options {
    std::vector<std::size_t> sizes{10000, 100000};
    int runs = 3;
    fs::path base = fs::temp_directory_path() / "pelmora-load-bench";
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("--sizes=")) {
            options.sizes.clear();
            for (std::size_t pos = 8; pos < arg.size();) {
                const std::size_t comma = arg.find(',', pos);
                options.sizes.push_back(std::stoul(arg.substr(pos, comma - pos)));
                pos = comma == std::string::npos ? arg.size() : comma + 1;
            }
        } else if (arg.starts_with("--runs=")) {
            options.runs = std::max(1, std::atoi(arg.c_str() + 7));
        } else if (arg.starts_with("--dir=")) {
            options.base = arg.substr(6);
        } else {
            fail("usage: window_load_bench [--sizes=10000,100000] [--runs=N] [--dir=FOLDER]");
        }
    }
    return options;
}

void print(const char* what, const Times& times) {
    std::printf("  %-34s wall %7.3f s   cpu %7.3f s\n", what, times.wall, times.cpu);
}

// The offscreen platform says for every window shown what it cannot do.
void quietPlatform(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    for (std::size_t count : options.sizes)
        bench::EnsureLoadCorpus(options.base / std::to_string(count), count);

    // A home of its own: settings, address books and the tree's home
    // branch all live below it, the same for the window and the command.
    QTemporaryDir root;
    if (!root.isValid()) fail("no temporary folder");
    const fs::path home = app::toPath(root.path());
    for (const char* sub : {"data", "config", "runtime"}) fs::create_directories(home / sub);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    qInstallMessageHandler(quietPlatform);
    QApplication application(argc, argv);
    const fs::path settings = home / "config" / "Pelmora.INI";

    std::printf("Opening a folder in the window against pelmora-cli list, best of %d runs (warm cache)\n",
                options.runs);
    for (std::size_t count : options.sizes) {
        const fs::path folder = options.base / std::to_string(count);
        const int rows = static_cast<int>(count);
        // One of each first, for the page cache.
        timeCommandLine(folder);
        timeWindow(settings, folder, rows);
        Times cli, window;
        for (int run = 0; run < options.runs; ++run) {
            cli.keepBest(timeCommandLine(folder));
            window.keepBest(timeWindow(settings, folder, rows));
        }
        std::printf("%zu messages:\n", count);
        print("pelmora-cli list", cli);
        print("the window, command to full list", window);
        const double ratio = window.wall / cli.wall;
        std::printf("  window / command line: wall %.2fx (target: at most 1.2x: %s), cpu %.2fx\n", ratio,
                    ratio <= 1.2 ? "holds" : "misses", window.cpu / cli.cpu);
        std::fflush(stdout);
    }
    return 0;
}
