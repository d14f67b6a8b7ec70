#pragma once

#include <QString>

#include <optional>

namespace penwick::platform {

// Moves a file or folder to the user's trash as the freedesktop.org trash format
// lays it out, so that file managers list it and can put it back: the home trash
// ($XDG_DATA_HOME/Trash) for items on the home trash's file system, else the trash at the
// top of the item's own file system (".Trash/$uid" when the administrator made one, else
// ".Trash-$uid"). The ".trashinfo" file holds the original path percent-encoded byte for
// byte, so names with spaces, line breaks or bytes that are not UTF-8 come back whole.
// Paths are read with decodeFileName()'s lossless rules. Answers the error's text, or
// nothing on success.
std::optional<QString> moveToTrash(const QString& path);

} // namespace penwick::platform
