// The document window's export commands: PDF of the rendered preview, HTML page.
#include "shell/TVXDocumentWindowController.h"

#include "Extensions/StringAdditions.h"
#include "HTML/HTMLFormatter.h"
#include "platform/Dialogs.h"
#include "shell/AnimatedSplitView.h"
#include "shell/PreviewControllerInterface.h"
#include "shell/TVXWindowSplitViewController.h"

#include <QCoreApplication>
#include <QMainWindow>

namespace penwick {

void TVXDocumentWindowController::exportPDF()
{
    TVXDocument* document = m_document;
    if (!document)
        return;
    QPointer<TVXWindowSplitViewController> split(m_layout);
    const int before = split ? split->currentPreviewPaneState() : -1;
    // Without animation, so the pane is in place before the page is printed and the state read
    // back after the export is the one set here.
    if (split)
        split->setPreviewState(1, false);
    QWidget* view = m_preview ? m_preview->documentView() : nullptr;
    TVXDocument::PreviewRendered whenRendered;
    if (m_preview)
        whenRendered = [preview = m_preview](std::function<void()> then) { preview->whenRendered(std::move(then)); };
    document->exportToPDFFromView(view, [split, before] {
        if (split && before >= 0)
            split->setPreviewState(before, false);
    }, std::move(whenRendered));
}

QString TVXDocumentWindowController::htmlExportPage(const QString& body, const QString& title, bool includeStyles,
    const std::optional<QString>& stylePath)
{
    if (!includeStyles)
        return HTMLFormatter::formatForExportWithoutCSS(body, title);
    return HTMLFormatter::formatForExport(body, readStyleSheet(stylePath), title);
}

void TVXDocumentWindowController::exportHTML()
{
    TVXDocument* document = m_document;
    if (!document)
        return;
    if (!m_exportAccessory)
        m_exportAccessory = std::make_shared<TVXDocument::ExportAccessory>(
            TVXDocument::ExportAccessory { QStringLiteral("Include styles"), true });
    // What the page needs of the main thread is taken now; the page is built and written on the
    // export's thread.
    const std::optional<QString> stylePath = currentPreviewStylePath();
    const QString title = document->fileURL().isEmpty() ? document->displayName() : fileName(document->filePath());
    QPointer<QWidget> window(getAttachedWindow());
    auto accessory = m_exportAccessory;
    document->exportToHTMLWithAccessoryView(accessory.get(),
        [accessory, stylePath, title, window](const QString& body, const QUrl& url) {
            const QString path = url.toLocalFile();
            const QString page = htmlExportPage(body, title, accessory->checked, stylePath);
            const std::optional<FileError> error = writeToFile(page, path, true);
            if (!error)
                return;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [window, path, reason = error->message] {
                    platform::AlertSpec alert;
                    alert.messageText = QStringLiteral("The HTML page could not be exported.");
                    alert.informativeText = reason.contains(path) ? reason : QStringLiteral("\"%1\": %2").arg(path, reason);
                    platform::Dialogs::current().beginSheetAlert(window, alert, {});
                },
                Qt::QueuedConnection);
        });
}

} // namespace penwick
