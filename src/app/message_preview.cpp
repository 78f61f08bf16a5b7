// SPDX-License-Identifier: MIT
#include "app/message_preview.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeDatabase>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "app/qtext.h"
#include "app/window_texts.h"
#include "operations/attachment_save.h"
#include "platform/file_io.h"
#include "platform/xdg.h"

namespace pelmora::app {

namespace {

using View = std::string_view;

QString utf8(View text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool endsWithNoCase(View text, View suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}

// Header values are whole, but a To line of a thousand addresses would push
// the body out of the pane.
constexpr qsizetype kHeaderValueChars = 2000;

const std::array<QString, 5> kCaptions = {window_text::kPreviewFromLabel, window_text::kPreviewToLabel,
                                          window_text::kPreviewCcLabel, window_text::kPreviewSubjectLabel,
                                          window_text::kPreviewDateLabel};

QIcon iconFor(const std::string& mediaType, const QStyle* style) {
    const QMimeType type = QMimeDatabase().mimeTypeForName(utf8(mediaType));
    QIcon fallback = style->standardIcon(QStyle::SP_FileIcon);
    if (!type.isValid()) return fallback;
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback));
}

std::filesystem::path g_openFolder;

void removeOpenFolder() {
    if (g_openFolder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(g_openFolder, ignored);
    g_openFolder.clear();
}

}  // namespace

bool LooksExecutable(View mediaType, View nameUtf8) {
    static constexpr View kTypes[] = {
        "application/x-executable",
        "application/x-sharedlib",
        "application/x-msdownload",
        "application/x-ms-dos-executable",
        "application/x-msdos-program",
        "application/x-sh",
        "application/x-shellscript",
        "text/x-shellscript",
        "application/x-desktop",
        "application/java-archive",
        "application/x-java-archive",
        "application/x-ms-installer",
        "application/x-msi",
        "application/vnd.microsoft.portable-executable",
        "application/x-bat",
        "application/javascript",
        "text/javascript",
        "application/x-perl",
        "application/x-python",
        "text/x-python",
        "application/x-appimage",
        "application/vnd.appimage",
    };
    static constexpr View kExtensions[] = {".exe", ".com",  ".bat", ".cmd", ".scr",     ".pif",      ".msi",
                                           ".jar", ".js",   ".jse", ".vbs", ".vbe",     ".wsf",      ".ps1",
                                           ".sh",  ".bash", ".run", ".bin", ".desktop", ".appimage", ".py",
                                           ".pl",  ".lnk",  ".hta", ".cpl"};
    for (View type : kTypes)
        if (mediaType.size() == type.size() && endsWithNoCase(mediaType, type)) return true;
    for (View extension : kExtensions)
        if (endsWithNoCase(nameUtf8, extension)) return true;
    return false;
}

QString AttachmentSizeText(std::uint64_t bytes) {
    if (bytes < 1024) return QStringLiteral("%1 B").arg(bytes);
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10 ? 1 : 0).arg(QLatin1String(kUnits[unit]));
}

std::filesystem::path PrivateOpenFolder() {
    if (!g_openFolder.empty()) return g_openFolder;
    // The runtime folder is the user's own and emptied at logout; the
    // temporary folder serves where there is none.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path base = runtime != nullptr && runtime[0] == '/' ? runtime : "";
    std::error_code error;
    if (base.empty() || !std::filesystem::is_directory(base, error))
        base = std::filesystem::temp_directory_path(error);
    std::string pattern = (base / "pelmora-open-XXXXXX").string();
    // mkdtemp makes the folder with mode 0700: other users read nothing
    // of what the pane opens.
    if (mkdtemp(pattern.data()) == nullptr) return {};
    g_openFolder = pattern;
    qAddPostRoutine(removeOpenFolder);
    return g_openFolder;
}

PreviewBrowser::PreviewBrowser(QWidget* parent) : QTextBrowser(parent) {
    // Links are handed to the desktop by the pane, never followed here.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setSearchPaths({});
}

QVariant PreviewBrowser::loadResource(int type, const QUrl& name) {
    // Every image, style sheet or frame an HTML body names comes here; only
    // the message's own parts are given. Remote addresses, files on this
    // machine and anything else are refused without being touched.
    if (m_view != nullptr && name.scheme().compare(QLatin1String("cid"), Qt::CaseInsensitive) == 0 &&
        type == QTextDocument::ImageResource) {
        const QByteArray id = QUrl::fromPercentEncoding(name.toString(QUrl::RemoveScheme).toUtf8()).toUtf8();
        const int part =
            FindPartByContentId(m_view->tree, View(id.constData(), static_cast<std::size_t>(id.size())));
        if (part >= 0) {
            auto bytes = ReadPartBytes(m_view->path, m_view->tree.parts[static_cast<std::size_t>(part)],
                                       kPreviewImageBytes);
            if (bytes) {
                QImage image;
                if (image.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                                       static_cast<int>(bytes->size())))
                    return image;
            }
        }
    }
    ++m_refused;
    return {};
}

