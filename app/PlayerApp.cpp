#include "PlayerApp.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "PlayerDlg.h"
#include "RecordingName.h"

void CPlayerApp::ChoosePlatform() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

void CPlayerApp::PrepareProcess() {
    ChoosePlatform();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The video window is native; its siblings need not be.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
}

void CPlayerApp::ApplyStyle(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        app.setStyle(fusion);
    }
    app.setPalette(CPlayerDlg::DarkPalette());
}

QStringList CPlayerApp::RecordingsFromArguments(const QStringList& args, QStringList* rejected) {
    QStringList recordings;
    for (const QString& arg : args) {
        const QFileInfo info(arg);
        if (info.isFile() && IsRecordingExtension(UpperExtension(arg.toStdString()))) {
            recordings << info.absoluteFilePath();
        } else if (rejected) {
            rejected->append(arg);
        }
    }
    return recordings;
}

CPlayerApp::CPlayerApp(QApplication& app) : m_app(app) {}

int CPlayerApp::Run(const QStringList& files) {
    ApplyStyle(m_app);
    // The window constructs the engine (libvlc) before any window exists and
    // shows itself maximised at the end of its initialisation.
    auto dlg = std::make_unique<CPlayerDlg>();
    if (qEnvironmentVariableIsSet("VELTO_TRACE_STARTUP")) {
        std::fprintf(stderr, "velto-player: window shown at %lld ms since the epoch\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    }
    if (!files.isEmpty()) {
        CPlayerDlg* window = dlg.get();
        QTimer::singleShot(0, window, [window, files] { window->ImportPaths(files); });
    }
    dlg->exec();
    dlg.reset();  // engine released, map view and video window deleted
    return 0;
}
