#pragma once

#include "sidebar/IgnorePattern.h"

#include <QString>

#include <optional>
#include <vector>

namespace penwick {

// One entry of a folder listing, with its kind as the listing found it.
struct FolderEntry {
    QString path;
    bool isDirectory = false;

    bool operator==(const FolderEntry&) const = default;
};

// Lists folders with the ignore rules as they were when the service was made.
class TVXFileSystemFilterService {
public:
    // Takes the current ignore expression and hidden-files flag.
    TVXFileSystemFilterService();
    // A service with the given rules (no expression: nothing is ignored by name).
    TVXFileSystemFilterService(std::optional<QString> expression, bool ignoreHidden);

    std::optional<QString> immutableRegex() const { return m_expression; }
    // Sets the expression when none is set yet; otherwise keeps the old one and logs.
    void setImmutableRegex(const QString& expression);
    bool shouldIgnoreHiddenFilesAndFolders() const { return m_ignoreHidden; }

    // The folder's entries without hidden (when asked) and ignored names, folders first,
    // then by name in code-point order; nothing when the folder cannot be read.
    std::optional<std::vector<FolderEntry>> getFilteredContentsForDirectoryAtPath(const QString& path) const;
    // Whether the listing would leave out an entry of this name.
    bool shouldSkipName(const QString& name) const;

private:
    std::optional<QString> m_expression;
    IgnorePattern m_pattern;
    bool m_ignoreHidden = false;
};

} // namespace penwick