MessagePreview::MessagePreview(PreviewServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("Preview"));
    m_pool.setMaxThreadCount(1);
    buildWidgets();
    showNothing();
}

MessagePreview::~MessagePreview() {
    // A reading still running ends before the pane it reports to is gone.
    m_pool.clear();
    m_pool.waitForDone();
}

void MessagePreview::buildWidgets() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(buildAttachmentRow());
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("PreviewNotice"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_notice);
    layout->addWidget(buildBrowser(), 1);
    m_header->setMinimumHeight(0);
}

// The header lines, bold captions beside their values, and the source switch.
QWidget* MessagePreview::buildHeader() {
    auto* header = m_header = new QWidget(this);
    header->setObjectName(QStringLiteral("PreviewHeader"));
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::AlternateBase);
    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    for (int row = 0; row < 5; ++row) {
        m_captions[row] = new QLabel(kCaptions[static_cast<std::size_t>(row)], header);
        m_captions[row]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        QFont bold = m_captions[row]->font();
        bold.setBold(true);
        m_captions[row]->setFont(bold);
        m_values[row] = new QLabel(header);
        m_values[row]->setTextFormat(Qt::PlainText);
        m_values[row]->setWordWrap(true);
        m_values[row]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_values[row]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        grid->addWidget(m_captions[row], row, 0);
        grid->addWidget(m_values[row], row, 1);
    }
    QFont subject = m_values[3]->font();
    subject.setBold(true);
    m_values[3]->setFont(subject);
    m_sourceButton = new QToolButton(header);
    m_sourceButton->setObjectName(QStringLiteral("PreviewSource"));
    m_sourceButton->setText(window_text::kPreviewShowSource);
    m_sourceButton->setCheckable(true);
    m_sourceButton->setAutoRaise(true);
    connect(m_sourceButton, &QToolButton::toggled, this, [this] { showBody(); });
    // Beside the whole block, so that the rows keep the height of their text.
    grid->addWidget(m_sourceButton, 0, 2, 5, 1, Qt::AlignRight | Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    return header;
}

// The attachments of the message shown, with the two save buttons.
QWidget* MessagePreview::buildAttachmentRow() {
    m_attachmentRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_attachmentRow);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    m_attachments = new QListWidget(m_attachmentRow);
    m_attachments->setObjectName(QStringLiteral("PreviewAttachments"));
    m_attachments->setFlow(QListView::LeftToRight);
    m_attachments->setWrapping(false);
    m_attachments->setSelectionMode(QAbstractItemView::SingleSelection);
    m_attachments->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_attachments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_attachments->setIconSize(QSize(20, 20));
    m_attachments->setSpacing(2);
    m_attachments->setFixedHeight(m_attachments->fontMetrics().height() * 2 + 14);
    m_attachments->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_attachments, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openAttachment(m_attachments->row(item)); });
    connect(m_attachments, &QWidget::customContextMenuRequested, this, &MessagePreview::showAttachmentMenu);
    row->addWidget(m_attachments, 1);
    auto* save = new QToolButton(m_attachmentRow);
    save->setText(window_text::kPreviewSaveButton);
    connect(save, &QToolButton::clicked, this,
            [this] { saveAttachment(std::max(m_attachments->currentRow(), 0)); });
    auto* saveAll = new QToolButton(m_attachmentRow);
    saveAll->setText(window_text::kPreviewSaveAllButton);
    connect(saveAll, &QToolButton::clicked, this, &MessagePreview::saveAllAttachments);
    row->addWidget(save);
    row->addWidget(saveAll);
    return m_attachmentRow;
}

QWidget* MessagePreview::buildBrowser() {
    m_browser = new PreviewBrowser(this);
    m_browser->setObjectName(QStringLiteral("PreviewBody"));
    m_browser->setFrameShape(QFrame::NoFrame);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        // Only what a browser or a mail program opens: never a file of this
        // machine or a script address a message could name.
        static const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                                             QStringLiteral("mailto"), QStringLiteral("ftp")};
        if (!kSchemes.contains(url.scheme().toLower())) return;
        m_services.shell.openUrl(url.toString(QUrl::FullyEncoded).toStdString());
    });
    return m_browser;
}

MessageViewOptions MessagePreview::readOptions(bool withNames) const {
    MessageViewOptions options;
    options.maxTextBytes = kPreviewTextBytes;
    if (withNames && m_services.displayNames) options.displayNames = m_services.displayNames();
    return options;
}

