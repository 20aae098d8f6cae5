#pragma once

#include <QStringList>

class QApplication;

// The application: prepares the process, runs the main window modally and
// releases everything in order when it closes.
class CPlayerApp {
public:
    // Must run before the QApplication exists: platform choice under
    // Wayland (libvlc embeds its video in an X11 window) and the
    // application attributes Qt WebEngine and the native video window need.
    static void PrepareProcess();
    // Under Wayland, unless a platform was chosen, asks Qt for xcb.
    static void ChoosePlatform();
    // The player's look (Fusion style, dark palette) for every window.
    static void ApplyStyle(QApplication& app);
    // Splits command-line paths into recordings (existing .MOV/.MP4 files,
    // in order, as absolute paths) and the rest.
    static QStringList RecordingsFromArguments(const QStringList& args, QStringList* rejected);

    explicit CPlayerApp(QApplication& app);
    // Shows the main window, imports `files` into its playlist once it is
    // shown, and returns when the window has closed.
    int Run(const QStringList& files);

private:
    QApplication& m_app;
};
