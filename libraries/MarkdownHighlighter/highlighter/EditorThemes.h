#pragma once

#include <QString>

#include <optional>

namespace penwick {

// The text of a theme file, read as UTF-8; none (and `error` set) when it cannot be read.
std::optional<QString> readEditorTheme(const QString& path, QString* error = nullptr);

} // namespace penwick
