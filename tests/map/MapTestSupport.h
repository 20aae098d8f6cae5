#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>
#include <memory>

#include "GuiTestEnvironment.h"

class QApplication;
class QWebEnginePage;

namespace maptest {

// Prepares the process for Qt WebEngine under Xvfb (no GPU, shared GL
// contexts) and creates the application object; a GuiTestEnvironment made
// before gives it its temporary home and turns the sandbox off.
std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv);

// Runs script in the page's main world and waits for its result.
QVariant Evaluate(QWebEnginePage* page, const QString& script, int timeoutMs = 10000);

// The page's own state as reported by window.__veltoState().
QJsonObject PageState(QWebEnginePage* page);

// Waits as velto::testing::WaitFor does, long enough for a page to load.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
    return velto::testing::WaitFor(condition, timeoutMs);
}

}  // namespace maptest
