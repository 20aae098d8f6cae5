#pragma once

// What the GUI tests and benchmarks share: a private home for the process,
// the sample recordings made by the build, and waiting for a condition while
// events are processed.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace velto::testing {

// Points HOME and the XDG folders into a temporary folder that lives as long
// as this object, with a private runtime folder (0700), and turns the web
// engine's sandbox off (the tests run as root under Xvfb). Create it first
// in main(), before the application object.
class GuiTestEnvironment {
public:
    GuiTestEnvironment() {
        if (!m_home.isValid()) {
            return;
        }
        const QByteArray root = m_home.path().toUtf8();
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", root + "/.config");
        qputenv("XDG_DATA_HOME", root + "/.local/share");
        qputenv("XDG_CACHE_HOME", root + "/.cache");
        qputenv("XDG_RUNTIME_DIR", root + "/run");
        QDir().mkpath(m_home.path() + "/run");
        QFile::setPermissions(m_home.path() + "/run",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }

    GuiTestEnvironment(const GuiTestEnvironment&) = delete;
    GuiTestEnvironment& operator=(const GuiTestEnvironment&) = delete;

    // The temporary home folder.
    QString HomePath() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
};

// Processes events until condition holds or timeoutMs passes; returns the condition.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// While it lives, reads and closes every message box the program opens, as the user
// would (the box's own event loop keeps running the timer).
class MessageBoxReader {
public:
    MessageBoxReader() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        m_timer.start(50);
    }
    MessageBoxReader(const MessageBoxReader&) = delete;
    MessageBoxReader& operator=(const MessageBoxReader&) = delete;

    QStringList texts;  // in the order the boxes opened

private:
    QTimer m_timer;
};

#if defined(VELTO_SAMPLES_DIR) && defined(VELTO_SOURCE_DIR)
// The four sample recordings made by the samples target, in name order, or
// empty when they are not there. The environment variable VELTO_SAMPLES_DIR
// may point at another folder of them.
inline QStringList SampleRecordings() {
    for (const QString& dir :
         {qEnvironmentVariable("VELTO_SAMPLES_DIR"), QStringLiteral(VELTO_SAMPLES_DIR),
          QStringLiteral(VELTO_SOURCE_DIR "/build/samples")}) {
        if (dir.isEmpty()) {
            continue;
        }
        const QStringList found =
            QDir(dir).entryList({"*.MOV", "*.MP4", "*.mov", "*.mp4"}, QDir::Files, QDir::Name);
        if (found.size() >= 4) {
            QStringList paths;
            for (const QString& name : found.mid(0, 4)) {
                paths << QDir(dir).filePath(name);
            }
            return paths;
        }
    }
    return {};
}
#endif

}  // namespace velto::testing
