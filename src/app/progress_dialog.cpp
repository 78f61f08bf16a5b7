// SPDX-License-Identifier: MIT
#include "app/progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "app/dialog_style.h"
#include "app/qtext.h"
#include "app/window_texts.h"

namespace pelmora::app {

namespace {

// One user-interface thread: no other thread ever reads or writes it.
bool g_abortRequested = false;

QLabel* makeLabel(QWidget* parent, const QString& text, QRect geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

bool isAbortRequested() {
    return g_abortRequested;
}

void setAbortRequested(bool requested) {
    g_abortRequested = requested;
}

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(window_text::kProgressTitle);
    fixDialogGeometry(*this, QSize(400, 144));

    m_titleLine = makeLabel(this, window_text::kProgressLoading, QRect(12, 10, 260, 18));
    m_countLine = makeLabel(this, QString(), QRect(276, 10, 112, 18), Qt::AlignRight | Qt::AlignVCenter);
    m_fromCaption = makeLabel(this, window_text::kProgressFrom, QRect(12, 36, 44, 18));
    m_fromPath = makeLabel(this, QString(), QRect(56, 36, 336, 18));
    m_toCaption = makeLabel(this, window_text::kProgressTo, QRect(12, 58, 44, 18));
    m_toPath = makeLabel(this, QString(), QRect(56, 58, 336, 18));

    m_bar = new QProgressBar(this);
    m_bar->setGeometry(12, 84, 376, 16);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    m_abortButton = new QPushButton(window_text::kAbort, this);
    m_abortButton->setGeometry(162, 110, 76, 25);
    m_abortButton->setDefault(true);
    connect(m_abortButton, &QPushButton::clicked, this, [] { setAbortRequested(true); });

    const QList<QObject*> named = {m_titleLine, m_fromCaption, m_fromPath,
                                   m_toCaption, m_toPath,      m_countLine};
    for (int i = 0; i < named.size(); ++i) named[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    m_bar->setObjectName(QStringLiteral("PB1"));
    m_abortButton->setObjectName(QStringLiteral("Button1"));
    // While a loop runs, 中断 is the only input the program expects; the
    // dialog keeps the other windows from starting a second command.
    setWindowModality(Qt::ApplicationModal);
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

QString elidePath(const QLabel& label, const QString& path, int width) {
    return QFontMetrics(label.font()).elidedText(path, Qt::ElideMiddle, width);
}

void QtProgress::setTitle(const std::string& cp932) {
    m_dialog.titleLine()->setText(fromCp932(cp932));
}

void QtProgress::setFromCaption(const std::string& cp932) {
    m_dialog.fromCaption()->setText(fromCp932(cp932));
}

void QtProgress::setFromPath(const std::string& cp932) {
    m_dialog.fromPath()->setText(elidePath(*m_dialog.fromPath(), fromCp932(cp932)));
}

void QtProgress::setToCaption(const std::string& cp932) {
    m_dialog.toCaption()->setText(fromCp932(cp932));
}

void QtProgress::setToPath(const std::string& cp932) {
    m_dialog.toPath()->setText(elidePath(*m_dialog.toPath(), fromCp932(cp932)));
}

void QtProgress::setCountText(const std::string& cp932) {
    m_dialog.countLine()->setText(fromCp932(cp932));
}

void QtProgress::setRange(int minimum, int maximum) {
    // An empty range would turn the bar into a busy indicator; an empty
    // job shows an empty bar instead.
    m_dialog.bar()->setRange(minimum, std::max(minimum + 1, maximum));
    m_position = minimum;
    showPosition();
}

void QtProgress::setPosition(int position) {
    // Out-of-range positions are clamped, as a native progress bar does;
    // QProgressBar would ignore them and keep the old value.
    const QProgressBar* bar = m_dialog.bar();
    m_position = std::clamp(position, bar->minimum(), bar->maximum());
}

int QtProgress::position() const {
    return m_position;
}

void QtProgress::showPosition() {
    if (m_dialog.bar()->value() != m_position) m_dialog.bar()->setValue(m_position);
}

void QtProgress::setBarVisible(bool visible) {
    m_dialog.bar()->setVisible(visible);
}

void QtProgress::show() {
    showPosition();
    m_dialog.show();
    m_dialog.raise();
    m_dialog.abortButton()->setFocus();
}

void QtProgress::hide() {
    m_dialog.hide();
}

void QtProgress::processEvents() {
    // Often enough for the window and 中断 to answer at once, and the bar
    // to move smoothly; a loop calls this for every item it does.
    constexpr qint64 kEveryMs = 10;
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEveryMs) return;
    showPosition();
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

}  // namespace pelmora::app
