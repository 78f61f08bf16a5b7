// SPDX-License-Identifier: MIT
#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "decode/japanese.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/xdg.h"
#include "texts/texts.h"

namespace pelmora::platform {

namespace fs = std::filesystem;

namespace {

// Enough to step over any stale names a crashed program may have left.
constexpr int kMaxAttempts = 10000;

std::unexpected<Error> fail(TrashStep step, int code = errno) {
    Error error = MakeError(ErrorKind::Trash, {}, code);
    error.step = step;
    return std::unexpected(std::move(error));
}

// The error names the file it was about.
template <typename T>
std::expected<T, Error> about(const fs::path& file, std::expected<T, Error> result) {
    if (!result && result.error().path.empty()) result.error().path = file;
    return result;
}

bool makeDirectory(const fs::path& dir) {
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// A folder the user may put files in: a real directory (not a link to one)
// owned by uid.
bool isOwnDirectory(const fs::path& dir, uid_t uid) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid;
}

std::expected<void, Error> prepareTrash(const TrashDirectory& trash) {
    std::error_code ec;
    fs::create_directories(trash.root, ec);
    if (ec) return fail(TrashStep::CreateTrashFolder, ec.value());
    ::chmod(trash.root.c_str(), 0700);
    if (!makeDirectory(trash.root / "files")) return fail(TrashStep::CreateFilesFolder);
    if (!makeDirectory(trash.root / "info")) return fail(TrashStep::CreateInfoFolder);
    return {};
}

// The absolute path of file with its folder's links resolved, so that the
// path recorded in the trash and the volume it is measured against agree.
// Never normalised lexically first: "a/link/../m.eml" is the file beside
// the link's target, and recording "a/m.eml" would send a restore to
// another file.
fs::path resolvedPath(const fs::path& file) {
    fs::path resolved = KernelPath(file, FinalLink::Keep);
    return resolved.is_absolute() ? resolved : fs::absolute(file);
}

std::string recordedPath(const fs::path& resolved, const TrashDirectory& trash) {
    if (trash.topDir.empty()) return PercentEncodePath(resolved.native());
    return PercentEncodePath(resolved.lexically_relative(trash.topDir).native());
}

std::string infoTextNow(const std::string& encoded) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return TrashInfoText(encoded, local);
}

enum class Reserve { Done, Taken, Failed };

// Claims name in info/ with O_EXCL; only the owner of the .trashinfo may use
// the same name in files/.
Reserve reserveInfo(const fs::path& info, const std::string& text, ports::FileSystem& files, int& error) {
    int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = errno;
        return error == EEXIST ? Reserve::Taken : Reserve::Failed;
    }
    bool ok = files.writeAll(fd, text) && ::fsync(fd) == 0;
    error = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(info.c_str());
        return Reserve::Failed;
    }
    return Reserve::Done;
}

// How one attempt to put the file under a name went: placed (error 0),
// refused (an errno value), or left out because the file was not what was
// read. stranded names where such a file now is when it could not be put
// back; it keeps its .trashinfo when that is in the trash.
struct Placement {
    int error = 0;
    bool changed = false;
    fs::path stranded;

    static Placement done() { return {}; }
    static Placement refused(int error) {
        Placement p;
        p.error = error;
        return p;
    }
    static Placement notAsRead(fs::path strandedAt = {}) {
        Placement p;
        p.changed = true;
        p.stranded = std::move(strandedAt);
        return p;
    }
};

std::unexpected<Error> changedFile(const fs::path& file, const fs::path& stranded) {
    Error error = MakeError(ErrorKind::Changed, file, 0);
    if (!stranded.empty()) error.adviceCp932 = text::QuotedPath(stranded.native());
    return std::unexpected(std::move(error));
}

