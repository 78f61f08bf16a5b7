// SPDX-License-Identifier: MIT
// Answering modal windows from a test: the handler runs inside the modal
// loop as soon as the window is up, the way a user's click would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

namespace pelmora::test {

// Calls handler with the next modal window that appears; returns at once.
// The handler belongs to the test (and data row) that armed it: a test that
// failed before its window came up leaves it behind, and it then disarms
// itself instead of running on the next test's window with references into
// a finished test's stack. When the handler's own checks fail, it closes the
// window so that the failed test ends instead of waiting on it.
inline void whenModal(std::function<void(QWidget*)> handler) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    const QByteArray function(QTest::currentTestFunction());
    const QByteArray row(QTest::currentDataTag());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handler, function, row] {
        if (QTest::currentTestFailed() || function != QTest::currentTestFunction() ||
            row != QTest::currentDataTag()) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        QPointer<QWidget> window(modal);
        handler(modal);
        if (QTest::currentTestFailed() && window && window->isVisible()) window->close();
    });
    timer->start();
}

// Types name into a file dialog's name field and accepts, as a user does.
// (QFileDialog::selectFile leaves the field alone while it has the keyboard
// focus, and whether it has depends on the windows shown before.)
inline void typeFileNameAndAccept(QFileDialog* dialog, const QString& name) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(field != nullptr);
    field->selectAll();
    QTest::keyClicks(field, name);
    QCOMPARE(field->text(), name);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
}

// Puts a fake xdg-open first on PATH for the life of the object: it writes
// its arguments, one per line, to "arguments" beside it and exits with
// status; with no status there is no xdg-open on PATH at all.
class FakeOpener {
public:
    explicit FakeOpener(std::optional<int> status) : m_path(qgetenv("PATH")) {
        if (status) {
            QFile script(m_bin.filePath(QStringLiteral("xdg-open")));
            if (script.open(QIODevice::WriteOnly)) {
                script.write(
                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname "
                    "\"$0\")/arguments\"\n"
                    "exit " +
                    QByteArray::number(*status) + "\n");
                script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
            qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + m_path);
        } else {
            qputenv("PATH", QFile::encodeName(m_bin.path()));
        }
    }
    ~FakeOpener() { qputenv("PATH", m_path); }
    QString arguments() const {
        QFile file(m_bin.filePath(QStringLiteral("arguments")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir m_bin;
    QByteArray m_path;
};

// Every label and button lies inside its parent and shows its whole text
// in the dialog's font: fixed-size dialogs cannot grow to fit.
inline void verifyTextsFit(QWidget& dialog) {
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        QVERIFY2(child->parentWidget()->rect().contains(child->geometry()), qPrintable(child->objectName()));
        if (auto* label = qobject_cast<QLabel*>(child); label && !label->text().isEmpty()) {
            const QSize needed = label->sizeHint();
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height() + 4,
                     qPrintable(label->objectName()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            // A push button's size hint has a style minimum; what counts is the text.
            QString text = button->text();
            text.remove(QLatin1Char('&'));
            const int needed = button->fontMetrics().horizontalAdvance(text) + 6;
            QVERIFY2(needed <= button->width(), qPrintable(button->objectName()));
        }
    }
}

}  // namespace pelmora::test
