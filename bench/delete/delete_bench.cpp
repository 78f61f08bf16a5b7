// SPDX-License-Identifier: MIT
// Deleting many selected messages from the main window, timed against
// `pelmora-cli trash --yes` of as many files and against the trash alone in
// this process. Every run writes fresh copies of the example messages into
// a folder of a temporary home (its own trash and settings), lists it in a
// window with the desktop's own ports, selects the rows and deletes. The
// window's clock runs from the click on はい in the trash question to the
// end of the command: what the user waits for. Wall time and CPU time (user
// + system) are both shown; on a shared machine the CPU figures are the
// steadier ones.
//
// The folder holds --listed messages (as after a duplicate check of a
// large folder) of which --messages, spread evenly over the list, are
// deleted; the command line trashes the same files of the same folder.
//
// usage: delete_bench [--listed=N] [--messages=N] [--runs=N] [--screenshot=FILE.png]
// It needs a display: xvfb-run, or QT_QPA_PLATFORM=offscreen. With
// --screenshot the screen is saved once the delete is half done.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/list_pane.h"
#include "app/main_window.h"
#include "app/main_window_ports.h"
#include "app/progress_dialog.h"
#include "app/qt_list_view.h"
#include "app/qtext.h"
#include "common/timing.h"
#include "platform/trash.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace pelmora;

struct Options {
    int listed = 30000;
    int messages = 1000;
    int runs = 3;
    QString screenshot;
};

using bench::Times;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "delete_bench: %s\n", what.c_str());
    std::exit(1);
}

// Copies of the example messages, name by name; a file that is there
// already is left as it is.
void writeMessages(const std::vector<fs::path>& files) {
    static const std::vector<fs::path> examples = [] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(PELMORA_EXAMPLES))
            if (entry.path().extension() == ".eml") found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found;
    }();
    if (examples.empty()) fail("no example messages in " PELMORA_EXAMPLES);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!fs::exists(files[i])) {
            fs::create_directories(files[i].parent_path());
            fs::copy_file(examples[i % examples.size()], files[i]);
        }
    }
}

std::vector<fs::path> folderFiles(const fs::path& folder, int count) {
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "m%06d.eml", i);
        files.push_back(folder / name);
    }
    return files;
}

// every n-th of files, n chosen so that `count` are picked.
std::vector<fs::path> spread(const std::vector<fs::path>& files, int count) {
    std::vector<fs::path> picked;
    const double step = static_cast<double>(files.size()) / count;
    for (int i = 0; i < count; ++i) picked.push_back(files[static_cast<std::size_t>(i * step)]);
    return picked;
}

