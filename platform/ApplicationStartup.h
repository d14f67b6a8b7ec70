#pragma once

#include <QString>

namespace penwick::platform {

// True when a windowing system is reachable. Without one, Qt would abort at start-up;
// callers print `noDisplayMessage()` and leave cleanly instead.
bool hasDisplay();
QString noDisplayMessage(const QString& programName, const QString& command);

// Chromium switches and attributes the web views need; call before the QApplication exists.
void prepareWebEngine();

} // namespace penwick::platform
