// Files changed by other programs (reloaded when nothing was typed), the text copied as HTML,
// and the document's menu validation.
#include "shell/TVXDocument.h"

#include "platform/FileNames.h"

#include "Extensions/TextViewAdditions.h"
#include "platform/document/FileWatch.h"
#include "platform/text/TextView.h"
#include "Services/MarkdownFormatter.h"
#include "common/AppLogger.h"
#include "shell/EditorViewControllerInterface.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

namespace penwick {

// --- Outside changes ---

void TVXDocument::presentedItemDidChange()
{
    // An outside change never replaces unsaved work; the next timed save asks instead.
    if (isDocumentEdited() || m_isInMiddleOfRevert)
        return;
    if (fileURL().isEmpty())
        return;
    if (!platform::pathExists(fileURL().toLocalFile()))
        appLog().error(QStringLiteral("Error reverting file contents"));
    else if (!fileChangedOnDisk())
        return;
    if (m_revertScheduled)
        return;
    m_revertScheduled = true;
    QPointer<TVXDocument> self(this);
    QMetaObject::invokeMethod(this, [self] {
        if (self)
            self->revertAfterOutsideChange();
    }, Qt::QueuedConnection);
}

void TVXDocument::revertAfterOutsideChange()
{
    m_revertScheduled = false;
    if (fileURL().isEmpty() || fileType().isEmpty())
        return;
    // Checked again here: a keystroke since the change was noticed must not be overwritten.
    if (isDocumentEdited() || m_isInMiddleOfRevert)
        return;
    m_isInMiddleOfRevert = true;
    MaybeError error;
    if (platform::Document::revertToContentsOfURL(fileURL(), fileType(), &error)) {
        if (auto* editor = editorViewController())
            editor->loadDocument();
    } else {
        appLog().error(QStringLiteral("Error reverting file contents"));
    }
    m_isInMiddleOfRevert = false;
}

bool TVXDocument::revertToContentsOfURL(const QUrl& url, const QString& type, MaybeError* error)
{
    if (!platform::Document::revertToContentsOfURL(url, type, error))
        return false;
    if (auto* editor = editorViewController())
        editor->loadDocument();
    return true;
}

bool TVXDocument::isWatchingFile() const
{
    return m_fileWatch && m_fileWatch->isWatchingFile();
}

// --- HTML ---

QString TVXDocument::htmlOfMarkdownTexts(const QStringList& texts)
{
    QString html;
    for (const QString& text : texts) {
        const JekyllTableResult result = MarkdownFormatter::formatRawContentWithJekyllTable(text);
        html += result.frontMatterTable;
        html += result.markdown;
    }
    return html;
}

QString TVXDocument::getAllTextAsHTML()
{
    auto* editor = editorViewController();
    platform::TextView* view = editor ? editor->getEditorTextView() : nullptr;
    if (!view)
        return QString();
    return htmlOfMarkdownTexts({ view->string() });
}

QString TVXDocument::getSelectedTextsAsHTML()
{
    auto* editor = editorViewController();
    platform::TextView* view = editor ? editor->getEditorTextView() : nullptr;
    if (!view)
        return QString();
    const QStringList texts = PWAdditions::selectedTexts(*view);
    return texts.isEmpty() ? QString() : htmlOfMarkdownTexts(texts);
}

void TVXDocument::copyTextsAsHTML(const QStringList& texts)
{
    // Formatted off the GUI thread; the clipboard is written back on it.
    QPointer<TVXDocument> self(this);
    QThreadPool::globalInstance()->start([self, texts] {
        const QString html = texts.isEmpty() ? QString() : htmlOfMarkdownTexts(texts);
        QMetaObject::invokeMethod(qApp, [self, html] {
            QApplication::clipboard()->setText(html);
            if (self)
                emit self->htmlCopied(html);
        }, Qt::QueuedConnection);
    });
}

void TVXDocument::copyHTMLToClipboard()
{
    auto* editor = editorViewController();
    platform::TextView* view = editor ? editor->getEditorTextView() : nullptr;
    copyTextsAsHTML(view ? QStringList { view->string() } : QStringList());
}

void TVXDocument::copySelectedTextAsHTML()
{
    auto* editor = editorViewController();
    platform::TextView* view = editor ? editor->getEditorTextView() : nullptr;
    copyTextsAsHTML(view ? PWAdditions::selectedTexts(*view) : QStringList());
}

// --- Menu validation ---

QString TVXDocument::saveMenuTitle() const
{
    return !m_pseudoURL.isEmpty() || !fileURL().isEmpty() ? QStringLiteral("Save") : QStringLiteral("Save...");
}

bool TVXDocument::canCopySelectedTextAsHTML()
{
    auto* editor = editorViewController();
    platform::TextView* view = editor ? editor->getEditorTextView() : nullptr;
    if (!view)
        return false;
    const auto ranges = view->selectedRanges();
    return !ranges.isEmpty() && ranges.first().length > 0;
}

bool TVXDocument::validateMenuItem(QAction* item)
{
    if (!item)
        return false;
    if (item->objectName() == QLatin1String("saveDocument"))
        item->setText(saveMenuTitle());
    else if (item->objectName() == QLatin1String("copySelectedTextAsHTML"))
        item->setEnabled(canCopySelectedTextAsHTML());
    return item->isEnabled();
}

} // namespace penwick
