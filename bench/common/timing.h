// SPDX-License-Identifier: MIT
// What every benchmark times with: processor time (user + system, the
// steadier measure on a shared machine) of this process or of its finished
// children, and a child program run to its end with its wall time,
// processor time and peak memory.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace pelmora::bench {

inline double SecondsOf(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// who: RUSAGE_SELF or RUSAGE_CHILDREN.
inline double CpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
}

struct RunResult {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMB = 0;
};

// Runs args (the program first, by path) with its output on /dev/null and
// waits for it; a program that cannot start or fails ends the benchmark.
inline RunResult RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    RunResult result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpuSeconds = SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
    result.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return result;
}

// A wall and a processor time, kept at the best of the runs it has seen.
struct Times {
    double wall = 1e9;
    double cpu = 1e9;
    void keepBest(const Times& run) {
        wall = std::min(wall, run.wall);
        cpu = std::min(cpu, run.cpu);
    }
};

// The shortest times and the largest peak of several runs.
inline RunResult Best(const std::vector<RunResult>& runs) {
    RunResult r = runs.front();
    for (const auto& x : runs) {
        r.seconds = std::min(r.seconds, x.seconds);
        r.cpuSeconds = std::min(r.cpuSeconds, x.cpuSeconds);
        r.peakMB = std::max(r.peakMB, x.peakMB);
    }
    return r;
}

}  // namespace pelmora::bench
