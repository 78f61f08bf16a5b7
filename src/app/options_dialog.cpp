// SPDX-License-Identifier: MIT
#include "app/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>

#include "app/dialog_style.h"
#include "app/qtext.h"
#include "app/window_texts.h"
#include "catalogue/duplicates.h"
#include "message/format.h"
#include "texts/texts.h"

namespace pelmora::app {

namespace {

QFrame* makeBevel(QWidget* parent, QRect geometry) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(geometry);
    return frame;
}

const QString kProgramsFilter = window_text::kProgramFilter;
const QString kAllFilesFilter = window_text::kAllFilesFilter;

// Linux programs carry no extension, so the first choice lists the files
// the user may run (and every folder) instead of matching a name pattern.
// A proxy decides, not QDir's permission flags: QFileSystemModel reads
// QDir::Executable alone as "hide whatever is readable or writable", which
// leaves every folder looking empty.
class ProgramsOnly : public QSortFilterProxyModel {
public:
    explicit ProgramsOnly(QObject* parent) : QSortFilterProxyModel(parent) {}
    void setOn(bool on) {
        if (on == m_on) return;
        m_on = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (!m_on) return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files == nullptr) return true;
        const QModelIndex index = files->index(row, 0, parent);
        if (files->isDir(index)) return true;
        const QFileInfo info = files->fileInfo(index);
        return info.isExecutable() && info.isFile();
    }

private:
    bool m_on = true;
};

}  // namespace

OptionsDialog::~OptionsDialog() = default;

