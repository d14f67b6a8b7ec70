#include "shell/TVXDocumentWindowController.h"

#include "Extensions/TextViewAdditions.h"
#include "Extensions/WordFormatMenuItem.h"
#include "HTML/HTMLFormatter.h"
#include "Services/MarkdownFormatter.h"
#include "platform/text/TextView.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "common/MiniDocumentType.h"
#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"
#include "shell/WindowPreviewRefresh.h"
#include "sidebar/FolderNavigatorItem.h"
#include "tools/TVXQuickOpenWindowController.h"

#include <QApplication>
#include <QMainWindow>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QStringDecoder>
#include <QThreadPool>

namespace penwick {

namespace {

// A list of Markdown texts as HTML: each one's front-matter table, then its body.
QString markdownTextsAsHTML(const QStringList& texts)
{
    QString html;
    for (const QString& text : texts) {
        const JekyllTableResult rendered = MarkdownFormatter::formatRawContentWithJekyllTable(text);
        html += rendered.frontMatterTable + rendered.markdown;
    }
    return html;
}

} // namespace

QString TVXDocumentWindowController::readStyleSheet(const std::optional<QString>& path)
{
    if (!path)
        return {};
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

std::optional<QString> TVXDocumentWindowController::currentPreviewStylePath() const
{
    std::optional<QString> path;
    if (m_document && m_document->hasEditorViewController())
        path = m_document->editorViewController()->overriddenPreviewStylePath();
    return path ? path : PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath();
}

void TVXDocumentWindowController::startPreviewRefresh()
{
    m_previewRefresh = std::make_unique<WindowPreviewRefresh>(this);
}

// --- Preview refresh ---

void TVXDocumentWindowController::rerenderCurrentDocument()
{
    if (!m_document || !m_preview || !m_document->hasEditorViewController())
        return;
    m_preview->renderUsingTextView(m_document->editorViewController()->getEditorTextView(), m_document->baseURL(),
        m_document->canonicalURL());
}

void TVXDocumentWindowController::baseURLSettingsChanged()
{
    if (!m_document)
        return;
    updateBaseURLForDocument(m_document);
    if (m_preview) {
        m_preview->setForceLoadInsteadOfInject(true);
        m_preview->rerenderWithNewBaseUrl(m_document->baseURL(), m_document->canonicalURL());
    }
}

void TVXDocumentWindowController::handleFolderWatchNotification(const QString& rootPath)
{
    if (!m_document || !m_preview)
        return;
    const auto item = m_document->fileSystemItem();
    const auto root = item ? item->rootFolder() : nullptr;
    if (!root || root->fullPath() != rootPath)
        return;
    m_preview->setForceLoadInsteadOfInject(true);
    m_preview->rerenderWithNewBaseUrl(m_document->baseURL(), m_document->canonicalURL());
}

// --- Commands ---

bool TVXDocumentWindowController::validateCommand(Command command, QString* title) const
{
    switch (command) {
    case Command::OpenQuickly:
        return m_sidebar && !m_sidebar->rootFolderPaths().isEmpty();
    case Command::JumpToEditor: {
        platform::TextView* view = getActiveEditorTextView();
        return !m_documents.isEmpty() && !(view && view->hasFocus());
    }
    case Command::JumpToSidebar:
        return !(m_sidebar && m_sidebar->isFocused());
    case Command::SaveMiniDocumentToFile: {
        const auto kind = m_document ? miniDocumentType(m_document->pseudoURL().toString()) : std::nullopt;
        if (title && kind)
            *title = *kind == MiniDocumentType::Scratch ? tr("Save Scratch to File...") : tr("Save Shadow to File...");
        return kind.has_value();
    }
    case Command::GotoNextDoc:
    case Command::GotoPrevDoc:
    case Command::GotoNextDocInStack:
    case Command::GotoPrevDocInStack:
        return m_documents.size() > 1;
    case Command::CopySelectedTextAsFormattedText: {
        platform::TextView* view = getActiveEditorTextView();
        return view && !view->selectedRange().isEmpty();
    }
    case Command::Other:
        return true;
    }
    return true;
}

void TVXDocumentWindowController::saveMiniDocumentToFile()
{
    if (!validateCommand(Command::SaveMiniDocumentToFile))
        return;
    // The panel's save, not the document's routing (which sends a note's save to its record).
    m_document->saveDocumentAs();
    m_document->setIsQuickOpen(false);
}

TVXQuickOpenWindowController* TVXDocumentWindowController::quickOpenWindowController() const
{
    return m_quickOpen;
}

void TVXDocumentWindowController::openQuickly()
{
    if (!m_sidebar)
        return;
    const QStringList roots = m_sidebar->rootFolderPaths();
    if (!m_quickOpen) {
        m_quickOpen = new TVXQuickOpenWindowController(roots, m_window);
        m_quickOpen->setDelegate(this);
    } else {
        m_quickOpen->updateScopes(roots);
    }
    m_quickOpen->showWindowWithParentWindowLocation(TVXQuickOpenWindowController::parentWindowLocation(m_window));
}

void TVXDocumentWindowController::pathDidSelectForQuickOpen(const QString& path)
{
    if (m_sidebar)
        m_sidebar->revealPath(path);
}

void TVXDocumentWindowController::markdownFormat(WordFormatMenuItem* item)
{
    platform::TextView* view = getActiveEditorTextView();
    if (!item || !view)
        return;
    view->breakUndoCoalescing();
    item->decorateTextView(view);
}

void TVXDocumentWindowController::copySelectedTextAsFormattedText()
{
    platform::TextView* view = getActiveEditorTextView();
    if (!m_document || !view)
        return;
    const QStringList texts = PWAdditions::selectedTexts(*view);
    copyAsFormattedText(texts.isEmpty() ? QString() : markdownTextsAsHTML(texts));
}

void TVXDocumentWindowController::copyAllTextAsFormattedText()
{
    platform::TextView* view = getActiveEditorTextView();
    if (!m_document || !view)
        return;
    copyAsFormattedText(markdownTextsAsHTML({ view->string() }));
}

void TVXDocumentWindowController::copyAsFormattedText(const QString& html)
{
    const std::optional<QString> stylePath = currentPreviewStylePath();
    // Reading the style and converting run on a worker; the clipboard is written back here,
    // on the GUI thread, where it lives.
    QPointer<TVXDocumentWindowController> self(this);
    const quint64 generation = ++m_copyGeneration;
    QThreadPool::globalInstance()->start([self, html, stylePath, generation] {
        const QString page = HTMLFormatter::formatForCopyPaste(html, readStyleSheet(stylePath)).toHtml();
        QMetaObject::invokeMethod(
            qApp,
            [self, page, generation] {
                // A later copy wins over an earlier one that finished after it.
                if (self && generation != self->m_copyGeneration)
                    return;
                auto* data = new QMimeData;
                data->setData(QStringLiteral("text/html"), page.toUtf8());
                QGuiApplication::clipboard()->setMimeData(data);
                if (self)
                    emit self->formattedCopyFinished();
            },
            Qt::QueuedConnection);
    });
}

} // namespace penwick
