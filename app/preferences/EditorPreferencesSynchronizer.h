#pragma once

#include "preferences/ThemeListLoader.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QWidget;

namespace penwick {

// Turns the editor's stored settings into values: the theme file, the font, the theme
// list and the text margins. Keeps no state; every call reads the defaults store.
class EditorPreferencesSynchronizer {
public:
    static EditorPreferencesSynchronizer& sharedInstance();

    // The theme file a name or path stands for (user's first, then the shipped one).
    std::optional<QString> themePathForName(const QString& name) const;
    // The file of "editorThemePreference"; nothing when unset, not a string, or no file.
    std::optional<QString> getPreferredThemePath() const;
    // "textEditorFontfacePreference", else "Helvetica".
    QString getPreferredFontFamily() const;
    // That family at "editorFontSizePreference" points; no size stored (or none usable)
    // gives the application font's size.
    QFont getPreferredFont() const;

    // Every editor theme, shipped then the user's, sorted descending by name, handed to
    // `completion` later on the main thread unless `requester` is gone by then.
    void getThemes(QObject* requester, ThemeListCompletion completion) const;

    // Stores the four margins (percent, truncated toward zero) and posts
    // "EditorMarginsChangedNotification" with this object as sender. A value that is not a
    // finite number within the 64-bit integer range refuses the whole call: nothing is
    // stored or posted, and false is returned.
    bool setPreferredFullScreenMargin(const QSizeF& fullScreen, const QSizeF& normalScreen);

    // The text inset for a text area of `frame`: half the stored percentage of the width and
    // of the height, using the full-screen pair when the window is full screen.
    QSizeF getPreferredMarginForFrame(const QRectF& frame, const QWidget* window) const;
    QSizeF getPreferredMarginForFrame(const QRectF& frame, bool fullScreen) const;
};

} // namespace penwick
