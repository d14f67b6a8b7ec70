#include "preferences/TVXPreferencesController.h"

#include "preferences/CustomCSSPreferencesViewController.h"
#include "preferences/GeneralPreferencesViewController.h"
#include "preferences/ScriptAssetsPreferencesViewController.h"
#include "preferences/TVXPreferencesWindowController.h"
#include "preferences/TVXNavigatorPreferencesViewController.h"
#include "preferences/TVXStylesPreferencesViewController.h"
#include "preferences/TVXTextEditorPreferencesViewController.h"
#include "preview/RealPreviewPreferencesViewController.h"

namespace penwick {

TVXPreferencesController::TVXPreferencesController(QObject* parent)
    : QObject(parent)
{
}

TVXPreferencesController::~TVXPreferencesController()
{
    delete m_windowController;
}

void TVXPreferencesController::openPreferences()
{
    preferencesWindowController()->showWindow();
}

TVXPreferencesWindowController* TVXPreferencesController::preferencesWindowController()
{
    if (!m_windowController) {
        const QList<PreferencePane*> panes {
            new GeneralPreferencesViewController,
            new TVXTextEditorPreferencesViewController,
            new TVXStylesPreferencesViewController,
            new RealPreviewPreferencesViewController,
            new CustomCSSPreferencesViewController,
            new ScriptAssetsPreferencesViewController,
            new TVXNavigatorPreferencesViewController,
        };
        m_windowController = new TVXPreferencesWindowController(panes, QStringLiteral("Preferences"));
    }
    return m_windowController;
}

} // namespace penwick
