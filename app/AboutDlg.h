#pragma once

#include <QDialog>

class QLabel;

// The about box: one line with the product name and version, white on dark grey.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString VersionText();
    QLabel* versionLabel() const { return m_pVersion; }

private:
    QLabel* m_pVersion = nullptr;
};
