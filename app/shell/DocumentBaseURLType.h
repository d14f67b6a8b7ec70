#pragma once

#include <QVariant>
#include <QtGlobal>

#include <optional>

namespace penwick {

// Where the preview of a document resolves relative links and images.
enum class DocumentBaseURLType : quint8 {
    None = 0,         // nowhere
    ParentPath = 1,   // the folder holding the file
    RootFolder = 2,   // the sidebar root the file was opened from
    CustomFolder = 3, // the folder chosen for that root
};

// The type of a stored raw value; nothing outside 0 to 3 (negative values read as unsigned).
inline std::optional<DocumentBaseURLType> documentBaseURLTypeFromRaw(qint64 raw)
{
    if (static_cast<quint64>(raw) > 3)
        return std::nullopt;
    return static_cast<DocumentBaseURLType>(raw);
}

// Whether a stored value is a whole number (the only kind a stored type may be).
inline bool isStoredInteger(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace penwick
