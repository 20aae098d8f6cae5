#include "MapTestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <QWebEnginePage>

namespace maptest {

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
    }
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

}  // namespace maptest
