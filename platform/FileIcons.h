#pragma once

#include <QIcon>
#include <QString>

namespace penwick::platform {

// The icon the desktop shows for a file or folder (by its kind), or for a program's
// executable; a generic file icon when the path names nothing.
QIcon iconForFile(const QString& path);

// One icon per kind, cached: every folder shares one, files share one per extension. For
// long lists, where asking per file would cost a disk access each.
QIcon iconForFileKind(const QString& path, bool isDirectory);

// A program's icon from its desktop entry (by desktop-file id, else by the executable named
// in Exec=), else a generic program icon.
QIcon iconForProgram(const QString& executablePath, const QString& desktopId = QString());

} // namespace penwick::platform