void MessagePreview::clearMessage() {
    ++m_generation;
    m_pool.clear();
    m_loading = false;
    m_browser->setMessage(nullptr);
    m_view.reset();
    m_file.clear();
    for (QLabel* value : m_values) value->clear();
    for (int row = 0; row < 5; ++row) {
        m_captions[row]->setVisible(row != 2);
        m_values[row]->setVisible(row != 2);
    }
    m_attachments->clear();
    m_attachmentRow->hide();
    m_header->hide();
    m_browser->clear();
    setNotice({});
}

void MessagePreview::showNothing() {
    clearMessage();
    m_sourceButton->setEnabled(false);
}

void MessagePreview::showCount(int selected) {
    showNothing();
    setNotice(window_text::kPreviewManySelected.arg(selected));
}

void MessagePreview::showMessage(const std::filesystem::path& file) {
    clearMessage();
    m_file = file;
    m_header->show();
    m_sourceButton->setEnabled(true);
    struct stat info {};
    const bool small = ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                       static_cast<std::uint64_t>(info.st_size) <= kPreviewAtOnceBytes;
    if (small) {
        display(ReadMessageView(file, readOptions(true)));
        return;
    }
    m_loading = true;
    setNotice(window_text::kPreviewLoading);
    const std::uint64_t generation = m_generation;
    const MessageViewOptions options = readOptions(false);
    m_pool.start([this, generation, file, options] {
        auto read = std::make_shared<ReadResult>(ReadMessageView(file, options));
        QMetaObject::invokeMethod(
            this,
            [this, generation, read] {
                if (generation != m_generation) return;
                // The address book is read on this thread only.
                if (*read && m_services.displayNames) ApplyDisplayNames(**read, m_services.displayNames());
                display(std::move(*read));
            },
            Qt::QueuedConnection);
    });
}

void MessagePreview::display(ReadResult read) {
    m_loading = false;
    if (!read) {
        setNotice(window_text::kPreviewUnreadable.arg(fromPath(read.error().path),
                                                      utf8(read.error().reasonText())));
        m_browser->clear();
        emit messageShown();
        return;
    }
    m_view = std::move(*read);
    const MessageView& view = *m_view;
    const std::string* values[5] = {&view.fromUtf8, &view.toUtf8, &view.ccUtf8, &view.subjectUtf8,
                                    &view.dateUtf8};
    for (int row = 0; row < 5; ++row) {
        QString value = utf8(*values[row]);
        if (value.size() > kHeaderValueChars) value = value.left(kHeaderValueChars) + window_text::kEllipsis;
        m_values[row]->setText(value);
    }
    m_captions[2]->setVisible(!view.ccUtf8.empty());
    m_values[2]->setVisible(!view.ccUtf8.empty());
    for (const AttachmentInfo& attachment : view.attachments) {
        auto* item = new QListWidgetItem(iconFor(attachment.mediaType, style()),
                                         utf8(attachment.nameUtf8) + QStringLiteral(u"  (") +
                                             AttachmentSizeText(attachment.size) + QLatin1Char(')'),
                                         m_attachments);
        item->setToolTip(utf8(attachment.nameUtf8) + QLatin1Char('\n') + utf8(attachment.mediaType));
    }
    m_attachmentRow->setVisible(!view.attachments.empty());
    showBody();
    emit messageShown();
}

void MessagePreview::showBody() {
    if (m_file.empty()) return;
    m_browser->setMessage(nullptr);
    m_browser->clear();
    m_browser->setFont(font());
    if (m_sourceButton->isChecked()) {
        // The raw file's columns line up as they were written.
        m_browser->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        bool cut = false;
        auto source = ReadSourceText(m_file, kPreviewSourceBytes, &cut);
        m_browser->setPlainText(source ? utf8(*source) : QString());
        setNotice(cut ? window_text::kPreviewFileTruncated : QString());
        return;
    }
    if (!m_view) return;
    const MessageView& view = *m_view;
    QStringList notices;
    if (!view.unknownCharset.empty())
        notices << window_text::kPreviewUnknownCharset.arg(utf8(view.unknownCharset));
    if (view.bodyCut) notices << window_text::kPreviewBodyTruncated;
    setNotice(notices.join(QLatin1Char('\n')));
    if (view.bodyKind == BodyKind::Html) {
        m_browser->setMessage(&view);
        const int refused = m_browser->refusedResources();
        m_browser->setHtml(utf8(view.bodyUtf8));
        if (m_browser->refusedResources() != refused) notices << window_text::kPreviewRemoteBlocked;
        setNotice(notices.join(QLatin1Char('\n')));
    } else {
        m_browser->setPlainText(utf8(view.bodyUtf8));
    }
}

