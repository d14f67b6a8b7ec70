#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace penwick::platform {

// File names as bytes and as text, without loss. Valid UTF-8 reads as its characters; each
// byte that is not part of valid UTF-8 reads as the lone surrogate U+DC80..U+DCFF of its
// value, and writes back as that byte. So a name such as "bad\xffname.md" shows as text yet
// still names its own file (Qt's own decoding turns the byte into U+FFFD, which names none).
QString decodeFileName(const QByteArray& bytes);
QByteArray encodeFileName(const QString& name);
// Whether the text holds a byte that is not UTF-8 (Qt's file classes cannot reach such a file).
bool hasUndecodableBytes(const QString& name);

// What Qt's file classes would say of a path, for every name (links followed).
bool pathExists(const QString& path);
QDateTime lastModified(const QString& path);

} // namespace penwick::platform
