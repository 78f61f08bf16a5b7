// SPDX-License-Identifier: MIT
// The load benchmark's generated folder of count messages, made once and
// kept (a marker file says it is complete). Every benchmark that reads
// that folder defines PELMORA_LOAD_GENERATOR as the generator's path.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/timing.h"

namespace pelmora::bench {

inline void EnsureLoadCorpus(const std::filesystem::path& folder, std::size_t count) {
    const std::filesystem::path marker = folder / (".generated-" + std::to_string(count));
    if (std::filesystem::exists(marker)) return;
    std::filesystem::remove_all(folder);
    std::fprintf(stderr, "generating %zu messages in %s ...\n", count, folder.c_str());
    RunChild({"/usr/bin/env", "python3", PELMORA_LOAD_GENERATOR, std::to_string(count), folder.string()});
    std::ofstream(marker) << count << '\n';
}

}  // namespace pelmora::bench
