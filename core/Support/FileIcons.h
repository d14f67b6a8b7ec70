#pragma once

#include <QIcon>
#include <QString>

namespace penwick {

// The icon the desktop shows for a file or folder (by its kind), or for a program's
// executable; a generic file icon when the path names nothing.
QIcon iconForFile(const QString& path);

} // namespace penwick
