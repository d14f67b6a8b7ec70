#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <memory>

namespace penwick {

using platform::UserDefaults;

std::optional<QString> TVXNavigatorPreferencesFactory::ignoredFilesAndFoldersString()
{
    const QVariant value = UserDefaults::standard().object(IGNORED_FILES_AND_FOLDERS);
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

void TVXNavigatorPreferencesFactory::setIgnoredFilesAndFoldersString(const QString& list)
{
    QString cleaned = list;
    cleaned.remove(QLatin1Char(' '));
    cleaned.replace(QLatin1Char(','), QLatin1Char(';'));
    UserDefaults::standard().setValue(IGNORED_FILES_AND_FOLDERS, cleaned);
    platform::NotificationCenter::defaultCenter().post(IGNORE_FILES_AND_FOLDERS_CHANGED);
}

bool TVXNavigatorPreferencesFactory::shouldIgnoreHiddenFilesAndFolders()
{
    return UserDefaults::standard().boolForKey(SHOULD_IGNORE_HIDDEN);
}

void TVXNavigatorPreferencesFactory::setShouldIgnoreHiddenFilesAndFolders(bool value)
{
    UserDefaults::standard().setValue(SHOULD_IGNORE_HIDDEN, value);
    platform::NotificationCenter::defaultCenter().post(IGNORE_FILES_AND_FOLDERS_CHANGED);
}

QStringList TVXNavigatorPreferencesFactory::regexCompatiblePieces(const QString& list)
{
    const QString shorthand = replace(list, QStringLiteral("*."), QStringLiteral(".*."));
    // The preferences tell the user that * stands for any text: a star that repeats no
    // wildcard, escape, group or class ("draft*", "*~") becomes ".*".
    QString expression;
    expression.reserve(shorthand.size() + 8);
    for (qsizetype i = 0; i < shorthand.size(); ++i) {
        const QChar c = shorthand.at(i);
        const QChar before = i > 0 ? shorthand.at(i - 1) : QChar();
        const bool repeatsSomething = i > 0 && QStringLiteral(".\\)]}").contains(before);
        if (c == QLatin1Char('*') && !repeatsSomething)
            expression += QStringLiteral(".*");
        else
            expression += c;
    }
    return expression.split(QLatin1Char(';'));
}

std::optional<QString> TVXNavigatorPreferencesFactory::regexCompatibleIgnoredFilesAndFoldersString()
{
    const std::optional<QString> list = ignoredFilesAndFoldersString();
    if (!list)
        return std::nullopt;
    return regexCompatiblePieces(*list).join(QLatin1Char('|'));
}

const IgnorePattern& TVXNavigatorPreferencesFactory::currentPattern()
{
    // Quick Open asks for every path it finds: compile only when the setting changed.
    static std::unique_ptr<IgnorePattern> cached;
    static std::optional<QString> cachedList;
    const std::optional<QString> list = ignoredFilesAndFoldersString();
    if (!cached || list != cachedList) {
        cachedList = list;
        cached = list ? std::make_unique<IgnorePattern>(regexCompatiblePieces(*list).join(QLatin1Char('|')), regexCompatiblePieces(*list))
                      : std::make_unique<IgnorePattern>();
    }
    return *cached;
}

QStringList TVXNavigatorPreferencesFactory::filterArray(const QStringList& paths, const IgnorePattern& pattern)
{
    QStringList kept;
    kept.reserve(paths.size());
    for (const QString& path : paths) {
        if (!pattern.matches(lastPathComponent(path)))
            kept.append(path);
    }
    return kept;
}

QStringList TVXNavigatorPreferencesFactory::applyPreferredFilterToArray(const QStringList& paths)
{
    return filterArray(paths, currentPattern());
}

bool TVXNavigatorPreferencesFactory::shouldIgnorePath(const QString& path)
{
    return currentPattern().matches(lastPathComponent(path));
}

} // namespace penwick
