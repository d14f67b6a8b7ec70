#pragma once

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

namespace penwick::test {

// Makes the file (and its folders) with the given text.
inline bool makeFile(const QString& path, const QByteArray& text = QByteArray())
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text);
    return true;
}

inline bool makeFolder(const QString& path)
{
    return QDir().mkpath(path);
}

// Last path components of the paths, in order.
inline QStringList names(const QStringList& paths)
{
    QStringList out;
    for (const QString& path : paths)
        out << path.section(QLatin1Char('/'), -1);
    return out;
}

} // namespace penwick::test
