#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace penwick {

// An editor theme style sheet on disk.
struct EditorTheme {
    QString name; // the file name without ".txt"
    QString path;
    bool isUserTheme = false;

    bool operator==(const EditorTheme&) const = default;
};

// The themes shipped with the programs ("Themes" among the resources).
QString bundledEditorThemesDirectory();
// The user's own themes: "~/.penwick/Themes/".
QString userEditorThemesDirectory();

// Shipped themes, then the user's, each sorted by name; only ".txt" files count.
QList<EditorTheme> availableEditorThemes();

// The text of a theme file, read as UTF-8; none (and `error` set) when it cannot be read.
std::optional<QString> readEditorTheme(const QString& path, QString* error = nullptr);

} // namespace penwick
