// SPDX-License-Identifier: MIT
// The preview below a message list: the header block and the body of the
// one selected message, its attachments as a row of entries that open or
// save, and the raw file on request. Reading never holds the window: a
// small message is read at once, a larger one on a worker thread whose
// result counts only while its message is still the one selected.
//
// What the pane shows of an HTML body is what the message holds and nothing
// else: no resource is fetched from the network or read from the disk, only
// the message's own parts named by "cid:" are, and a link goes to the
// desktop's browser only when it is clicked.
#pragma once

#include <QTextBrowser>
#include <QThreadPool>
#include <QWidget>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"
#include "message/display_name_lookup.h"
#include "message/message_view.h"
#include "ports/prompts.h"
#include "ports/shell.h"
#include "settings/settings.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

namespace pelmora::app {

// Messages up to this size are read at once (a few milliseconds); larger
// ones on the worker thread.
inline constexpr std::uint64_t kPreviewAtOnceBytes = 256 * 1024;
// The most of a body, of the raw file and of one image the pane holds.
inline constexpr std::size_t kPreviewTextBytes = 1 << 20;
inline constexpr std::size_t kPreviewSourceBytes = 1 << 20;
inline constexpr std::size_t kPreviewImageBytes = 8 << 20;

// A file a desktop would run rather than show when it is opened: asked
// about before an attachment of this kind is handed over.
bool LooksExecutable(std::string_view mediaType, std::string_view nameUtf8);
// "12.3 KB", "4.5 MB": the size beside an attachment's name.
QString AttachmentSizeText(std::uint64_t bytes);
// A private folder (mode 0700) for attachments opened from the pane,
// made at the first call and removed with its content when the program
// ends; empty when none could be made.
std::filesystem::path PrivateOpenFolder();
// Where a save dialog for attachments opens: the folder last saved into,
// else the documents folder.
std::filesystem::path AttachSaveStart(const Settings& settings);

// What the pane needs of its window; all outlive the pane.
struct PreviewServices {
    ports::Prompts& prompts;
    ports::Shell& shell;
    // AttachSaveDir.
    Settings& settings;
    // The folder browser; nullopt when the user cancels.
    std::function<std::optional<std::filesystem::path>(const QString& prompt,
                                                       const std::filesystem::path& start)>
        chooseFolder;
    // The address book while the list uses it, else null.
    std::function<const DisplayNameLookup*()> displayNames;
    // A status text (display text) for the window's second panel.
    std::function<void(const std::string&)> showStatus;
};

// The body's viewer: resources come from the message's cid: parts only.
class PreviewBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit PreviewBrowser(QWidget* parent = nullptr);
    // The message whose parts cid: names; null for none.
    void setMessage(const MessageView* view) { m_view = view; }
    // How many resources were asked for that are not the message's own.
    int refusedResources() const { return m_refused; }

    QVariant loadResource(int type, const QUrl& name) override;

private:
    const MessageView* m_view = nullptr;
    int m_refused = 0;
};

class MessagePreview : public QWidget {
    Q_OBJECT
public:
    MessagePreview(PreviewServices services, QWidget* parent = nullptr);
    ~MessagePreview() override;

    // None selected: the pane is empty.
    void showNothing();
    // Several selected: the pane says how many.
    void showCount(int selected);
    // The one selected message. The same file again is read again: it may
    // have changed.
    void showMessage(const std::filesystem::path& file);

    // The header block and the body as the pane shows them, as plain text.
    QString text() const;
    // A larger message is still being read.
    bool loading() const { return m_loading; }
    const MessageView* message() const { return m_view ? &*m_view : nullptr; }
    QListWidget* attachmentList() const { return m_attachments; }
    QToolButton* sourceButton() const { return m_sourceButton; }
    PreviewBrowser* browser() const { return m_browser; }

    // The attachment at index of the message shown: opened with the
    // desktop's program from the private folder, saved under a chosen
    // name, or all of them into a chosen folder.
    void openAttachment(int index);
    void saveAttachment(int index);
    void saveAllAttachments();

signals:
    // A message has been shown (at once or when its reading ended).
    void messageShown();

private:
    using ReadResult = std::expected<MessageView, Error>;
    void buildWidgets();
    QWidget* buildHeader();
    QWidget* buildAttachmentRow();
    QWidget* buildBrowser();
    void clearMessage();
    void display(ReadResult read);
    void showBody();
    void setNotice(const QString& text);
    void showAttachmentMenu(const QPoint& position);
    void reportFailure(const Error& error);
    MessageViewOptions readOptions(bool withNames) const;

    PreviewServices m_services;
    QWidget* m_header = nullptr;
    QLabel* m_captions[5] = {};
    QLabel* m_values[5] = {};
    QLabel* m_notice = nullptr;
    QToolButton* m_sourceButton = nullptr;
    QWidget* m_attachmentRow = nullptr;
    QListWidget* m_attachments = nullptr;
    PreviewBrowser* m_browser = nullptr;

    std::optional<MessageView> m_view;
    std::filesystem::path m_file;
    // Counts the requests: a reading that ends after a newer one began is
    // dropped.
    std::uint64_t m_generation = 0;
    bool m_loading = false;
    // One worker: a newer request takes the place of one not yet started.
    QThreadPool m_pool;
};

}  // namespace pelmora::app
