// Stands in for app/PlayerDlgInput.cpp while that file is being written, so
// that the program links. The build uses it only when that file is missing.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>

#include "PlayerDlg.h"

bool CPlayerDlg::eventFilter(QObject* watched, QEvent* event) {
    return QDialog::eventFilter(watched, event);
}

void CPlayerDlg::OnDropFiles(const QStringList& paths) {
    ImportPaths(paths);
}

void CPlayerDlg::OnImportFiles() {}

void CPlayerDlg::OnRemoveEntry() {}

void CPlayerDlg::OnCommand(int) {}

void CPlayerDlg::dragEnterEvent(QDragEnterEvent* event) {
    QDialog::dragEnterEvent(event);
}

void CPlayerDlg::dropEvent(QDropEvent* event) {
    QDialog::dropEvent(event);
}
