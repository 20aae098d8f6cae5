#include "AboutDlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>

namespace {

const QColor kBackground(32, 32, 32);
const QColor kButtonText(130, 149, 179);

// Dialog units of the about box's layout, converted with the font's base units.
struct DialogUnits {
    int baseX;
    int baseY;
    int X(int du) const { return du * baseX / 4; }
    int Y(int du) const { return du * baseY / 8; }
};

DialogUnits UnitsFor(const QFont& font) {
    QFontMetrics fm(font);
    return DialogUnits{fm.averageCharWidth(), fm.height()};
}

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
    pal.setColor(QPalette::ButtonText, kButtonText);
    setPalette(pal);
    setAutoFillBackground(true);

    const DialogUnits du = UnitsFor(font);
    m_pVersion = new QLabel(VersionText(), this);
    m_pVersion->setGeometry(du.X(9), du.Y(7), du.X(192), du.Y(8) + 2);
    setFixedSize(du.X(201), du.Y(65));
}

QString CAboutDlg::VersionText() {
    return QStringLiteral("Velto Player Version 2.3.1.7");
}
