#include "ContentViewController.h"

#include "MiniLog.h"
#include "PenwickMiniPreferencesWindowController.h"
#include "QuickPreviewController.h"
#include "ScratchViewController.h"
#include "ShadowViewController.h"
#include "Support/DarkModeTracker.h"
#include "TextEditor/TextEditorView.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QMenu>
#include <QProcess>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace penwick {

ContentViewController::ContentViewController(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ContentView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(8, 6, 8, 2);
    m_switch = new QWidget(this);
    m_switch->setObjectName(QStringLiteral("switchModeSegmentedBtn"));
    auto* segments = new QHBoxLayout(m_switch);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    m_segments = new QButtonGroup(this);
    m_segments->setExclusive(true);
    const QString titles[] = { tr("Scratch"), tr("Shadow") };
    for (int i = 0; i < 2; ++i) {
        auto* button = new QToolButton(m_switch);
        button->setText(titles[i]);
        button->setCheckable(true);
        button->setAutoRaise(true);
        segments->addWidget(button);
        m_segments->addButton(button, i);
    }
    m_segments->button(0)->setChecked(true);
    connect(m_segments, &QButtonGroup::idClicked, this, &ContentViewController::switchMode);
    bar->addWidget(m_switch);
    m_closePreview = new QToolButton(this);
    m_closePreview->setObjectName(QStringLiteral("closePreviewButton"));
    m_closePreview->setText(tr("Edit"));
    m_closePreview->setToolTip(tr("Back to the note"));
    m_closePreview->setAutoRaise(true);
    m_closePreview->hide();
    connect(m_closePreview, &QToolButton::clicked, this, [this] { togglePreview(false); });
    bar->addWidget(m_closePreview);
    bar->addStretch(1);
    m_pin = new QToolButton(this);
    m_pin->setObjectName(QStringLiteral("pinButton"));
    m_pin->setText(tr("Pin"));
    m_pin->setToolTip(tr("Keep the popover open"));
    m_pin->setCheckable(true);
    m_pin->setAutoRaise(true);
    connect(m_pin, &QToolButton::toggled, this, &ContentViewController::togglePin);
    bar->addWidget(m_pin);
    m_menuButton = new QToolButton(this);
    m_menuButton->setObjectName(QStringLiteral("menuButton"));
    m_menuButton->setText(QStringLiteral("☰"));
    m_menuButton->setAutoRaise(true);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menu = new QMenu(m_menuButton);
    m_save = m_menu->addAction(tr("Save Note"), this, [this] { saveNote(); });
    m_save->setShortcut(QKeySequence::Save);
    m_save->setShortcutContext(Qt::WindowShortcut);
    addAction(m_save);
    m_menu->addSeparator();
    m_preferencesAction = m_menu->addAction(tr("Preferences…"), this, &ContentViewController::showPreferences);
    m_menu->addAction(tr("Open Penwick"), this, &ContentViewController::openPenwick);
    m_menu->addSeparator();
    m_menu->addAction(tr("Quit Penwick Mini"), this, &ContentViewController::quitPenwickMini);
    m_menuButton->setMenu(m_menu);
    connect(m_menu, &QMenu::aboutToShow, this, &ContentViewController::validateMenuItems);
    bar->addWidget(m_menuButton);
    layout->addLayout(bar);

    m_tabs = new QStackedWidget(this);
    m_scratch = new ScratchViewController(m_tabs);
    m_shadow = new ShadowViewController(m_tabs);
    m_preview = new QuickPreviewController(m_tabs);
    m_tabs->addWidget(m_scratch);
    m_tabs->addWidget(m_shadow);
    m_tabs->addWidget(m_preview);
    layout->addWidget(m_tabs, 1);

    for (EditViewController* editor : { static_cast<EditViewController*>(m_scratch), static_cast<EditViewController*>(m_shadow) }) {
        connect(editor->togglePreviewBtn(), &QToolButton::clicked, this, &ContentViewController::togglePreview);
        connect(editor->textEditor(), &platform::TextView::textDidChange, this, &ContentViewController::validateMenuItems);
    }
    m_launcher = [](const QString& program) { return QProcess::startDetached(program, {}); };

    // An open preview follows the appearance.
    DarkModeTracker::welcomeObject(this, [this] { renderPreviewFrom(m_previousMode); }, false);
    DarkModeTracker::outcastObject(this, [this] { renderPreviewFrom(m_previousMode); }, false);
    validateMenuItems();
}