OptionsDialog::OptionsDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(window_text::kOptionsTitle);
    fixDialogGeometry(*this, QSize(441, 437));

    makeBevel(this, QRect(8, 8, 425, 38));
    m_displayNames = new QCheckBox(window_text::kDisplayNamesOption, this);
    m_displayNames->setGeometry(20, 16, 405, 22);

    // The address books the names come from, and the user's own.
    makeBevel(this, QRect(8, 52, 425, 154));
    m_booksCaption = new QLabel(window_text::kBooksCaption, this);
    m_booksCaption->setGeometry(20, 60, 405, 18);
    m_bookList = new QListWidget(this);
    m_bookList->setGeometry(20, 80, 405, 70);
    m_bookList->setSelectionMode(QAbstractItemView::NoSelection);
    m_bookList->setFocusPolicy(Qt::NoFocus);
    m_extraBookCaption = new QLabel(window_text::kExtraBookCaption, this);
    m_extraBookCaption->setGeometry(20, 154, 405, 18);
    m_extraBookEdit = new QLineEdit(this);
    m_extraBookEdit->setGeometry(20, 176, 340, 22);
    m_extraBookBrowseButton = new QPushButton(window_text::kExtraBookBrowse, this);
    m_extraBookBrowseButton->setGeometry(366, 176, 58, 22);
    m_extraBookBrowseButton->setAutoDefault(false);
    // One button for both: a book is a file or a folder, and a file dialog
    // chooses only one of the two. The menu is a pop-up of its own, kept
    // out of the dialog's widgets.
    m_browseMenu = std::make_unique<QMenu>();
    m_browseMenu->addAction(window_text::kChooseFile, this, [this] { browseBook(false); });
    m_browseMenu->addAction(window_text::kChooseFolder, this, [this] { browseBook(true); });
    m_extraBookBrowseButton->setMenu(m_browseMenu.get());

    makeBevel(this, QRect(8, 212, 425, 84));
    m_editorCaption = new QLabel(window_text::kEditorCaption, this);
    m_editorCaption->setGeometry(20, 220, 405, 18);
    // Below the first label rather than beside it: at 12 pixels the two
    // texts together are wider than the dialog.
    m_editorAdvice = new QLabel(window_text::kEditorAdvice, this);
    m_editorAdvice->setGeometry(32, 240, 393, 18);
    m_editorEdit = new QLineEdit(this);
    m_editorEdit->setGeometry(20, 264, 378, 22);
    m_editorBrowseButton = new QPushButton(window_text::kEditorBrowse, this);
    m_editorBrowseButton->setGeometry(402, 264, 22, 22);
    m_editorBrowseButton->setAutoDefault(false);

    makeBevel(this, QRect(8, 302, 425, 62));
    auto* dupKeepLabel = new QLabel(window_text::kDupKeepCaption, this);
    dupKeepLabel->setGeometry(20, 310, 180, 22);
    m_dupKeepBox = new QComboBox(this);
    m_dupKeepBox->setGeometry(200, 310, 224, 22);
    // In the order of KeepRule.
    m_dupKeepBox->addItems({window_text::kDupKeepOldest, window_text::kDupKeepNewest,
                            window_text::kDupKeepLargest, window_text::kDupKeepUnderFolder});
    dupKeepLabel->setBuddy(m_dupKeepBox);
    m_dupKeepFolder = new QLineEdit(this);
    m_dupKeepFolder->setGeometry(32, 336, 392, 22);
    m_dupKeepFolder->setEnabled(false);
    connect(m_dupKeepBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_dupKeepFolder->setEnabled(index == static_cast<int>(KeepRule::UnderFolder));
    });

    makeBevel(this, QRect(8, 370, 425, 30));
    m_keepRecord = new QCheckBox(window_text::kKeepRecordOption, this);
    m_keepRecord->setGeometry(20, 374, 405, 22);
    m_keepRecord->setObjectName(QStringLiteral("KeepRecordBox"));

    m_okButton = new QPushButton(window_text::kOk, this);
    m_okButton->setGeometry(270, 405, 78, 26);
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(window_text::kCancel, this);
    m_cancelButton->setGeometry(355, 405, 78, 26);
    m_cancelButton->setAutoDefault(false);

    m_displayNames->setObjectName(QStringLiteral("CheckBox1"));
    m_editorCaption->setObjectName(QStringLiteral("Label1"));
    m_editorAdvice->setObjectName(QStringLiteral("Label2"));
    m_editorEdit->setObjectName(QStringLiteral("Edit1"));
    m_editorBrowseButton->setObjectName(QStringLiteral("Button1"));
    m_okButton->setObjectName(QStringLiteral("Button2"));
    m_cancelButton->setObjectName(QStringLiteral("Button3"));
    m_dupKeepBox->setObjectName(QStringLiteral("DupKeepBox"));
    m_dupKeepFolder->setObjectName(QStringLiteral("DupKeepFolder"));
    m_booksCaption->setObjectName(QStringLiteral("Label3"));
    m_extraBookCaption->setObjectName(QStringLiteral("Label4"));
    m_bookList->setObjectName(QStringLiteral("BookList"));
    m_extraBookEdit->setObjectName(QStringLiteral("Edit2"));
    m_extraBookBrowseButton->setObjectName(QStringLiteral("Button4"));

    connect(m_extraBookEdit, &QLineEdit::editingFinished, this, [this] {
        if (m_extraBookEdit->isModified()) scanBooks();
        m_extraBookEdit->setModified(false);
    });

    connect(m_editorBrowseButton, &QPushButton::clicked, this, &OptionsDialog::browseEditor);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionsDialog::setConvDisplayName(bool on) {
    m_displayNames->setChecked(on);
}

bool OptionsDialog::convDisplayName() const {
    return m_displayNames->isChecked();
}

void OptionsDialog::setEditorName(const std::string& native) {
    m_editorEdit->setText(
        QFile::decodeName(QByteArray(native.data(), static_cast<qsizetype>(native.size()))));
}

std::string OptionsDialog::editorName() const {
    return QFile::encodeName(m_editorEdit->text()).toStdString();
}

void OptionsDialog::setDupKeep(const std::string& text) {
    const DupKeeper keeper = ParseDupKeeper(text).value_or(DupKeeper{});
    m_dupKeepBox->setCurrentIndex(static_cast<int>(keeper.rule));
    m_dupKeepFolder->setEnabled(keeper.rule == KeepRule::UnderFolder);
    m_dupKeepFolder->setText(
        QFile::decodeName(QByteArray(keeper.folder.data(), static_cast<qsizetype>(keeper.folder.size()))));
}

