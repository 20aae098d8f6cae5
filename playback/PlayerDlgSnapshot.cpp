// Frame capture of CPlayerDlg: the frame on screen as a JPEG file in the
// Capture folder of the user's Pictures folder, named after the moment.

#include "PlayerDlg.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char* const kCaptureTimeFormat = "yyyy-MM-dd-HH-mm-ss";  // %Y-%m-%d-%H-%M-%S
const char* const kCaptureExtension = ".JPG";

}  // namespace

QString CPlayerDlg::CaptureFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
        .filePath(QStringLiteral("Capture"));
}

QString CPlayerDlg::CaptureFilePath(const QString& folder, const QString& stamp) {
    const QString stem = QDir(folder).filePath(stamp);
    QString path = stem + QLatin1String(kCaptureExtension);
    // A second capture within the same second must not replace the first.
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = stem + QStringLiteral("-%1").arg(n) + QLatin1String(kCaptureExtension);
    }
    return path;
}

void CPlayerDlg::OnCapture() {
    const PlayState s = m_engine.GetState();
    if (s == Stopped || s == NoMedia) {
        return;
    }
    const bool resume = s == Playing;
    if (resume) {
        m_engine.Pause();
    }

    const QString folder = CaptureFolder();
    QDir().mkpath(folder);  // a failure shows as a missing file, nothing more
    const QString path = CaptureFilePath(
        folder, QDateTime::currentDateTime().toString(QLatin1String(kCaptureTimeFormat)));

    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_engine.TakeSnapshot(path.toStdString());
    QApplication::restoreOverrideCursor();

    if (resume) {
        m_engine.Play();
    }
    FocusPlaylist();
}
