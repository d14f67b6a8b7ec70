#pragma once

#include "sidebar/IgnorePattern.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace penwick {

// The two settings that decide which files and folders the folder tree hides, the
// ignore expression built from them and the name tests on it.
class TVXNavigatorPreferencesFactory {
public:
    TVXNavigatorPreferencesFactory() = delete;

    static inline const QString IGNORED_FILES_AND_FOLDERS = QStringLiteral("ignoredFilesAndFoldersPreference");
    static inline const QString SHOULD_IGNORE_HIDDEN = QStringLiteral("shouldIgnoreHiddenFilesAndFolders");
    static inline const QString IGNORE_FILES_AND_FOLDERS_CHANGED = QStringLiteral("IgnoreFilesAndFoldersChangedNotification");

    // The stored list (patterns separated by ";"), or nothing.
    static std::optional<QString> ignoredFilesAndFoldersString();
    // Drops every space, turns "," into ";", stores and announces the list.
    static void setIgnoredFilesAndFoldersString(const QString& list);
    static bool shouldIgnoreHiddenFilesAndFolders();
    static void setShouldIgnoreHiddenFilesAndFolders(bool value);

    // "*." becomes ".*.", then the ";" pieces are joined with "|"; nothing when no list is stored.
    static std::optional<QString> regexCompatibleIgnoredFilesAndFoldersString();
    // The pieces that expression joins.
    static QStringList regexCompatiblePieces(const QString& list);
    // The current expression, compiled once per distinct expression.
    static const IgnorePattern& currentPattern();

    // The paths whose last component the pattern does not match, order kept.
    static QStringList filterArray(const QStringList& paths, const IgnorePattern& pattern);
    static QStringList applyPreferredFilterToArray(const QStringList& paths);
    // Whether the path's last component matches the current expression.
    static bool shouldIgnorePath(const QString& path);
};

} // namespace penwick
