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
    setWindowTitle(QStringLiteral("Pelmora - 進行状況"));
    fixDialogGeometry(*this, QSize(400, 144));

    m_label1 = makeLabel(this, QStringLiteral("emlファイルを読み込んでいます…"), QRect(12, 10, 260, 18));
    m_label6 = makeLabel(this, QString(), QRect(276, 10, 112, 18), Qt::AlignRight | Qt::AlignVCenter);
    m_label2 = makeLabel(this, QStringLiteral("from："), QRect(12, 36, 44, 18));
    m_label3 = makeLabel(this, QString(), QRect(56, 36, 336, 18));
    m_label4 = makeLabel(this, QStringLiteral("to："), QRect(12, 58, 44, 18));
    m_label5 = makeLabel(this, QString(), QRect(56, 58, 336, 18));

    m_bar = new QProgressBar(this);
    m_bar->setGeometry(12, 84, 376, 16);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    m_button = new QPushButton(QStringLiteral("中断"), this);
    m_button->setGeometry(162, 110, 76, 25);
    m_button->setDefault(true);
    connect(m_button, &QPushButton::clicked, this, [] { setAbortRequested(true); });

    const QList<QObject*> named = {m_label1, m_label2, m_label3, m_label4, m_label5, m_label6};
    for (int i = 0; i < named.size(); ++i) named[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    m_bar->setObjectName(QStringLiteral("PB1"));
    m_button->setObjectName(QStringLiteral("Button1"));
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
    m_dialog.Label1()->setText(fromCp932(cp932));
}

void QtProgress::setLabel1(const std::string& cp932) {
    m_dialog.Label2()->setText(fromCp932(cp932));
}

void QtProgress::setPath1(const std::string& cp932) {
    m_dialog.Label3()->setText(elidePath(*m_dialog.Label3(), fromCp932(cp932)));
}

void QtProgress::setLabel2(const std::string& cp932) {
    m_dialog.Label4()->setText(fromCp932(cp932));
}

void QtProgress::setPath2(const std::string& cp932) {
    m_dialog.Label5()->setText(elidePath(*m_dialog.Label5(), fromCp932(cp932)));
}

void QtProgress::setCountText(const std::string& cp932) {
    m_dialog.Label6()->setText(fromCp932(cp932));
}

void QtProgress::setRange(int minimum, int maximum) {
    // An empty range would turn the bar into a busy indicator; an empty
    // job shows an empty bar instead.
    m_dialog.PB1()->setRange(minimum, std::max(minimum + 1, maximum));
    m_position = minimum;
    showPosition();
}

void QtProgress::setPosition(int position) {
    // Out-of-range positions are clamped, as a native progress bar does;
    // QProgressBar would ignore them and keep the old value.
    const QProgressBar* bar = m_dialog.PB1();
    m_position = std::clamp(position, bar->minimum(), bar->maximum());
}

int QtProgress::position() const {
    return m_position;
}

void QtProgress::showPosition() {
    if (m_dialog.PB1()->value() != m_position) m_dialog.PB1()->setValue(m_position);
}

void QtProgress::setBarVisible(bool visible) {
    m_dialog.PB1()->setVisible(visible);
}

void QtProgress::show() {
    showPosition();
    m_dialog.show();
    m_dialog.raise();
    m_dialog.Button1()->setFocus();
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
