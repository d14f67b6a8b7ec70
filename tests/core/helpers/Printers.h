#pragma once

// Readable failure messages for the helpers' value types.
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"

#include <ostream>

namespace penwick {

inline void PrintTo(const UTF16Range& range, std::ostream* os)
{
    *os << "{location " << range.location << ", length " << range.length << "}";
}

inline void PrintTo(const CharacterRange& range, std::ostream* os)
{
    *os << "[" << range.lowerBound << ", " << range.upperBound << ")";
}

inline void PrintTo(const FileError& error, std::ostream* os)
{
    *os << "FileError(" << error.domain.toStdString() << " " << error.code << ": " << error.message.toStdString() << ")";
}

inline void PrintTo(const PathExistence& found, std::ostream* os)
{
    *os << "{exists " << found.exists << ", isDir " << found.isDir << "}";
}

} // namespace penwick
