#include "preferences/PreviewPreferencesSynchronizer.h"

#include "preferences/ThemesFactory.h"
#include "platform/UserDefaults.h"
#include "common/MagicStrings.h"
#include "common/Prefs.h"

namespace penwick {

PreviewPreferencesSynchronizer& PreviewPreferencesSynchronizer::sharedInstance()
{
    static PreviewPreferencesSynchronizer instance;
    return instance;
}

std::optional<QString> PreviewPreferencesSynchronizer::stylePathForName(const QString& name) const
{
    return ThemesFactory::sharedInstance().pathForThemeName(name, PreviewStrings::STYLE_EXT, PreviewStrings::STYLES_FOLDER);
}

std::optional<QString> PreviewPreferencesSynchronizer::getPreferredStylePath() const
{
    const QVariant value = platform::UserDefaults::standard().object(Prefs::PREVIEW_STYLE_NAME);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return stylePathForName(value.toString());
}

void PreviewPreferencesSynchronizer::getStyles(QObject* requester, ThemeListCompletion completion) const
{
    loadThemeList(requester, PreviewStrings::STYLE_EXT, PreviewStrings::STYLES_FOLDER, std::move(completion));
}

QStringList PreviewPreferencesSynchronizer::getSyntaxStyles()
{
    return { QStringLiteral("prism-coy"), QStringLiteral("prism-dark"), QStringLiteral("prism-default"),
        QStringLiteral("prism-funky"), QStringLiteral("prism-okaidia"), QStringLiteral("prism-twilight"),
        QStringLiteral("prism-solarized") };
}

} // namespace penwick
