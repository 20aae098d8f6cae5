#include "MapCallbackBridge.h"

CMapCallbackBridge::CMapCallbackBridge(QObject* parent) : QObject(parent) {}

void CMapCallbackBridge::report(const QString& value) {
    emit reported(value);
}