std::string OptionsDialog::dupKeep() const {
    DupKeeper keeper{static_cast<KeepRule>(m_dupKeepBox->currentIndex()), {}};
    if (keeper.rule == KeepRule::UnderFolder) {
        const QString folder = QDir::cleanPath(m_dupKeepFolder->text().trimmed());
        // Without a folder the rule would keep nothing in preference.
        if (folder.isEmpty() || folder == QStringLiteral(".")) return DupKeeperText(DupKeeper{});
        keeper.folder = QFile::encodeName(folder).toStdString();
    }
    return DupKeeperText(keeper);
}

void OptionsDialog::setAttachKeepRecord(bool on) {
    m_keepRecord->setChecked(on);
}

bool OptionsDialog::attachKeepRecord() const {
    return m_keepRecord->isChecked();
}

void OptionsDialog::setAddressBookPath(const std::filesystem::path& path) {
    m_extraBookEdit->setText(fromPath(path));
}

std::filesystem::path OptionsDialog::addressBookPath() const {
    return toPath(m_extraBookEdit->text().trimmed());
}

void OptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    scanBooks();
}

void OptionsDialog::scanBooks() {
    if (m_bookScan) showBooks(m_bookScan(addressBookPath()));
}

void OptionsDialog::showBooks(const DirectoryReport& report) {
    m_bookList->clear();
    for (const BookReport& book : report.books) {
        std::string line = book.sourceCp932;
        line += "  ";
        line += book.bookCp932;
        line += ": ";
        if (book.status == BookStatus::Read) {
            line += FormatCount(static_cast<std::int64_t>(book.addresses));
            line += text::kAddressesSuffix;
        } else {
            line += text::kBookSkipped;
            line += text::kBookReasonOpen;
            line += BookReasonText(book);
            line += text::kReasonEndInList;
        }
        auto* item = new QListWidgetItem(fromCp932(line), m_bookList);
        // The path, and the whole reason, which a narrow list cuts short.
        QString tip = fromPath(book.path);
        if (book.status != BookStatus::Read) tip += QLatin1Char('\n') + fromCp932(BookReasonText(book));
        item->setToolTip(tip);
    }
    if (report.books.empty()) new QListWidgetItem(window_text::kNoBooksFound, m_bookList);
}

void OptionsDialog::browseBook(bool folder) {
    const QString current = m_extraBookEdit->text().trimmed();
    QFileDialog dialog(this, window_text::kExtraBookDialogTitle,
                       current.isEmpty() ? QDir::homePath() : QFileInfo(current).absolutePath());
    dialog.setObjectName(QStringLiteral("OpenDialog2"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    if (folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({window_text::kBookFilter, kAllFilesFilter});
    }
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return;
    m_extraBookEdit->setText(QDir::toNativeSeparators(chosen.front()));
    scanBooks();
}

QString OptionsDialog::browseStartFolder(const QString& editorText) {
    // The folder part is everything up to the last separator, so a bare
    // name ("gedit") has none and "/gedit" has the root.
    const qsizetype slash = editorText.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        const QString folder = editorText.left(slash + 1);
        if (QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
    }
    return QCoreApplication::applicationDirPath();
}

void OptionsDialog::browseEditor() {
    QFileDialog dialog(this, window_text::kEditorDialogTitle, browseStartFolder(m_editorEdit->text()));
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog: a desktop's native one ignores the executables filter.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    auto* programs = new ProgramsOnly(&dialog);
    dialog.setProxyModel(programs);
    dialog.setNameFilters({kProgramsFilter, kAllFilesFilter});
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [programs](const QString& filter) { programs->setOn(filter == kProgramsFilter); });
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty()) m_editorEdit->setText(QDir::toNativeSeparators(chosen.front()));
}

}  // namespace pelmora::app
