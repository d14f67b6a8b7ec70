#include "preferences/IndividualDocumentStyler.h"

#include "Extensions/StringAdditions.h"
#include "preferences/EditorPreferencesSynchronizer.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace penwick {

namespace {

QString defaultTitle(const QString& path)
{
    return QStringLiteral("Default (") + fileName(path) + QLatin1Char(')');
}

bool isPath(const QVariant& value) { return value.typeId() == QMetaType::QString; }

// The menu's entries, separators left out.
QList<QAction*> entries(QMenu* menu)
{
    QList<QAction*> out;
    if (!menu)
        return out;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            out.append(action);
    }
    return out;
}

} // namespace

IndividualDocumentStyler::IndividualDocumentStyler(QMenu* editorStylesMenu, QMenu* previewStylesMenu, int setupDelayMs,
    QObject* parent)
    : QObject(parent)
    , m_editorStylesMenu(editorStylesMenu)
    , m_previewStylesMenu(previewStylesMenu)
    , m_setupDelayMs(setupDelayMs)
{
}

IndividualDocumentStyler::~IndividualDocumentStyler()
{
    m_observations.clear();
    appLog().debug(QStringLiteral("Deinitialized"));
}

void IndividualDocumentStyler::awakeFromNib()
{
    QTimer::singleShot(m_setupDelayMs, this, &IndividualDocumentStyler::setUp);
}

QMenu* IndividualDocumentStyler::menu(Kind kind) const
{
    return kind == Kind::Editor ? m_editorStylesMenu.data() : m_previewStylesMenu.data();
}

void IndividualDocumentStyler::setUp()
{
    buildMenu(Kind::Editor);
    buildMenu(Kind::Preview);
    m_observations.push_back(platform::NotificationCenter::defaultCenter().observe(Notifications::DOCUMENT_SELECTED,
        nullptr, [this](const platform::Notification& n) { handleDocumentSelected(n); }));
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_observations.push_back(defaults.observe(Prefs::PREVIEW_STYLE_NAME, this, [this](const QString&) { retitleDefaultEntry(Kind::Preview); }));
    m_observations.push_back(defaults.observe(Prefs::EDITOR_THEME_NAME, this, [this](const QString&) { retitleDefaultEntry(Kind::Editor); }));
}

void IndividualDocumentStyler::buildMenu(Kind kind)
{
    QMenu* target = menu(kind);
    if (!target)
        return;
    target->clear();
    const std::optional<QString> global = kind == Kind::Editor
        ? EditorPreferencesSynchronizer::sharedInstance().getPreferredThemePath()
        : PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath();
    auto choose = [this, kind](QAction* action) { selectEntry(kind, action); };
    if (global) {
        QAction* entry = target->addAction(defaultTitle(*global));
        entry->setCheckable(true);
        entry->setChecked(true);
        connect(entry, &QAction::triggered, this, [entry, choose] { choose(entry); });
        target->addSeparator();
    }
    auto append = [this, target = QPointer<QMenu>(target), choose](const ThemeItems& items) {
        if (!target)
            return;
        for (const ThemeItem& item : items) {
            QAction* entry = target->addAction(item.displayName());
            entry->setCheckable(true);
            entry->setData(item.path());
            connect(entry, &QAction::triggered, this, [entry, choose] { choose(entry); });
        }
    };
    if (kind == Kind::Editor)
        EditorPreferencesSynchronizer::sharedInstance().getThemes(this, append);
    else
        PreviewPreferencesSynchronizer::sharedInstance().getStyles(this, append);
}

void IndividualDocumentStyler::checkPath(QMenu* target, const QVariant& path)
{
    const QList<QAction*> all = entries(target);
    bool checked = false;
    for (QAction* entry : all) {
        const bool match = isPath(path) && isPath(entry->data()) && entry->data().toString() == path.toString();
        entry->setChecked(match);
        checked = checked || match;
    }
    if (!checked && !all.isEmpty())
        all.first()->setChecked(true);
}

void IndividualDocumentStyler::handleDocumentSelected(const platform::Notification& notification)
{
    checkPath(m_editorStylesMenu, notification.userInfo.value(QStringLiteral("editorThemePath")));
    checkPath(m_previewStylesMenu, notification.userInfo.value(QStringLiteral("previewStylePath")));
}

void IndividualDocumentStyler::selectEntry(Kind kind, QAction* sender)
{
    for (QAction* entry : entries(menu(kind)))
        entry->setChecked(false);
    sender->setChecked(true);
    const QVariant path = isPath(sender->data()) ? sender->data() : QVariant();
    platform::NotificationCenter::defaultCenter().post(
        kind == Kind::Editor ? Notifications::INDIVIDUAL_EDITOR_STYLE_SELECTED : Notifications::INDIVIDUAL_PREVIEW_STYLE_SELECTED,
        this, { { Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD, path } });
}

void IndividualDocumentStyler::setEditorStyle(QAction* sender) { selectEntry(Kind::Editor, sender); }
void IndividualDocumentStyler::setPreviewStyle(QAction* sender) { selectEntry(Kind::Preview, sender); }

void IndividualDocumentStyler::retitleDefaultEntry(Kind kind)
{
    const std::optional<QString> global = kind == Kind::Editor
        ? EditorPreferencesSynchronizer::sharedInstance().getPreferredThemePath()
        : PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath();
    const QList<QAction*> all = entries(menu(kind));
    if (!global || all.isEmpty() || isPath(all.first()->data()))
        return;
    all.first()->setText(defaultTitle(*global));
}

} // namespace penwick
