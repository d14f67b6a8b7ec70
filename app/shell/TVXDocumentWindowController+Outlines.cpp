#include "shell/TVXDocumentWindowController.h"

#include "Services/MarkdownFormatter.h"
#include "Vendors/RegExp.h"
#include "platform/text/TextView.h"
#include "preview/EditorOutlineController.h"
#include "preview/EditorOutlinePopover.h"
#include "preview/PreviewOutlineController.h"
#include "preview/PreviewOutlinePopover.h"
#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"

#include <QAbstractButton>
#include <QMainWindow>

namespace penwick {

namespace {

QString currentEditorText(TVXDocument* document)
{
    if (!document || !document->hasEditorViewController())
        return {};
    platform::TextView* view = document->editorViewController()->getEditorTextView();
    return view ? view->string() : QString();
}

} // namespace

EditorOutlineController* TVXDocumentWindowController::editorOutlineController()
{
    if (!m_editorOutlineController) {
        m_editorOutlineController = new EditorOutlineController(this);
        m_editorOutlineController->setEditorOutlinePopover(new EditorOutlinePopover(m_window));
    }
    return m_editorOutlineController;
}

PreviewOutlineController* TVXDocumentWindowController::previewOutlineController()
{
    if (!m_previewOutlineController) {
        m_previewOutlineController = new PreviewOutlineController(this);
        m_previewOutlineController->setPreviewOutlinePopover(new PreviewOutlinePopover(m_window));
    }
    return m_previewOutlineController;
}

void TVXDocumentWindowController::showEditorOutlines(QWidget* sender)
{
    EditorOutlineController* outline = editorOutlineController();
    if (auto* button = qobject_cast<QAbstractButton*>(sender))
        outline->setShowOutlineBtn(button);
    outline->setEditorOutlineDelegate(this);
    outline->showOutlines(sender, currentEditorText(m_document));
}

void TVXDocumentWindowController::showPreviewOutlines(QWidget* sender)
{
    PreviewOutlineController* outline = previewOutlineController();
    if (auto* button = qobject_cast<QAbstractButton*>(sender))
        outline->setShowOutlineBtn(button);
    outline->setPreviewOutlineDelegate(this);
    outline->showOutlines(sender, currentEditorText(m_document));
}

void TVXDocumentWindowController::didSelectEditorOutlineRange(const OutlineRange& range)
{
    if (!m_document)
        return;
    // Outline ranges are already in the editor's UTF-16 units.
    if (m_document->hasEditorViewController())
        m_document->editorViewController()->selectAndScroll(range.range(), true);
    // The preview follows only when the heading renders with exactly one id.
    static const RegExp idPattern(QStringLiteral("id=\"(.+)\""));
    const QStringList found = idPattern.allMatches(MarkdownFormatter::formatRawContent(std::optional<QString>(range.title())));
    if (found.size() == 2 && m_preview)
        m_preview->navigateToAnchor(found.at(1));
}

void TVXDocumentWindowController::didSelectPreviewOutline(const QString& anchorId, const OutlineRange& range)
{
    if (!m_document)
        return;
    if (m_document->hasEditorViewController())
        m_document->editorViewController()->selectAndScroll(range.range(), false);
    if (m_preview)
        m_preview->navigateToAnchor(anchorId);
}

void TVXDocumentWindowController::jumpToSidebar()
{
    if (m_sidebar)
        m_sidebar->focus();
}

void TVXDocumentWindowController::jumpToEditor()
{
    if (platform::TextView* view = getActiveEditorTextView())
        view->setFocus(Qt::ShortcutFocusReason);
}

} // namespace penwick
