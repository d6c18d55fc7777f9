#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace ze6 {

class LinkLabel;

// The About box: title, version with build, the maker's details and two links.
// Fixed size, modal over its owner; a new one is made for every showing.
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

private:
    void Form_Load();
    void lblWebsite_Click();
    void lblEmail_Click();
    void Place(QWidget* control, int left, int top, int width, int height) const;

    QLabel* m_banner = nullptr;
    QLabel* m_lblAppTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblCompanyInfo = nullptr;
    LinkLabel* m_lblWebsite = nullptr;
    LinkLabel* m_lblEmail = nullptr;
    QPushButton* m_cmdOk = nullptr;
};

} // namespace ze6