// Calls place(target) for each free name in turn until it succeeds or fails
// for another reason than the name being taken. The .trashinfo is written
// (and made durable) before the file moves, so that a file manager never meets
// a trashed file it cannot restore, and goes again unless the file stays in
// the trash.
template <typename Place>
std::expected<TrashedFile, Error> placeUnderFreeName(const fs::path& file, const TrashDirectory& trash,
                                                     ports::FileSystem& files, Place place) {
    if (auto ready = prepareTrash(trash); !ready) return std::unexpected(ready.error());
    const std::string infoText = infoTextNow(recordedPath(resolvedPath(file), trash));
    const std::string name = resolvedPath(file).filename().native();
    if (name.empty() || name == "." || name == "..") return fail(TrashStep::ChooseName, EINVAL);
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const std::string candidate = TrashedName(name, attempt);
        TrashedFile target{trash.root / "files" / candidate,
                           trash.root / "info" / (candidate + ".trashinfo")};
        int error = 0;
        Reserve reserved = reserveInfo(target.info, infoText, files, error);
        if (reserved == Reserve::Taken) continue;
        if (reserved == Reserve::Failed) return fail(TrashStep::WriteTrashInfo, error);
        const Placement placed = place(target.file);
        if (!placed.changed && placed.error == 0) return target;
        if (placed.stranded != target.file) ::unlink(target.info.c_str());
        if (placed.changed) return changedFile(file, placed.stranded);
        if (placed.error != EEXIST) return fail(TrashStep::MoveToTrash, placed.error);
    }
    return fail(TrashStep::FindFreeName, EEXIST);
}

// Renames file to target through files, but only a file that is still
// what was read, and keeps it there only if what arrived is that file: the
// comparison before the rename cannot see what happens between it and the
// rename. A file that differs goes back where it was.
Placement renameIfAsRead(const fs::path& file, const fs::path& target, const ports::FileIdentity& asRead,
                         ports::FileSystem& files) {
    struct stat before {};
    if (asRead.known()) {
        if (::lstat(file.c_str(), &before) != 0) return Placement::refused(errno);
        if (!S_ISLNK(before.st_mode) && !ports::StillAsRead(asRead, before)) return Placement::notAsRead();
    }
    if (int error = files.renameNoReplace(file, target); error != 0) return Placement::refused(error);
    struct stat after {};
    if (!asRead.known() || (::lstat(target.c_str(), &after) == 0 && ports::SameFileMoved(before, after)))
        return Placement::done();
    if (files.renameNoReplace(target, file) == 0) return Placement::notAsRead();
    return Placement::notAsRead(target);
}

// What copyFileTo answers for a source that is not the file that was read.
constexpr int kNotAsRead = -1;

// Copies source to the new file target; copied receives what the source
// was when the copy was complete. 0, an errno value, or kNotAsRead.
int copyFileTo(const fs::path& source, const fs::path& target, struct stat& copiedFrom,
               const ports::FileIdentity& asRead = {}) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return errno;
    struct stat before {};
    int refused = 0;
    if (::fstat(in, &before) != 0)
        refused = errno;
    else if (!S_ISREG(before.st_mode))
        refused = EINVAL;
    else if (asRead.known() && !ports::StillAsRead(asRead, before))
        refused = kNotAsRead;
    if (refused != 0) {
        ::close(in);
        return refused;
    }
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        int error = errno;
        ::close(in);
        return error;
    }
    int error = CopyContents(in, out);
    struct stat copied {};
    struct stat after {};
    if (error == 0 && (::fsync(out) != 0 || ::fstat(out, &copied) != 0 || ::fstat(in, &after) != 0))
        error = errno;
    // A copy of another size, or of a file that changed meanwhile, is no copy.
    if (error == 0 && !ports::UnchangedSince(before, after)) error = asRead.known() ? kNotAsRead : EIO;
    if (error == 0 && copied.st_size != before.st_size) error = EIO;
    copiedFrom = after;
    if (error == 0) {
        ::fchmod(out, before.st_mode & 07777);
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::futimens(out, times);
    }
    ::close(in);
    if (::close(out) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(target.c_str());
    return error;
}

}  // namespace

TrashDirectory HomeTrash() {
    return {XdgDataHome() / "Trash", {}};
}

