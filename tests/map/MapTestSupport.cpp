#include "MapTestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

namespace maptest {

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv, QTemporaryDir& home) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
    }
    const QByteArray root = home.path().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    qputenv("XDG_RUNTIME_DIR", root + "/run");
    QDir().mkpath(home.path() + "/run");
    QFile::setPermissions(home.path() + "/run",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return std::make_unique<QApplication>(argc, argv);
}

QVariant Evaluate(QWebEnginePage* page, const QString& script, int timeoutMs) {
    QVariant result;
    bool done = false;
    QEventLoop loop;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
        loop.quit();
    });
    if (!done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result;
}

QJsonObject PageState(QWebEnginePage* page) {
    const QString text =
        Evaluate(page, QStringLiteral("window.__veltoState ? window.__veltoState() : ''"))
            .toString();
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

}  // namespace maptest
