#pragma once

#include <QString>

namespace penwick::platform {

// True when a windowing system is reachable. Without one, Qt would abort at start-up;
// callers print `noDisplayMessage()` and leave cleanly instead.
bool hasDisplay();
QString noDisplayMessage(const QString& programName, const QString& command);

// Chromium switches and attributes the web views need; call before the QApplication exists.
void prepareWebEngine();

// Large freed blocks stay with the process instead of going back to the system at once. Laying
// out a long paragraph allocates tens of bytes per character anew on every edit; fresh pages
// from the system cost more than the layout itself. Call before the QApplication exists.
void keepLargeFreedMemory();

} // namespace penwick::platform
