// SPDX-License-Identifier: MIT
// Message boxes and the save dialog, one of the small interfaces through
// which the core talks to a window, a terminal or a test.
// Texts handed across are display text (code page 932 bytes); the front end
// converts them at its own edge. Line breaks inside a message are single CR
// bytes, as the core composes them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::ports {

enum class Answer { Ok, Cancel, Yes, No, YesToAll };

struct FileFilter {
    std::string captionCp932;  // "CSVファイル"
    std::string pattern;       // "*.csv"
};

struct SaveFileRequest {
    std::string titleCp932;
    std::filesystem::path initialFolder;
    std::string fileName;  // native bytes, the preset name
    std::vector<FileFilter> filters;
    std::string defaultSuffix;  // "csv"
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void information(const std::string& cp932) = 0;
    virtual void warning(const std::string& cp932) = 0;
    // The general error handler: an unexpected failure that ended a command.
    virtual void error(const std::string& cp932) = 0;
    virtual bool confirmOkCancel(const std::string& cp932) = 0;
    virtual bool confirmYesNo(const std::string& cp932) = 0;
    // The same question under a title of its own instead of the program's
    // name; a front end without titles asks it plainly.
    virtual bool confirmYesNoTitled(const std::string& titleCp932, const std::string& cp932) {
        (void)titleCp932;
        return confirmYesNo(cp932);
    }
    // Yes, Cancel or YesToAll; closing the box counts as Cancel.
    virtual Answer confirmYesCancelYesToAll(const std::string& cp932) = 0;
    // The save dialog; nullopt when the user cancels.
    virtual std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) = 0;
};

}  // namespace pelmora::ports