std::string PercentEncodePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.' || c == '~' || c == '/';
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string TrashInfoText(std::string_view encodedPath, const std::tm& deletedLocal) {
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &deletedLocal);
    std::string text = "[Trash Info]\nPath=";
    text += encodedPath;
    text += "\nDeletionDate=";
    text += date;
    text += '\n';
    return text;
}

std::string TrashedName(std::string_view name, int attempt) {
    // The number goes before the extension so the file keeps its type;
    // a leading dot (hidden file) is not an extension.
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) dot = name.size();
    std::string_view stem = name.substr(0, dot);
    std::string_view extension = name.substr(dot);
    const std::string number = attempt <= 1 ? std::string() : "." + std::to_string(attempt);
    // The .trashinfo beside it needs room for its suffix within one name;
    // the stem gives way, cut at a character boundary (the original path
    // is in the .trashinfo anyway).
    constexpr std::size_t kLongest = NAME_MAX - (sizeof ".trashinfo" - 1);
    if (extension.size() + number.size() >= kLongest) extension = {};
    const std::size_t room = kLongest - extension.size() - number.size();
    if (stem.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
        stem = stem.substr(0, cut);
    }
    return std::string(stem) + number + std::string(extension);
}

fs::path MountPointOf(const fs::path& path) {
    fs::path current = resolvedPath(path);
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
        current = current.parent_path();
        if (::stat(current.c_str(), &st) != 0) return "/";
    }
    const dev_t device = st.st_dev;
    while (current.has_relative_path()) {
        fs::path parent = current.parent_path();
        struct stat up {};
        if (::stat(parent.c_str(), &up) != 0 || up.st_dev != device) break;
        current = parent;
    }
    return current;
}

std::expected<TrashDirectory, Error> VolumeTrash(const fs::path& topDir, uid_t uid) {
    const std::string id = std::to_string(uid);
    const fs::path shared = topDir / ".Trash";
    struct stat st {};
    // A shared .Trash counts only as a real directory with the sticky bit;
    // anything else could let another user read or swap our files.
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const fs::path own = shared / id;
        if (makeDirectory(own) && isOwnDirectory(own, uid)) return TrashDirectory{own, topDir};
    }
    const fs::path single = topDir / (".Trash-" + id);
    if (!makeDirectory(single)) return fail(TrashStep::CreateVolumeTrash);
    if (!isOwnDirectory(single, uid)) return fail(TrashStep::UseVolumeTrash, EPERM);
    return TrashDirectory{single, topDir};
}

std::expected<TrashedFile, Error> TrashByRename(const fs::path& file, const TrashDirectory& trash,
                                                const ports::FileIdentity& asRead, ports::FileSystem& files) {
    return about(file, placeUnderFreeName(file, trash, files, [&](const fs::path& target) {
                     return renameIfAsRead(file, target, asRead, files);
                 }));
}

namespace {

// Removes the original of a complete copy, but only the file that was
// copied: it is renamed aside in its own folder (a rename is atomic, an
// unlink of a name another program may just have replaced is not), compared
// there, and removed; a file that differs goes back to its name.
Placement removeCopiedOriginal(const fs::path& file, const struct stat& copiedFrom,
                               ports::FileSystem& files) {
    struct stat before {};
    if (::lstat(file.c_str(), &before) != 0) return Placement::refused(errno);
    if (!ports::UnchangedSince(copiedFrom, before)) return Placement::notAsRead();
    const std::string tag = "pelmora-trash-" + std::to_string(::getpid()) + "-";
    fs::path aside;
    int error = EEXIST;
    for (int attempt = 1; attempt <= kMaxAttempts && error == EEXIST; ++attempt) {
        aside = file.parent_path() / HiddenNameBeside(file, tag + std::to_string(attempt));
        error = files.renameNoReplace(file, aside);
    }
    if (error != 0) return Placement::refused(error);
    struct stat after {};
    if (::lstat(aside.c_str(), &after) == 0 && ports::SameFileMoved(before, after)) {
        ::unlink(aside.c_str());
        return Placement::done();
    }
    if (files.renameNoReplace(aside, file) == 0) return Placement::notAsRead();
    return Placement::notAsRead(aside);
}

}  // namespace

