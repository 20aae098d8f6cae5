#include "AboutDlg.h"

#include "DialogUnits.h"
#include "PlayerColours.h"

#include <QLabel>
#include <QPalette>

namespace {

const QColor kBackground(32, 32, 32);

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QFont font = this->font();
    font.setPointSize(9);
    setFont(font);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Button, kBackground);
    pal.setColor(QPalette::ButtonText, kTextBlue);
    setPalette(pal);
    setAutoFillBackground(true);

    m_pVersion = new QLabel(VersionText(), this);
    // Two pixels taller than the template's line, for the descenders.
    m_pVersion->setGeometry(DialogUnitsToPixels(font, 9, 7, 192, 8).adjusted(0, 0, 0, 2));
    setFixedSize(DialogUnitsToPixels(font, 0, 0, 201, 65).size());
}

QString CAboutDlg::VersionText() {
    return QStringLiteral("Velto Player Version " VELTO_VERSION);
}
