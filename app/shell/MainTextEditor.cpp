#include "shell/MainTextEditor.h"

#include "shell/DocumentWindowControllerInterface.h"
#include "shell/FileDrops.h"

#include "platform/text/ContinuousSpellChecker.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace penwick {

namespace {
const QString kContinuousSpellChecking = QStringLiteral("continuousSpellCheckingEnabled");
const QString kQuoteSubstitution = QStringLiteral("automaticQuoteSubstitutionEnabled");
} // namespace

MainTextEditor::MainTextEditor(QWidget* parent)
    : TextEditorView(parent)
    , m_spelling(new platform::ContinuousSpellChecker(this))
{
    // The margins around the text belong to the page: they take the theme's background,
    // not the window's.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

MainTextEditor::~MainTextEditor() = default;

QString MainTextEditor::basePath() const
{
    DocumentWindowControllerInterface* controller = FileDrops::windowControllerOf(this);
    if (!controller)
        return QString();
    const QUrl url = controller->baseURLOfWindowOrDocument();
    return url.isEmpty() ? QString() : url.path();
}

void MainTextEditor::handleDragAndDropFiles(const QStringList& paths)
{
    if (DocumentWindowControllerInterface* controller = FileDrops::windowControllerOf(this))
        controller->dragAndDropOpen(paths);
}

const QStringList& MainTextEditor::textCheckingProperties()
{
    static const QStringList names = {
        QStringLiteral("automaticDashSubstitutionEnabled"),
        QStringLiteral("automaticDataDetectionEnabled"),
        kQuoteSubstitution,
        QStringLiteral("enabledTextCheckingTypes"),
        QStringLiteral("automaticTextReplacementEnabled"),
        kContinuousSpellChecking,
        QStringLiteral("grammarCheckingEnabled"),
        QStringLiteral("automaticSpellingCorrectionEnabled"),
    };
    return names;
}

QVariant MainTextEditor::textCheckingValue(const QString& name) const
{
    if (name == kContinuousSpellChecking)
        return m_spelling->isEnabled();
    if (name == kQuoteSubstitution)
        return isAutomaticQuoteSubstitutionEnabled();
    return m_textChecking.value(name);
}

void MainTextEditor::setTextCheckingValue(const QString& name, const QVariant& value)
{
    if (!textCheckingProperties().contains(name) || textCheckingValue(name) == value)
        return;
    // Spelling and quote substitution act here; the other switches are kept as set (this
    // platform has no grammar checking, data detection or text replacement service).
    if (name == kContinuousSpellChecking)
        m_spelling->setEnabled(value.toBool());
    else if (name == kQuoteSubstitution)
        setAutomaticQuoteSubstitutionEnabled(value.toBool());
    else
        m_textChecking.insert(name, value);
    emit textCheckingChanged(name, value);
}

bool MainTextEditor::isContinuousSpellCheckingEnabled() const { return m_spelling->isEnabled(); }

void MainTextEditor::setContinuousSpellCheckingEnabled(bool enabled)
{
    setTextCheckingValue(kContinuousSpellChecking, enabled);
}

QMenu* MainTextEditor::createContextMenu(const QPoint& viewportPoint, QWidget* parent)
{
    QMenu* menu = createEditMenu(parent);
    m_spelling->addSuggestions(menu, viewportPoint);
    menu->addSeparator();
    QAction* spelling = menu->addAction(tr("Check Spelling While Typing"));
    spelling->setCheckable(true);
    spelling->setChecked(isContinuousSpellCheckingEnabled());
    connect(spelling, &QAction::toggled, this, [this](bool on) { setContinuousSpellCheckingEnabled(on); });
    return menu;
}

void MainTextEditor::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(event->pos(), this); // viewport coordinates
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace penwick