std::expected<TrashedFile, Error> TrashByCopy(const fs::path& file, const TrashDirectory& trash,
                                              const ports::FileIdentity& asRead, ports::FileSystem& files) {
    struct stat copiedFrom {};
    auto placed = placeUnderFreeName(file, trash, files, [&](const fs::path& target) -> Placement {
        const int error = copyFileTo(file, target, copiedFrom, asRead);
        if (error == kNotAsRead) return Placement::notAsRead();
        return Placement::refused(error);
    });
    if (!placed) return about(file, std::move(placed));
    // The copy is complete and durable; only now may the original go, and
    // only if it is still what was copied: a file written to or replaced
    // meanwhile stays where it is, with its new content.
    const Placement removed = removeCopiedOriginal(file, copiedFrom, files);
    if (removed.changed || removed.error != 0) {
        ::unlink(placed->file.c_str());
        ::unlink(placed->info.c_str());
        if (removed.changed)
            return about(file, std::expected<TrashedFile, Error>(changedFile(file, removed.stranded)));
        return about(file,
                     std::expected<TrashedFile, Error>(fail(TrashStep::RemoveCopiedOriginal, removed.error)));
    }
    SyncFolderOf(file);
    return placed;
}

namespace {

std::expected<void, Error> restoreFromTrash(const TrashedFile& trashed, const fs::path& original) {
    if (int error = RenameNoReplace(trashed.file, original); error != 0) {
        if (error != EXDEV) return fail(TrashStep::MoveBack, error);
        struct stat copiedFrom {};
        if (int copyError = copyFileTo(trashed.file, original, copiedFrom); copyError != 0)
            return fail(TrashStep::CopyBack, copyError);
        ::unlink(trashed.file.c_str());
    }
    ::unlink(trashed.info.c_str());
    SyncFolderOf(original);
    return {};
}

std::expected<TrashedFile, Error> moveToTrash(const fs::path& file, const ports::FileIdentity& asRead,
                                              ports::FileSystem& files) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return fail(TrashStep::FindFile);
    const TrashDirectory home = HomeTrash();
    struct stat homeSt {};
    bool homeReady = prepareTrash(home).has_value() && ::stat(home.root.c_str(), &homeSt) == 0;
    if (homeReady && homeSt.st_dev == st.st_dev) {
        auto moved = TrashByRename(file, home, asRead, files);
        // One file system mounted twice shares a device number but refuses
        // renames across the mounts; the volume's own trash handles that.
        if (moved || moved.error().code != EXDEV) return moved;
    }
    if (auto volume = VolumeTrash(MountPointOf(file), ::getuid()); volume) {
        auto moved = TrashByRename(file, *volume, asRead, files);
        if (moved || moved.error().kind == ErrorKind::Changed) return moved;
    }
    if (!homeReady) return fail(TrashStep::CreateHomeTrash);
    return TrashByCopy(file, home, asRead, files);
}

}  // namespace

std::expected<void, Error> RestoreFromTrash(const TrashedFile& trashed, const fs::path& original) {
    return about(original, restoreFromTrash(trashed, original));
}

std::expected<TrashedFile, Error> MoveToTrash(const fs::path& file, const ports::FileIdentity& asRead,
                                              ports::FileSystem& files) {
    return about(file, moveToTrash(file, asRead, files));
}

ports::TrashResult TrashEach(const std::vector<fs::path>& paths,
                             const std::vector<ports::FileIdentity>& asRead, ports::FileSystem& files) {
    ports::TrashResult result;
    result.moved.assign(paths.size(), false);
    result.locations.assign(paths.size(), fs::path());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto moved = MoveToTrash(paths[i], i < asRead.size() ? asRead[i] : ports::FileIdentity{}, files);
        if (moved) {
            result.moved[i] = true;
            result.locations[i] = moved->file;
        } else {
            result.failures.push_back(std::move(moved.error()));
        }
    }
    return result;
}

}  // namespace pelmora::platform
