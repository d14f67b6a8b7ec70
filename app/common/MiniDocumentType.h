#pragma once

#include <QString>

#include <optional>

namespace penwick {

// The kind of a note URL: "pwscratch" for a scratch note, "pwshadow" for a shadow note.
enum class MiniDocumentType { Scratch = 0, Shadow = 1 };

// None for every raw value other than 0 and 1.
std::optional<MiniDocumentType> miniDocumentTypeFromRawValue(int rawValue);

// The kind of the URL in `urlString`; none for no text, a text that is not a URL, a URL
// without a scheme or with another scheme. The scheme is compared exactly ("PWSCRATCH" is
// none), which QUrl alone cannot do: it lower-cases schemes.
std::optional<MiniDocumentType> miniDocumentType(const std::optional<QString>& urlString);

} // namespace penwick
