// velto-player [FILE...]: plays dash camera recordings; the files named on the
// command line are imported into the playlist in order and the first plays.

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>

#include <cstdio>

#include "PlayerApp.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("VELTO_TRACE_STARTUP")) {
        std::fprintf(stderr, "velto-player: main entered at %lld ms since the epoch\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    }
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velto-player"));
    QApplication::setApplicationVersion(QStringLiteral(VELTO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velto-player"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dash camera recording player"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Recordings (.MOV, .MP4) to add to the playlist."),
                                 QStringLiteral("[FILE...]"));
    parser.process(app);

    QStringList rejected;
    const QStringList files =
        CPlayerApp::RecordingsFromArguments(parser.positionalArguments(), &rejected);
    for (const QString& arg : rejected) {
        std::fprintf(stderr, "velto-player: %s: not a .MOV or .MP4 file, skipped\n",
                     qPrintable(arg));
    }
    CPlayerApp player(app);
    return player.Run(files);
}
