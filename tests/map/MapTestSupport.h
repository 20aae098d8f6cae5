#pragma once

#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QApplication;
class QWebEnginePage;

namespace maptest {

// Prepares the process for Qt WebEngine under Xvfb as root (sandbox off, HOME
// and XDG folders in a temp folder) and creates the application object.
std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv, QTemporaryDir& home);

// Runs script in the page's main world and waits for its result.
QVariant Evaluate(QWebEnginePage* page, const QString& script, int timeoutMs = 10000);

// The page's own state as reported by window.__veltoState().
QJsonObject PageState(QWebEnginePage* page);

// Processes events until condition holds or timeoutMs passes; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000);

}  // namespace maptest