ContentViewController::~ContentViewController()
{
    delete m_preferences.data();
}

EditViewController* ContentViewController::activeEditor() const
{
    switch (m_activeMode) {
    case ContentMode::Scratch:
        return m_scratch;
    case ContentMode::Shadow:
        return m_shadow;
    case ContentMode::Preview:
        return nullptr;
    }
    return nullptr;
}

void ContentViewController::showMode(ContentMode mode)
{
    m_switch->setVisible(mode != ContentMode::Preview);
    m_closePreview->setVisible(mode == ContentMode::Preview);
    m_tabs->setCurrentIndex(int(mode));
    if (mode != ContentMode::Preview) {
        m_segments->button(int(mode))->setChecked(true);
        auto* editor = activeEditor();
        editor->togglePreviewBtn()->setChecked(false);
    }
    validateMenuItems();
}

void ContentViewController::switchMode(int segment)
{
    if (segment < 0 || segment > 2)
        return;
    m_activeMode = ContentMode(segment);
    showMode(m_activeMode);
}

void ContentViewController::togglePreview(bool on)
{
    if (on) {
        m_previousMode = m_activeMode;
        m_activeMode = ContentMode::Preview;
        showMode(m_activeMode);
        renderPreviewFrom(m_previousMode);
    } else {
        m_activeMode = m_previousMode;
        showMode(m_activeMode);
    }
}

void ContentViewController::renderPreviewFrom(ContentMode mode)
{
    if (m_activeMode != ContentMode::Preview || !m_preview)
        return;
    QString text;
    if (mode == ContentMode::Shadow)
        text = m_shadow->textEditor()->string();
    else if (mode == ContentMode::Scratch)
        text = m_scratch->textEditor()->string();
    m_preview->loadText(text);
}

void ContentViewController::togglePin(bool on)
{
    m_isPinned = on;
}

bool ContentViewController::saveNote()
{
    EditViewController* editor = activeEditor();
    if (!editor)
        return true;
    if (const auto error = editor->saveDocument()) {
        // Error level: the only one that writes.
        miniLog().error(QStringLiteral("Error saving note: ") + error->message);
        return false;
    }
    return true;
}

void ContentViewController::validateMenuItems()
{
    EditViewController* editor = activeEditor();
    m_save->setEnabled(editor && editor->canSaveNote());
}

void ContentViewController::showPreferences()
{
    if (m_delegate)
        m_delegate->requestPopoverClose(this);
    delete m_preferences.data();
    m_preferences = new PenwickMiniPreferencesWindowController;
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
    emit preferencesShown(m_preferences);
}

QString ContentViewController::penwickExecutable()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Penwick"));
}

bool ContentViewController::openPenwick()
{
    if (!m_launcher || !m_launcher(penwickExecutable())) {
        miniLog().warning(QStringLiteral("Error starting Penwick"));
        miniLog().error(QStringLiteral("Error starting Penwick: ") + penwickExecutable());
        return false;
    }
    miniLog().info(QStringLiteral("Successfully started Penwick"));
    if (m_delegate)
        m_delegate->didOpenPenwick(this);
    return true;
}

void ContentViewController::quitPenwickMini()
{
    if (m_delegate)
        m_delegate->quitPenwickMini(this);
}

void ContentViewController::focusActivePage()
{
    if (EditViewController* editor = activeEditor())
        editor->textEditor()->setFocus();
    else
        setFocus();
}

} // namespace penwick
