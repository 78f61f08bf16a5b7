// SPDX-License-Identifier: MIT
#include "operations/attachment_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <random>

#include "decode/japanese.h"
#include "message/format.h"
#include "message/mail_date.h"
#include "message/mime_content.h"
#include "platform/file_io.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

using View = std::string_view;

// Where the extension starts: the last ".", unless it starts the name or
// what follows is too long to be an extension.
std::size_t extensionStart(View name) {
    const std::size_t dot = name.rfind('.');
    if (dot == View::npos || dot == 0 || name.size() - dot > 16) return name.size();
    return dot;
}

// The longest start of text of at most bytes bytes that ends between two
// UTF-8 characters.
View cutAtCharacter(View text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string fitted(View stem, View suffix) {
    return std::string(cutAtCharacter(stem, kMaxFileNameBytes - suffix.size())) + std::string(suffix);
}

// A name for the temporary file nobody else picks.
std::string temporaryName() {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return ".pelmora-save-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random() % 1000000);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; 0 or the errno value close gave.
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd;
};

// The message file is the one the view was read from, not written to since.
bool unchanged(int fd, const MessageView& view) {
    struct stat info;
    return view.identity.known() && fstat(fd, &info) == 0 && ports::StillAsRead(view.identity, info);
}

// Renames temporary into folder under name, or name (2), (3)... when taken.
std::expected<std::filesystem::path, Error> placeFile(const std::filesystem::path& temporary,
                                                      const std::filesystem::path& folder,
                                                      const std::string& name, ports::FileSystem& files) {
    for (int number = 1; number < 10000; ++number) {
        const std::filesystem::path target = folder / (number == 1 ? name : NumberedFileName(name, number));
        const int error = files.renameNoReplace(temporary, target);
        if (error == 0) {
            platform::SyncFolderOf(target);
            return target;
        }
        if (error != EEXIST) return std::unexpected(MakeError(ErrorKind::Write, target, error));
    }
    return std::unexpected(MakeError(ErrorKind::Write, folder / name, EEXIST));
}

}  // namespace

std::string SafeFileName(View nameUtf8, View fallback) {
    std::string name;
    for (const char c : nameUtf8) {
        const auto byte = static_cast<unsigned char>(c);
        name += byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' ? '_' : c;
    }
    const View trimmed = [&] {
        View view = name;
        while (!view.empty() && view.front() == ' ') view.remove_prefix(1);
        while (!view.empty() && view.back() == ' ') view.remove_suffix(1);
        return view;
    }();
    if (trimmed.empty() || trimmed == "." || trimmed == "..") return SafeFileName(fallback, "attachment");
    const std::size_t extension = extensionStart(trimmed);
    return fitted(trimmed.substr(0, extension), trimmed.substr(extension));
}

std::string NumberedFileName(View name, int number) {
    const std::size_t extension = extensionStart(name);
    const std::string suffix = " (" + std::to_string(number) + ")" + std::string(name.substr(extension));
    return fitted(name.substr(0, extension), suffix);
}

