// SPDX-License-Identifier: MIT
// Label1, the strip above the message list that names the folder shown.
// It is also a button: a click opens the folder browser.
#pragma once

#include <QLabel>

namespace pelmora::app {

class FolderCaption : public QLabel {
    Q_OBJECT
public:
    explicit FolderCaption(QWidget* parent = nullptr);

    // White normally, aqua while the mouse is over the strip.
    QColor textColor() const;

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setTextColor(const QColor& color);
};

}  // namespace pelmora::app
