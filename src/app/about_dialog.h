// SPDX-License-Identifier: MIT
// TForm5, the about box: created by the About command, shown modally and
// destroyed when closed.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QUrl>

class QPushButton;

namespace pelmora::app {

// The maker's web page the about box links to.
inline constexpr const char* kMakerUrl = "https://brantole.example/pelmora/";

// "Version 4.7": the major and minor numbers only, never release or build.
QString versionText(int major, int minor);

// A label that reads like a link: blue, underlined while the mouse is over
// it, and opening its address with the desktop's handler when clicked.
class UrlLabel : public QLabel {
    Q_OBJECT
public:
    explicit UrlLabel(const QUrl& url, QWidget* parent = nullptr);
    const QUrl& url() const { return m_url; }

signals:
    void activated(const QUrl& url);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setUnderlined(bool on);

    QUrl m_url;
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* ProductName() const { return m_productName; }
    QLabel* Version() const { return m_version; }
    UrlLabel* URL() const { return m_url; }
    QPushButton* OKButton() const { return m_okButton; }

    void reject() override;

private:
    QLabel* m_productName;
    QLabel* m_version;
    UrlLabel* m_url;
    QPushButton* m_okButton;
};

}  // namespace pelmora::app