std::expected<std::filesystem::path, Error> SaveAttachment(const MessageView& view,
                                                           const AttachmentInfo& attachment,
                                                           const std::filesystem::path& folder,
                                                           ports::FileSystem& files, View nameUtf8) {
    const Descriptor message(open(view.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (message.get() < 0) return std::unexpected(MakeError(ErrorKind::Open, view.path, errno));
    if (!unchanged(message.get(), view)) return std::unexpected(MakeError(ErrorKind::Changed, view.path, 0));

    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = folder / temporaryName();
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return std::unexpected(MakeError(ErrorKind::Write, folder, errno));
    }
    if (fd < 0) return std::unexpected(MakeError(ErrorKind::Write, folder, EEXIST));
    Descriptor out(fd);
    const MimePart& part = view.tree.parts[static_cast<std::size_t>(attachment.part)];
    int writeError = 0;
    const int readError = DecodePartContent(message.get(), part, [&](View block) {
        if (files.writeAll(out.get(), block)) return true;
        writeError = errno;
        return false;
    });
    if (writeError == 0 && readError == 0 && fdatasync(out.get()) != 0) writeError = errno;
    if (const int closeError = out.release(); writeError == 0) writeError = closeError;
    if (writeError != 0 || readError != 0) {
        unlink(temporary.c_str());
        return std::unexpected(writeError != 0 ? MakeError(ErrorKind::Write, folder, writeError)
                                               : MakeError(ErrorKind::Open, view.path, readError));
    }
    const std::string own = SafeFileName(attachment.nameUtf8, "attachment");
    auto placed = placeFile(temporary, folder, nameUtf8.empty() ? own : SafeFileName(nameUtf8, own), files);
    if (!placed) unlink(temporary.c_str());
    return placed;
}

SaveOutcome SaveAllAttachments(const MessageView& view, const std::filesystem::path& folder,
                               ports::FileSystem& files) {
    SaveOutcome outcome;
    if (view.attachments.empty()) return outcome;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        outcome.failures.push_back(MakeError(ErrorKind::Write, folder, error.value()));
        return outcome;
    }
    for (const AttachmentInfo& attachment : view.attachments) {
        auto saved = SaveAttachment(view, attachment, folder, files);
        if (saved) {
            outcome.written.push_back(std::move(*saved));
        } else {
            outcome.failures.push_back(std::move(saved.error()));
        }
    }
    return outcome;
}

std::filesystem::path MessageFolder(const std::filesystem::path& parent, const std::filesystem::path& message,
                                    std::set<std::string>& taken) {
    const std::string base = SafeFileName(message.stem().string(), "message");
    std::string name = base;
    for (int number = 2; taken.contains(name); ++number)
        name = fitted(base, " (" + std::to_string(number) + ")");
    taken.insert(name);
    return parent / name;
}

std::string AttachSaveStatusText(int saved) {
    return FormatCount(saved) + std::string(text::kAttachmentsSavedSuffix);
}

std::string AttachSaveFailureText(const Error& error) {
    const std::string reason = error.kind == ErrorKind::Changed ? std::string(text::kChangedSinceRead)
                                                                : Utf8ToAnsi(error.reasonText());
    return text::QuotedPath(error.path.string()) + std::string(text::kCouldNotSaveSuffix) + reason +
           std::string(text::kReasonEnd);
}

int ProcAttachSave1Click(ports::ListView& view, ports::StatusBar& status, const MsgList& list,
                         ports::Prompts& prompts, ports::Progress& progress,
                         const std::filesystem::path& folder, ports::FileSystem& files) {
    std::vector<const TMsgItem*> messages;
    for (const int row : view.selectedRows())
        if (row >= 0 && static_cast<std::size_t>(row) < list.size() &&
            list[static_cast<std::size_t>(row)]->HasAttach)
            messages.push_back(list[static_cast<std::size_t>(row)].get());
    const int count = static_cast<int>(messages.size());
    ports::StartProgress(progress, count,
                         {.title = std::string(text::kSavingAttachmentsTitle),
                          .fromCaption = std::string(text::kFromLabel),
                          .countText = FormatCount(count)});
    if (count > 1) progress.show();
    progress.processEvents();

    int saved = 0;
    std::optional<Error> firstFailure;
    std::set<std::string> taken;
    for (int done = 0; done < count && !progress.abortRequested();) {
        const TMsgItem& entry = *messages[static_cast<std::size_t>(done)];
        progress.setFromPath(entry.From);
        auto read = ReadMessageView(entry.FileName);
        if (!read) {
            if (!firstFailure) firstFailure = read.error();
        } else {
            const SaveOutcome outcome = SaveAllAttachments(
                *read, count > 1 ? MessageFolder(folder, entry.FileName, taken) : folder, files);
            saved += static_cast<int>(outcome.written.size());
            if (!outcome.failures.empty() && !firstFailure) firstFailure = outcome.failures.front();
        }
        progress.setPosition(++done);
        progress.processEvents();
    }
    progress.hide();
    status.setPanelText(1, AttachSaveStatusText(saved));
    if (firstFailure) prompts.warning(AttachSaveFailureText(*firstFailure));
    return saved;
}

}  // namespace pelmora