Times timeCommandLine(const std::vector<fs::path>& files) {
    QStringList arguments{QStringLiteral("trash"), QStringLiteral("--yes")};
    for (const fs::path& file : files) arguments << app::fromPath(file);
    const double cpuBefore = bench::CpuSeconds(RUSAGE_CHILDREN);
    const Clock::time_point start = Clock::now();
    QProcess cli;
    cli.start(QStringLiteral(PELMORA_CLI), arguments);
    if (!cli.waitForFinished(-1) || cli.exitCode() != 0) fail("pelmora-cli trash failed");
    return {secondsSince(start), bench::CpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

Times timeTrashHere(const std::vector<fs::path>& files) {
    const double cpuBefore = bench::CpuSeconds(RUSAGE_SELF);
    const Clock::time_point start = Clock::now();
    const ports::TrashResult result = platform::TrashEach(files);
    const Times times{secondsSince(start), bench::CpuSeconds(RUSAGE_SELF) - cpuBefore};
    if (!result.allMoved()) fail("the trash refused a file");
    return times;
}

// Saves the screen once the progress dialog of window shows half the work done.
void shootHalfway(QWidget& window, const QString& file, QTimer& poll) {
    QObject::connect(&poll, &QTimer::timeout, &window, [&window, &poll, file] {
        auto* dialog = window.findChild<app::ProgressDialog*>();
        if (dialog == nullptr || !dialog->isVisible()) return;
        const QProgressBar* bar = dialog->bar();
        if (bar->value() * 2 < bar->maximum()) return;
        poll.stop();
        QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    });
    poll.start(5);
}

// The desktop's ports, but a trash that moves nothing and reports every
// file moved, and no question: what is left is the window's own work.
class NoTrashPorts final : public app::PortFactory {
public:
    std::unique_ptr<ports::Prompts> makePrompts(QWidget* owner) override {
        return m_desktop->makePrompts(owner);
    }
    std::unique_ptr<ports::Progress> makeProgress(QWidget* owner) override {
        return m_desktop->makeProgress(owner);
    }
    std::unique_ptr<ports::Shell> makeShell(QWidget*) override { return std::make_unique<NoTrash>(); }
    std::unique_ptr<ports::BusyCursor> makeBusyCursor() override { return m_desktop->makeBusyCursor(); }
    std::optional<fs::path> chooseFolder(QWidget*, const QString&, const fs::path&) override { return {}; }

private:
    class NoTrash final : public ports::Shell {
    public:
        bool confirmTrash(std::size_t) override { return true; }
        ports::TrashResult moveToTrash(const std::vector<fs::path>& paths, ports::TrashConfirmation,
                                       const std::vector<ports::FileIdentity>&) override {
            ports::TrashResult result;
            result.moved.assign(paths.size(), true);
            result.locations.assign(paths.size(), fs::path());
            return result;
        }
        bool openWithAssociation(const fs::path&) override { return false; }
        bool openUrl(const std::string&) override { return false; }
        bool startProgram(const std::string&, const fs::path&) override { return false; }
    };
    std::unique_ptr<app::PortFactory> m_desktop = app::makeDesktopPortFactory();
};

Times timeWindow(app::PortFactory& ports, const fs::path& settings, const fs::path& folder,
                 const std::vector<fs::path>& doomed, int listed, const QString& screenshot) {
    app::MainWindow window(ports, settings, {app::fromPath(folder)});
    window.show();
    QCoreApplication::processEvents();
    window.firstActivation();
    if (window.listView().rowCount() != listed) fail("the window did not list every message");
    {
        ports::ListView& view = window.listView();
        ports::UpdateScope update(view);
        const std::set<std::string> names = [&] {
            std::set<std::string> set;
            for (const fs::path& file : doomed) set.insert(file.native());
            return set;
        }();
        for (int row = 0; row < view.rowCount(); ++row)
            if (names.contains(window.msgList()[static_cast<std::size_t>(row)]->FileName))
                view.setSelected(row, true);
    }
    if (window.listView().selectedCount() != static_cast<int>(doomed.size())) fail("selection went wrong");

    Times times;
    Clock::time_point start;
    double cpuBefore = 0;
    // はい in the trash question starts the clock.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &window, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        answer.stop();
        start = Clock::now();
        cpuBefore = bench::CpuSeconds(RUSAGE_SELF);
        box->button(QMessageBox::Yes)->click();
    });
    answer.start(5);
    QTimer halfway;
    if (!screenshot.isEmpty()) shootHalfway(window, screenshot, halfway);
    // Without a question the clock starts here.
    start = Clock::now();
    cpuBefore = bench::CpuSeconds(RUSAGE_SELF);
    window.pane().MessageDelete1Click();
    times = {secondsSince(start), bench::CpuSeconds(RUSAGE_SELF) - cpuBefore};
    if (window.listView().rowCount() != listed - static_cast<int>(doomed.size())) fail("rows were left");
    return times;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("--listed="))
            options.listed = std::atoi(arg.c_str() + 9);
        else if (arg.starts_with("--messages="))
            options.messages = std::atoi(arg.c_str() + 11);
        else if (arg.starts_with("--runs="))
            options.runs = std::atoi(arg.c_str() + 7);
        else if (arg.starts_with("--screenshot="))
            options.screenshot = QString::fromLocal8Bit(arg.c_str() + 13);
        else
            fail("usage: delete_bench [--listed=N] [--messages=N] [--runs=N] [--screenshot=FILE.png]");
    }
    if (options.messages < 1 || options.runs < 1 || options.listed < options.messages)
        fail("--messages and --runs must be positive, --listed at least --messages");
    return options;
}

void print(const char* what, const Times& times) {
    std::printf("%-28s wall %7.3f s   cpu %7.3f s\n", what, times.wall, times.cpu);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    // A home of its own: the trash, the settings and the folder tree's home
    // branch all live below it.
    QTemporaryDir root;
    if (!root.isValid()) fail("no temporary folder");
    const fs::path home = app::toPath(root.path());
    for (const char* sub : {"data", "config", "runtime"}) fs::create_directories(home / sub);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    QApplication application(argc, argv);

    Times cli, here, window, ownWork;
    auto desktop = app::makeDesktopPortFactory();
    NoTrashPorts noTrash;
    for (int run = 0; run < options.runs; ++run) {
        // One folder for the three: the same files of the same folder go.
        const fs::path folder = home / "mail" / std::to_string(run);
        const std::vector<fs::path> all = folderFiles(folder, options.listed);
        const std::vector<fs::path> doomed = spread(all, options.messages);
        writeMessages(all);
        cli.keepBest(timeCommandLine(doomed));
        writeMessages(doomed);
        here.keepBest(timeTrashHere(doomed));
        writeMessages(doomed);
        const bool last = run + 1 == options.runs;
        const fs::path settings = home / "config" / "Pelmora.INI";
        window.keepBest(timeWindow(*desktop, settings, folder, doomed, options.listed,
                                   last ? options.screenshot : QString()));
        writeMessages(doomed);
        ownWork.keepBest(timeWindow(noTrash, settings, folder, doomed, options.listed, QString()));
        fs::remove_all(home / "data" / "Trash");
        fs::remove_all(folder);
    }
    std::printf("%d of %d listed messages, best of %d runs\n", options.messages, options.listed,
                options.runs);
    print("pelmora-cli trash --yes", cli);
    print("the trash in this process", here);
    print("the window's delete", window);
    print("  of it the window's own work", ownWork);
    std::printf("window / command line: wall %.2fx, cpu %.2fx (target: at most 1.5x)\n",
                window.wall / cli.wall, window.cpu / cli.cpu);
    return 0;
}
