#pragma once

#include <QString>

namespace penwick::platform {

// A failed document operation: a domain, a code within it and a readable message.
struct DocumentError {
    // Codes of the file layer's own domain, for reads and writes that the system refused.
    static inline const QString fileDomain = QStringLiteral("FileErrorDomain");
    enum FileCode {
        FileReadUnknown = 256,
        FileReadNoPermission = 257,
        FileReadNoSuchFile = 260,
        FileReadNotRegularFile = 262, // a pipe, a device or a socket: reading it would never end
        FileReadTooLarge = 263,       // larger than a document may be
        FileWriteUnknown = 512,
        FileWriteNoPermission = 513,
        FileWriteOutOfSpace = 640,
        UserCancelled = 3072,
    };

    QString domain;
    int code = 0;
    QString message;

    QString localizedDescription() const { return message; }
};

} // namespace penwick::platform
