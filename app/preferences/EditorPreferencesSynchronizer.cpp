#include "preferences/EditorPreferencesSynchronizer.h"

#include "common/EditorFontSize.h"

#include "preferences/ThemesFactory.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/MagicStrings.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace penwick {

namespace {

constexpr double kMaxMarginPercent = 90.0;

// Truncated toward zero; nothing for NaN, infinities and values no 64-bit integer holds.
std::optional<qint64> truncatedMargin(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double truncated = std::trunc(value);
    // 2^63 is exact in a double; the integer range is [-2^63, 2^63).
    constexpr double limit = 9223372036854775808.0;
    if (truncated < -limit || truncated >= limit)
        return std::nullopt;
    return static_cast<qint64>(truncated);
}

} // namespace

EditorPreferencesSynchronizer& EditorPreferencesSynchronizer::sharedInstance()
{
    static EditorPreferencesSynchronizer instance;
    return instance;
}

std::optional<QString> EditorPreferencesSynchronizer::themePathForName(const QString& name) const
{
    return ThemesFactory::sharedInstance().pathForThemeName(name, EditorStrings::THEME_EXT, EditorStrings::THEMES_FOLDER);
}

std::optional<QString> EditorPreferencesSynchronizer::getPreferredThemePath() const
{
    const QVariant value = platform::UserDefaults::standard().object(Prefs::EDITOR_THEME_NAME);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return themePathForName(value.toString());
}

QString EditorPreferencesSynchronizer::getPreferredFontFamily() const
{
    const QVariant value = platform::UserDefaults::standard().object(Prefs::EDITOR_FONTFAMILY);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return QStringLiteral("Helvetica");
}

QFont EditorPreferencesSynchronizer::getPreferredFont() const
{
    const double size = EditorFontSize::effective(static_cast<float>(platform::UserDefaults::standard().doubleForKey(Prefs::EDITOR_FONTSIZE)));
    QFont font(getPreferredFontFamily());
    font.setPointSizeF(size > 0 ? size : QApplication::font().pointSizeF());
    return font;
}

void EditorPreferencesSynchronizer::getThemes(QObject* requester, ThemeListCompletion completion) const
{
    loadThemeList(requester, EditorStrings::THEME_EXT, EditorStrings::THEMES_FOLDER, std::move(completion));
}

bool EditorPreferencesSynchronizer::setPreferredFullScreenMargin(const QSizeF& fullScreen, const QSizeF& normalScreen)
{
    const auto fullLR = truncatedMargin(fullScreen.width());
    const auto fullTB = truncatedMargin(fullScreen.height());
    const auto normalLR = truncatedMargin(normalScreen.width());
    const auto normalTB = truncatedMargin(normalScreen.height());
    if (!fullLR || !fullTB || !normalLR || !normalTB)
        return false;
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::EDITOR_FULLSCREEN_LR_MARGIN, *fullLR);
    defaults.setValue(Prefs::EDITOR_FULLSCREEN_TB_MARGIN, *fullTB);
    defaults.setValue(Prefs::EDITOR_NORMALSCREEN_LR_MARGIN, *normalLR);
    defaults.setValue(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN, *normalTB);
    platform::NotificationCenter::defaultCenter().post(Notifications::EDITOR_MARGINS_CHANGED, this);
    return true;
}

QSizeF EditorPreferencesSynchronizer::getPreferredMarginForFrame(const QRectF& frame, const QWidget* window) const
{
    const bool fullScreen = window && (window->window()->windowState() & Qt::WindowFullScreen);
    return getPreferredMarginForFrame(frame, fullScreen);
}

QSizeF EditorPreferencesSynchronizer::getPreferredMarginForFrame(const QRectF& frame, bool fullScreen) const
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const qint64 lr = defaults.integerForKey(fullScreen ? Prefs::EDITOR_FULLSCREEN_LR_MARGIN : Prefs::EDITOR_NORMALSCREEN_LR_MARGIN);
    const qint64 tb = defaults.integerForKey(fullScreen ? Prefs::EDITOR_FULLSCREEN_TB_MARGIN : Prefs::EDITOR_NORMALSCREEN_TB_MARGIN);
    // A settings file may hold any number: the margins never go below nothing nor leave
    // the text less than a tenth of the frame.
    const auto shown = [](qint64 percent) { return std::clamp(double(percent), 0.0, kMaxMarginPercent); };
    return QSizeF(shown(lr) * 0.5 * frame.width() / 100.0, shown(tb) * 0.5 * frame.height() / 100.0);
}

} // namespace penwick
