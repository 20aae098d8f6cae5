#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

// Runs the widget tests inside one QApplication, with HOME and the XDG
// folders in a temporary directory; without a display the offscreen
// platform is used.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (home.isValid()) {
        const QByteArray root = home.path().toLocal8Bit();
        qputenv("HOME", root);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            const QByteArray dir = root + "/" + QByteArray(name).toLower();
            QDir().mkpath(QString::fromLocal8Bit(dir));
            qputenv(name, dir);
        }
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
