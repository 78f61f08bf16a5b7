// SPDX-License-Identifier: MIT
// Answering modal windows from a test: the handler runs inside the modal
// loop as soon as the window is up, the way a user's click would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

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