void MessagePreview::setNotice(const QString& text) {
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

QString MessagePreview::text() const {
    QString text;
    for (int row = 0; row < 5; ++row)
        if (!m_values[row]->isHidden() && !m_values[row]->text().isEmpty())
            text += m_captions[row]->text() + QLatin1Char(' ') + m_values[row]->text() + QLatin1Char('\n');
    for (int row = 0; row < m_attachments->count(); ++row)
        text += m_attachments->item(row)->text() + QLatin1Char('\n');
    if (!m_notice->text().isEmpty()) text += m_notice->text() + QLatin1Char('\n');
    if (!text.isEmpty()) text += QLatin1Char('\n');
    return text + m_browser->toPlainText();
}

void MessagePreview::showAttachmentMenu(const QPoint& position) {
    QListWidgetItem* item = m_attachments->itemAt(position);
    if (item == nullptr) return;
    const int index = m_attachments->row(item);
    QMenu menu(this);
    menu.addAction(window_text::kAttachmentOpen, this, [this, index] { openAttachment(index); });
    menu.addAction(window_text::kAttachmentSave, this, [this, index] { saveAttachment(index); });
    menu.addAction(window_text::kAttachmentSaveAll, this, &MessagePreview::saveAllAttachments);
    menu.exec(m_attachments->viewport()->mapToGlobal(position));
}

std::filesystem::path AttachSaveStart(const Settings& settings) {
    std::error_code error;
    const std::filesystem::path& remembered = settings.AttachSaveDir;
    if (!remembered.empty() && std::filesystem::is_directory(remembered, error)) return remembered;
    return platform::XdgDocumentsFolder();
}

void MessagePreview::reportFailure(const Error& error) {
    m_services.prompts.warning(AttachSaveFailureText(error));
}

void MessagePreview::openAttachment(int index) {
    if (!m_view || index < 0 || static_cast<std::size_t>(index) >= m_view->attachments.size()) return;
    const AttachmentInfo& attachment = m_view->attachments[static_cast<std::size_t>(index)];
    if (LooksExecutable(attachment.mediaType, attachment.nameUtf8) &&
        !m_services.prompts.confirmYesNo(
            toCp932(window_text::kAttachmentMayRunPrompt.arg(utf8(attachment.nameUtf8)))))
        return;
    const std::filesystem::path folder = PrivateOpenFolder();
    if (folder.empty()) {
        reportFailure(MakeError(ErrorKind::Write, std::filesystem::temp_directory_path(), errno));
        return;
    }
    auto saved = SaveAttachment(*m_view, attachment, folder, platform::SystemFileSystem());
    if (!saved) {
        reportFailure(saved.error());
        return;
    }
    if (!m_services.shell.openWithAssociation(*saved))
        m_services.prompts.warning(
            toCp932(window_text::kAttachmentCannotOpen.arg(utf8(attachment.nameUtf8))));
}

void MessagePreview::saveAttachment(int index) {
    if (!m_view || index < 0 || static_cast<std::size_t>(index) >= m_view->attachments.size()) return;
    const AttachmentInfo& attachment = m_view->attachments[static_cast<std::size_t>(index)];
    ports::SaveFileRequest request;
    request.titleCp932 = toCp932(window_text::kAttachmentSaveTitle);
    request.initialFolder = AttachSaveStart(m_services.settings);
    request.fileName = SafeFileName(attachment.nameUtf8, "attachment");
    const auto chosen = m_services.prompts.chooseSaveFile(request);
    if (!chosen) return;
    m_services.settings.AttachSaveDir = chosen->parent_path();
    // An existing file is kept: the new one takes a numbered name beside it.
    auto saved = SaveAttachment(*m_view, attachment, chosen->parent_path(), platform::SystemFileSystem(),
                                chosen->filename().string());
    if (!saved) {
        reportFailure(saved.error());
        return;
    }
    if (m_services.showStatus) m_services.showStatus(AttachSaveStatusText(1));
}

void MessagePreview::saveAllAttachments() {
    if (!m_view || m_view->attachments.empty() || !m_services.chooseFolder) return;
    const auto folder =
        m_services.chooseFolder(window_text::kChooseAttachmentFolder, AttachSaveStart(m_services.settings));
    if (!folder) return;
    m_services.settings.AttachSaveDir = *folder;
    const SaveOutcome outcome = SaveAllAttachments(*m_view, *folder, platform::SystemFileSystem());
    if (m_services.showStatus)
        m_services.showStatus(AttachSaveStatusText(static_cast<int>(outcome.written.size())));
    if (!outcome.failures.empty()) reportFailure(outcome.failures.front());
}

}  // namespace pelmora::app
