// SPDX-License-Identifier: MIT
#include "app/folder_model.h"

#include <unistd.h>

#include <QAbstractFileIconProvider>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMetaObject>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/paths.h"

namespace pelmora::app {

namespace {

// Folders whose entries take more bytes than this (some 1,500 files on
// ext4) are looked through on a thread of their own.
constexpr std::uint64_t kLargeFolderBytes = 64 * 1024;

// The file system model learns an icon and a type for every entry of the
// folders it lists, files as well, and for a file that means finding its
// MIME type, opening it when its name does not tell. The tree shows folders
// only: they get what they always got, files nothing.
class FolderIcons final : public QAbstractFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        return info.isDir() ? QAbstractFileIconProvider::icon(info) : QIcon();
    }
    using QAbstractFileIconProvider::icon;
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QAbstractFileIconProvider::type(info) : QString();
    }
};

}  // namespace

FolderModel::FolderModel(QObject* parent) : QFileSystemModel(parent) {
    // Folders only, hidden ones too: mail often lives in dot-folders.
    setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    setReadOnly(true);
    // One for every model, outliving them all.
    static FolderIcons* const icons = new FolderIcons;
    setIconProvider(icons);
}

FolderModel::~FolderModel() {
    for (auto& [path, look] : m_looking) look.request_stop();
    m_looking.clear();  // joins
}

bool FolderModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid() || !QFileSystemModel::hasChildren(parent))
        return QFileSystemModel::hasChildren(parent);
    // Listed already: its rows say.
    if (!canFetchMore(parent) && rowCount(parent) > 0) return true;
    const QString path = filePath(parent);
    const std::string native = QFile::encodeName(path).toStdString();
    // A folder that gains or loses an entry is looked at again.
    const std::optional<platform::FolderStamp> stamp = platform::StampOfFolder(native);
    if (!stamp) return false;
    if (auto known = m_hasSubfolders.constFind(path);
        known != m_hasSubfolders.constEnd() && known->stamp == *stamp)
        return known->has;
    bool has = platform::LinksShowASubfolder(*stamp);
    if (!has && stamp->size > kLargeFolderBytes) {
        // Without an arrow until the look has found a subfolder.
        if (!m_looking.contains(path)) {
            auto* self = const_cast<FolderModel*>(this);
            m_looking.emplace(path, std::jthread([self, path, native, stamp = *stamp](std::stop_token stop) {
                                  const bool found = platform::HasSubfolder(native, stop);
                                  if (stop.stop_requested()) return;
                                  QMetaObject::invokeMethod(
                                      self, [self, path, stamp, found] { self->looked(path, stamp, found); },
                                      Qt::QueuedConnection);
                              }));
        }
    } else if (!has) {
        has = platform::HasSubfolder(native);
    }
    m_hasSubfolders.insert(path, {*stamp, has});
    return has;
}

void FolderModel::looked(const QString& path, const platform::FolderStamp& stamp, bool has) {
    if (auto look = m_looking.find(path); look != m_looking.end()) m_looking.erase(look);  // joins
    const bool before = m_hasSubfolders.value(path).has;
    m_hasSubfolders.insert(path, {stamp, has});
    // The views ask again for every folder they show: this one's arrow.
    if (has && !before) {
        emit layoutAboutToBeChanged();
        emit layoutChanged();
    }
}

bool IsSystemFolderOfRoot(const QString& path) {
    if (path == QStringLiteral("/lost+found")) return true;
    // Only passed through, never listed: opening /proc or /sys this way
    // costs nothing.
    const int folder =
        platform::OpenFolder(QFile::encodeName(path).toStdString(), platform::FolderAccess::Anchor);
    if (folder < 0) return false;
    const bool system = platform::IsPseudoFileSystem(folder);
    ::close(folder);
    return system;
}

FolderFilter::FolderFilter(FolderModel* folders, QObject* parent)
    : QSortFilterProxyModel(parent), m_folders(folders) {
    setSourceModel(folders);
}

QString FolderFilter::filePath(const QModelIndex& index) const {
    return m_folders->filePath(mapToSource(index));
}

QModelIndex FolderFilter::index(const QString& path) const {
    return mapFromSource(m_folders->index(path));
}

bool FolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    // The root folder is the folder model's only top row; only its own
    // subfolders are looked at.
    if (!sourceParent.isValid() || sourceParent.parent().isValid()) return true;
    const QString path = m_folders->filePath(m_folders->index(sourceRow, 0, sourceParent));
    auto known = m_leftOut.constFind(path);
    if (known == m_leftOut.constEnd()) known = m_leftOut.insert(path, IsSystemFolderOfRoot(path));
    return !*known;
}

}  // namespace pelmora::app
