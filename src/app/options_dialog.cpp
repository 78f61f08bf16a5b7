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
#include <QPushButton>
#include <QSortFilterProxyModel>

#include "app/dialog_style.h"
#include "catalogue/duplicates.h"

namespace pelmora::app {

namespace {

QFrame* makeBevel(QWidget* parent, QRect geometry) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(geometry);
    return frame;
}

const QString kProgramsFilter = QStringLiteral("プログラム (*)");
const QString kAllFilesFilter = QStringLiteral("全てのファイル (*)");

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

OptionsDialog::OptionsDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Pelmora - オプション"));
    fixDialogGeometry(*this, QSize(441, 245));

    makeBevel(this, QRect(8, 8, 425, 38));
    m_checkBox1 = new QCheckBox(QStringLiteral("メールアドレスをアドレス帳の表示名に変換して表示する"), this);
    m_checkBox1->setGeometry(20, 16, 405, 22);

    makeBevel(this, QRect(8, 52, 425, 84));
    m_label1 = new QLabel(QStringLiteral("メッセージを開くエディタ："), this);
    m_label1->setGeometry(20, 60, 405, 18);
    // Below the first label rather than beside it: at 12 pixels the two
    // texts together are wider than the dialog.
    m_label2 = new QLabel(QStringLiteral("（JISコードをサポートしているものが望ましいです。）"), this);
    m_label2->setGeometry(32, 80, 393, 18);
    m_edit1 = new QLineEdit(this);
    m_edit1->setGeometry(20, 104, 378, 22);
    m_button1 = new QPushButton(QStringLiteral("…"), this);
    m_button1->setGeometry(402, 104, 22, 22);
    m_button1->setAutoDefault(false);

    makeBevel(this, QRect(8, 142, 425, 62));
    auto* dupKeepLabel = new QLabel(QStringLiteral("重複メッセージで残すもの："), this);
    dupKeepLabel->setGeometry(20, 150, 180, 22);
    m_dupKeepBox = new QComboBox(this);
    m_dupKeepBox->setGeometry(200, 150, 224, 22);
    // In the order of KeepRule.
    m_dupKeepBox->addItems({QStringLiteral("受信日時が最も古いもの"), QStringLiteral("最も新しいもの"),
                            QStringLiteral("サイズが最も大きいもの"),
                            QStringLiteral("次のフォルダ内のもの")});
    dupKeepLabel->setBuddy(m_dupKeepBox);
    m_dupKeepFolder = new QLineEdit(this);
    m_dupKeepFolder->setGeometry(32, 176, 392, 22);
    m_dupKeepFolder->setEnabled(false);
    connect(m_dupKeepBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_dupKeepFolder->setEnabled(index == static_cast<int>(KeepRule::UnderFolder));
    });

    m_button2 = new QPushButton(QStringLiteral("OK"), this);
    m_button2->setGeometry(270, 210, 78, 26);
    m_button2->setDefault(true);
    m_button3 = new QPushButton(QStringLiteral("キャンセル"), this);
    m_button3->setGeometry(355, 210, 78, 26);
    m_button3->setAutoDefault(false);

    m_checkBox1->setObjectName(QStringLiteral("CheckBox1"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button2->setObjectName(QStringLiteral("Button2"));
    m_button3->setObjectName(QStringLiteral("Button3"));
    m_dupKeepBox->setObjectName(QStringLiteral("DupKeepBox"));
    m_dupKeepFolder->setObjectName(QStringLiteral("DupKeepFolder"));

    connect(m_button1, &QPushButton::clicked, this, &OptionsDialog::Button1Click);
    connect(m_button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_button3, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionsDialog::setConvDisplayName(bool on) {
    m_checkBox1->setChecked(on);
}

bool OptionsDialog::convDisplayName() const {
    return m_checkBox1->isChecked();
}

void OptionsDialog::setEditorName(const std::string& native) {
    m_edit1->setText(QFile::decodeName(QByteArray(native.data(), static_cast<qsizetype>(native.size()))));
}

std::string OptionsDialog::editorName() const {
    return QFile::encodeName(m_edit1->text()).toStdString();
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

void OptionsDialog::Button1Click() {
    QFileDialog dialog(this, QStringLiteral("メールを開くエディタの指定"),
                       browseStartFolder(m_edit1->text()));
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
    if (!chosen.isEmpty()) m_edit1->setText(QDir::toNativeSeparators(chosen.front()));
}

}  // namespace pelmora::app
