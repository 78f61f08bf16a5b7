// SPDX-License-Identifier: MIT
// Turning a folder's message files into entries.
#include "catalogue/scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "decode/ascii.h"
#include "decode/japanese.h"
#include "message/format.h"
#include "platform/paths.h"
#include "ports/progress.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

// The folder path without its trailing slashes; the root stays "/".
std::string folderPathOf(const std::string& path) {
    std::string out = path;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

// ".eml" or ".nws" (lower-cased) when name ends in one of them, in any case.
std::string messageExtension(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot != 4) return {};
    std::string ext = ascii::ToLower(name.substr(dot));
    return ext == ".eml" || ext == ".nws" ? ext : std::string();
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

class Scanner {
public:
    Scanner(ports::Progress* progress, bool recurse, MsgList& target, FileFactsBy facts,
            std::vector<Error>* unreadable)
        : m_progress(progress),
          m_recurse(recurse),
          m_target(target),
          m_facts(facts),
          m_unreadable(unreadable) {}

    // The folder the user named, opened by its path however long it is.
    // False when the abort flag stopped the scan.
    bool scan(const std::string& folderPath) {
        const int fd = platform::OpenFolder(folderPath);
        return scanOpened(fd, errno, folderPath);
    }

private:
    // A subfolder, opened relative to the folder that lists it, so that no
    // depth makes its path too long to reach. Folders of the kernel's own
    // file systems are passed over.
    bool scanSubfolder(int parentFd, const char* name, const std::string& folderPath) {
        const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (fd >= 0 && onPseudoFileSystem(fd)) {
            ::close(fd);
            return true;
        }
        return scanOpened(fd, error, folderPath);
    }

    // fd: the folder, open, or -1 with error saying why it could not be.
    bool scanOpened(int fd, int error, const std::string& folderPath) {
        std::unique_ptr<DIR, DirCloser> dir(fd >= 0 ? fdopendir(fd) : nullptr);
        if (fd >= 0 && !dir) {
            error = errno;
            ::close(fd);
        }
        struct stat self {};
        if (dir && fstat(dirfd(dir.get()), &self) != 0) {
            error = errno;
            dir.reset();
        }
        if (!dir) {
            // Said, not passed over: an empty list would claim there is nothing.
            noteUnreadable(folderPath, error);
            return true;
        }
        // A folder reached a second time (a link back to an ancestor or to a
        // folder scanned already) is not entered again.
        if (!m_visited.emplace(self.st_dev, self.st_ino).second) return true;

        const std::string prefix = folderPath == "/" ? folderPath : folderPath + "/";
        // One string for the folder, whatever the number of entries in it.
        const SharedText sharedPath = folderPath;
        const SharedText folderName = FolderNameOf(folderPath);
        std::string pathLine;
        if (m_progress) pathLine = Utf8ToAnsi(prefix);

        for (;;) {
            errno = 0;
            dirent* entry = readdir(dir.get());
            if (entry == nullptr) break;
            if (m_progress) {
                m_progress->setFromPath(pathLine);
                m_progress->processEvents();
                if (m_progress->abortRequested()) return false;
            }
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (!visitEntry(dirfd(dir.get()), *entry, prefix, sharedPath, folderName)) return false;
        }
        // A listing cut short by an error is as good as none.
        if (errno != 0) noteUnreadable(folderPath, errno);
        return true;
    }

    void noteUnreadable(const std::string& folderPath, int error) {
        if (m_unreadable) m_unreadable->push_back(MakeError(ErrorKind::Open, folderPath, error));
    }

    // Asked once per device: every folder of a file system answers alike.
    bool onPseudoFileSystem(int fd) {
        struct stat info {};
        if (fstat(fd, &info) != 0) return false;
        auto known = m_pseudoDevices.find(info.st_dev);
        if (known == m_pseudoDevices.end())
            known = m_pseudoDevices.emplace(info.st_dev, platform::IsPseudoFileSystem(fd)).first;
        return known->second;
    }

    bool visitEntry(int dirFd, const dirent& entry, const std::string& prefix, const SharedText& folderPath,
                    const SharedText& folderName) {
        std::string_view name = entry.d_name;
        std::string ext = messageExtension(name);
        bool maybeFolder = entry.d_type == DT_DIR || entry.d_type == DT_LNK || entry.d_type == DT_UNKNOWN;
        if (ext.empty() && !(m_recurse && maybeFolder)) return true;

        // Links are followed: a linked message file is listed, a linked folder
        // is scanned (once).
        struct stat info {};
        const bool statNeeded = entry.d_type != DT_REG || m_facts == FileFactsBy::Scan;
        if (statNeeded) {
            if (fstatat(dirFd, entry.d_name, &info, 0) != 0) return true;
            if (S_ISDIR(info.st_mode))
                return m_recurse ? scanSubfolder(dirFd, entry.d_name, prefix + std::string(name)) : true;
            // Only regular files: a pipe or device named *.eml would block the reader.
            if (ext.empty() || !S_ISREG(info.st_mode)) return true;
        }

        auto item = NewEntry(folderPath, folderName, name, ext);
        if (statNeeded) SetFileFacts(*item, info);
        m_target.push_back(std::move(item));
        if (m_progress) m_progress->setCountText(FormatCount(static_cast<std::int64_t>(m_target.size())));
        return true;
    }

    ports::Progress* m_progress;
    bool m_recurse;
    MsgList& m_target;
    FileFactsBy m_facts;
    std::vector<Error>* m_unreadable;
    std::set<std::pair<dev_t, ino_t>> m_visited;
    std::map<dev_t, bool> m_pseudoDevices;
};

}  // namespace

std::string FolderNameOf(const std::string& folderPath) {
    if (folderPath == "/") return folderPath;
    auto slash = folderPath.rfind('/');
    return slash == std::string::npos ? folderPath : folderPath.substr(slash + 1);
}

std::unique_ptr<TMsgItem> NewEntry(const SharedText& folderPath, const SharedText& folderName,
                                   std::string_view fileName, std::string_view ext) {
    auto item = std::make_unique<TMsgItem>();
    const std::string& folder = folderPath;
    const std::size_t prefix = folder == "/" ? 1 : folder.size() + 1;
    item->FileName.reserve(prefix + fileName.size());
    item->FileName = folder;
    if (folder != "/") item->FileName += '/';
    item->FileName += fileName;
    item->FolderPath = folderPath;
    item->FolderName = folderName;
    item->EmlFile = ext == ".eml";
    return item;
}

void ScanFolder(ports::Progress* progress, Subfolders subfolders, MsgList& target,
                const std::filesystem::path& folder, FileFactsBy facts, std::vector<Error>* unreadable) {
    Scanner scanner(progress, subfolders == Subfolders::Yes, target, facts, unreadable);
    scanner.scan(folderPathOf(folder.string()));
}

std::string UnreadableFoldersText(const std::vector<Error>& folders) {
    constexpr std::size_t kShown = 10;
    std::string text;
    for (std::size_t i = 0; i < folders.size() && i < kShown; ++i) {
        if (i != 0) text += '\r';
        text += text::UnreadableFolder(folders[i].path.native());
        if (const std::string reason = folders[i].reasonText(); !reason.empty())
            text += " (" + Utf8ToAnsi(reason) + ")";
    }
    if (folders.size() > kShown) {
        text += text::kLineBreak;
        text += text::kMoreFoldersPrefix;
        text += FormatCount(static_cast<std::int64_t>(folders.size() - kShown));
        text += text::kFoldersSuffix;
    }
    return text;
}

}  // namespace pelmora
