// SPDX-License-Identifier: MIT
#include "app/about_dialog.h"

#include <QEnterEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

#include "app/dialog_style.h"
#include "app/icons.h"
#include "app/qt_ports.h"
#include "app/qt_shell.h"
#include "app/qtext.h"
#include "app/window_texts.h"
#include "pelmora/version.h"

namespace pelmora::app {

QString versionText(int major, int minor) {
    return QStringLiteral("Version %1.%2").arg(major).arg(minor);
}

UrlLabel::UrlLabel(const QUrl& url, QWidget* parent) : QLabel(url.toString(), parent), m_url(url) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    setPalette(palette);
    connect(this, &UrlLabel::activated, this, [this](const QUrl& target) {
        if (runOpener(QStringLiteral("xdg-open"), {target.toString()}, kOpenerWaitMs) == OpenerRun::Failed)
            QtPrompts(window()).warning(toCp932(window_text::kCannotStartAssociatedProgram));
    });
}

void UrlLabel::setUnderlined(bool on) {
    QFont underlined = font();
    underlined.setUnderline(on);
    setFont(underlined);
}

void UrlLabel::enterEvent(QEnterEvent* event) {
    setUnderlined(true);
    QLabel::enterEvent(event);
}

void UrlLabel::leaveEvent(QEvent* event) {
    setUnderlined(false);
    QLabel::leaveEvent(event);
}

void UrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit activated(m_url);
    QLabel::mouseReleaseEvent(event);
}

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(window_text::kAboutTitle);
    fixDialogGeometry(*this, QSize(320, 200));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(8, 8, 304, 148);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(12, 12, 48, 48);
    icon->setPixmap(programIcon().pixmap(48, 48));

    m_productName = new QLabel(QStringLiteral("Pelmora"), panel);
    m_productName->setObjectName(QStringLiteral("ProductName"));
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(16);
    m_productName->setFont(bold);
    m_productName->setGeometry(76, 14, 216, 22);

    m_version = new QLabel(versionText(PELMORA_VERSION_MAJOR, PELMORA_VERSION_MINOR), panel);
    m_version->setObjectName(QStringLiteral("Version"));
    m_version->setGeometry(76, 40, 216, 18);

    auto* rights = new QLabel(window_text::kCopyright, panel);
    rights->setObjectName(QStringLiteral("Copyright"));
    rights->setGeometry(12, 68, 280, 18);

    auto* comments = new QLabel(window_text::kAboutPurpose, panel);
    comments->setObjectName(QStringLiteral("Comments"));
    comments->setGeometry(12, 90, 280, 32);

    m_url = new UrlLabel(QUrl(QString::fromLatin1(kMakerUrl)), panel);
    m_url->setObjectName(QStringLiteral("URL"));
    m_url->setGeometry(12, 124, 280, 18);

    m_okButton = new QPushButton(window_text::kOk, this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setGeometry(122, 166, 76, 26);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::reject() {
    // OK is the cancel button too: Escape and the close box answer OK.
    accept();
}

}  // namespace pelmora::app
