// SPDX-License-Identifier: MIT
#include "cli/op_support.h"

#include <sys/stat.h>

#include <iostream>

#include "catalogue/format.h"
#include "cli/terminal_ports.h"
#include "message/mail_date.h"
#include "platform/xdg.h"
#include "settings/settings.h"

namespace pelmora::cli {

namespace fs = std::filesystem;

std::unique_ptr<TMsgItem> EntryForFile(const fs::path& path, ui::ListView* ownerView) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    const fs::path absolute = fs::absolute(path).lexically_normal();
    auto item = std::make_unique<TMsgItem>();
    item->OwnerView = ownerView;
    item->FileName = absolute.native();
    item->FolderPath = absolute.parent_path().native();
    item->FolderName = item->FolderPath == "/" ? "/" : absolute.parent_path().filename().native();
    std::string ext = absolute.extension().native();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
    item->FileExt = ext;
    item->FileTime = FileTimeFromTimespec(info.st_mtim);
    item->FileDate = FileDateFromFileTime(item->FileTime);
    item->FileDateText = DateText(item->FileDate);
    item->FileSize = static_cast<std::int64_t>(info.st_size);
    item->SizeKB = SizeKBText(item->FileSize);
    item->SizeText = item->SizeKB + "KB";
    return item;
}

GuiReader::GuiReader(ui::Prompts& prompts) : m_prompts(prompts) {
    const Settings settings = LoadSettings(SettingsFilePath());
    m_options.DupCheckHeaders = settings.DupCheckHeaders;
    if (!settings.ConvDisplayName) return;
    if (auto built = BuildDisplayNameDirectory(m_names, platform::HomeFolder()); !built)
        std::cerr << "pelmora-cli: " << MessageForTerminal(built.error()) << '\n';
    else
        m_options.displayNames = &m_names;
}

void GuiReader::readAll(MsgList& list) {
    ReaderContext context{m_lines, m_options, m_prompts, nullptr};
    for (std::size_t i = 0; i < list.size(); ++i) ReadMessage(list, i, context);
}

}  // namespace pelmora::cli
