// SPDX-License-Identifier: MIT
#include "app/main_window_startup.h"

#include <system_error>

#include "app/qtext.h"
#include "app/window_texts.h"
#include "platform/paths.h"
#include "ports/prompts.h"

namespace pelmora::app {

namespace {

std::string quoted(const QString& argument) {
    return "\"" + toCp932(argument) + "\"";
}

}  // namespace

std::filesystem::path LongFolderPath(const std::filesystem::path& path) {
    return platform::KernelPath(path, platform::FinalLink::Follow);
}

std::filesystem::path StartFolder(const QStringList& arguments, const std::filesystem::path& remembered,
                                  ports::Prompts& prompts) {
    // The remembered folder may have been written by hand.
    if (arguments.isEmpty()) return remembered.empty() ? remembered : LongFolderPath(remembered);
    // Lines of a message break with CR, two of them before the detail.
    if (arguments.size() >= 2) {
        prompts.information(toCp932(window_text::kOneFolderArgument) + "\r\r" + quoted(arguments[0]) + "\r" +
                            quoted(arguments[1]));
        return {};
    }
    const std::filesystem::path folder = toPath(arguments[0]);
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        prompts.information(toCp932(window_text::kFolderArgument) + "\r\r" + quoted(arguments[0]));
        return {};
    }
    return LongFolderPath(folder);
}

}  // namespace pelmora::app
