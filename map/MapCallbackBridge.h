#pragma once

#include <QObject>
#include <QString>

// The object the map page's callback listener talks to over the web channel:
// it passes on the value of the page's hidden callback button, nothing else.
class CMapCallbackBridge : public QObject {
    Q_OBJECT

public:
    explicit CMapCallbackBridge(QObject* parent = nullptr);

    Q_INVOKABLE void report(const QString& value);

signals:
    void reported(const QString& value);
};
