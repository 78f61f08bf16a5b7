// SPDX-License-Identifier: MIT
#include "catalogue/read_message.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "message/format.h"
#include "platform/paths.h"
#include "ports/prompts.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

void reportUnreadable(const TMsgItem& entry, ports::Prompts& prompts) {
    prompts.warning(text::CouldNotOpen(entry.FileName));
}

// Opens the entry's file relative to its folder when its name lies directly
// in it, else (or when that fails) by its full path.
bool openFile(LineReader& reader, const TMsgItem& entry, FolderHandle& folder) {
    const std::string& path = entry.FileName;
    const std::string& dir = entry.FolderPath;
    const std::size_t skip = dir == "/" ? 1 : dir.size() + 1;
    if (!dir.empty() && path.size() > skip && path.compare(0, dir.size(), dir) == 0 &&
        path[skip - 1] == '/' && path.find('/', skip) == std::string::npos) {
        const int fd = folder.descriptorOf(dir);
        if (fd >= 0 && reader.openAt(fd, path.c_str() + skip)) return true;
    }
    return reader.open(path.c_str());
}

}  // namespace

FolderHandle::~FolderHandle() {
    if (m_fd >= 0) ::close(m_fd);
}

int FolderHandle::descriptorOf(const std::string& folder) {
    if (m_fd >= 0 && folder == m_folder) return m_fd;
    if (m_fd >= 0) ::close(m_fd);
    // However deep the scan went, the folder opens.
    m_fd = platform::OpenFolder(folder, platform::FolderAccess::Anchor);
    m_folder = folder;
    return m_fd;
}

bool OpenEntry(TMsgItem& entry, LineReader& reader, ReaderContext& context, FileFacts facts) {
    struct stat info {};
    if (!openFile(reader, entry, context.folder)) {
        // The list still shows the file's size and date where it can.
        if (::stat(entry.FileName.c_str(), &info) == 0) SetFileFacts(entry, info);
        reportUnreadable(entry, context.prompts);
        ReleaseHeaderLines(context.MsgLines);
        return false;
    }
    // Taken from the open file: they describe what is read, and cost no
    // second look-up of the name.
    if (facts == FileFacts::Now && reader.fileInfo(info)) SetFileFacts(entry, info);
    return true;
}

void ReportOutOfMemory(TMsgItem& entry, ReaderContext& context) {
    LineList().swap(context.MsgLines);
    entry.From.clear();
    entry.Subject.clear();
    entry.To.clear();
    entry.RecvDate = entry.SentDate = 0;
    entry.DupHash = 0;
    entry.IconIndex = 0;
    entry.HasAttach = entry.Matched = false;
    for (CompactText* text : {&entry.RecvDateText, &entry.SentDateText, &entry.FromRaw, &entry.ToRaw,
                              &entry.MessageId, &entry.Boundary})
        *text = std::string_view();
    context.prompts.warning(text::OutOfMemoryReading(entry.FileName));
}

void ReadMessage(MsgList& list, std::size_t index, ReaderContext& context) {
    TMsgItem& entry = *list[index];
    ReadReportingMemory(entry, context, [&] {
        LineReader reader;
        if (OpenEntry(entry, reader, context))
            ReadListEntry(reader, entry, context.MsgLines, context.options);
    });
}

}  // namespace pelmora
