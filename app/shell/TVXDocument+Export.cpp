// Exports of a document: HTML, PDF of the rendered preview, printing, speech into a file.
#include "shell/TVXDocument.h"

#include "Extensions/StringAdditions.h"
#include "Services/MarkdownFormatter.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "platform/print/TextDocumentPrinter.h"
#include "platform/speech/SpeechFileWriter.h"
#include "platform/text/TextView.h"
#include "platform/web/WebView.h"
#include "shell/EditorViewControllerInterface.h"
#include "common/Prefs.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QPageSize>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QThreadPool>

#include <algorithm>
#include <memory>
#include <utility>

#include <sys/stat.h>

namespace penwick {

namespace {

// The process's file-creation mask, read without changing it (other threads create files too).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask);
            }
        }
    }
    return 022;
}

// The web engine writes its PDF for the owner alone; an export is an ordinary file, made as the
// person's other files are.
void giveOrdinaryFileMode(const QString& path)
{
    ::chmod(QFile::encodeName(path).constData(), 0666 & ~currentUmask());
}

QPageSize defaultPageSize()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid())
        return printer.defaultPageSize();
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize(QPageSize::Letter)
                                                                               : QPageSize(QPageSize::A4);
}

// A setting in whole points; negative values count as none, and a pair of opposite margins
// always leaves at least an inch of the page.
QMarginsF marginSettings(const QSizeF& page)
{
    auto& defaults = platform::UserDefaults::standard();
    auto read = [&](const QString& key) { return std::max<qreal>(0, qreal(defaults.integerForKey(key))); };
    auto fit = [](qreal a, qreal b, qreal length, qreal* first, qreal* second) {
        const qreal room = std::max<qreal>(0, length - 72);
        if (a + b > room) {
            const qreal scale = room / (a + b);
            a *= scale;
            b *= scale;
        }
        *first = a;
        *second = b;
    };
    qreal left, right, top, bottom;
    fit(read(Prefs::PDF_EXPORT_LEFT_MARGINS), read(Prefs::PDF_EXPORT_RIGHT_MARGINS), page.width(), &left, &right);
    fit(read(Prefs::PDF_EXPORT_TOP_MARGINS), read(Prefs::PDF_EXPORT_BOTTOM_MARGINS), page.height(), &top, &bottom);
    return QMarginsF(left, top, right, bottom);
}

// Runs `then` once `view` has no page load pending and every script issued so far has
// answered (at once, as far as the view goes, when it is idle); also when the view goes away.
// A load issued while waiting (a pane just shown renders its page again) is waited for too:
// printed in the middle of it, the page came out blank.
void whenPageSettled(platform::WebView* view, std::function<void()> then)
{
    auto done = std::make_shared<std::function<void()>>(std::move(then));
    auto finish = [done] {
        if (*done)
            std::exchange(*done, {})();
    };
    QObject::connect(view, &QObject::destroyed, view, finish);
    auto settle = std::make_shared<std::function<void()>>();
    *settle = [view = QPointer<platform::WebView>(view), finish, weakSettle = std::weak_ptr<std::function<void()>>(settle)] {
        if (!view) {
            finish();
            return;
        }
        const auto again = weakSettle.lock();
        if (!again) {
            finish();
            return;
        }
        if (!view->isLoadPending()) {
            view->runScript(QStringLiteral("0"), platform::WebView::World::Application, [view, finish, again](const QVariant&) {
                if (view && view->isLoadPending())
                    (*again)();
                else
                    finish();
            });
            return;
        }
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(view, &platform::WebView::pageLoadFinished, view, [connection, again](bool) {
            QObject::disconnect(*connection);
            (*again)();
        });
    };
    (*settle)();
}

} // namespace

QPageLayout TVXDocument::printInfo() const
{
    const QPageSize size = defaultPageSize();
    // No minimum margins: the settings stand as given (they fit the paper by construction).
    return QPageLayout(size, QPageLayout::Portrait, marginSettings(size.size(QPageSize::Point)), QPageLayout::Point);
}

platform::SavePanelOptions TVXDocument::exportPanelOptions(ExportKind kind) const
{
    platform::SavePanelOptions options;
    QString type;
    switch (kind) {
    case ExportKind::Audio:
        options.prompt = QStringLiteral("Export Audio");
        options.nameFilters = { QStringLiteral("AIFF audio (*.aiff)") };
        type = QStringLiteral("aiff");
        break;
    case ExportKind::HTML:
        options.prompt = QStringLiteral("Export HTML");
        options.nameFilters = { QStringLiteral("HTML page (*.html)") };
        type = QStringLiteral("html");
        break;
    case ExportKind::PDF:
        options.prompt = QStringLiteral("Export PDF");
        options.nameFilters = { QStringLiteral("PDF document (*.pdf)") };
        type = QStringLiteral("pdf");
        break;
    }
    options.title = options.prompt;
    options.defaultSuffix = type;
    // An untitled document leaves the folder and the name to the panel.
    if (!fileURL().isEmpty()) {
        if (kind != ExportKind::PDF)
            options.directory = stringByDeletingLastPathComponent(filePath());
        options.nameFieldStringValue = fileName(filePath());
    }
    return options;
}

void TVXDocument::showExportFailure(const QString& message, const QString& reason) const
{
    platform::AlertSpec alert;
    alert.messageText = message;
    alert.informativeText = reason;
    alert.style = platform::AlertStyle::Warning;
    platform::Dialogs::current().beginSheetAlert(windowForSheet(), alert, {});
}

// --- Speech ---

void TVXDocument::exportAudioFile()
{
    platform::SavePanelOptions options = exportPanelOptions(ExportKind::Audio);
    const std::optional<QString> path = platform::Dialogs::current().runSavePanel(windowForSheet(), options);
    if (!path || path->isEmpty())
        return;
    const QString text = editorText(true);
    QPointer<TVXDocument> self(this);
    platform::SpeechFileWriter::speakToFile(text, *path, QCoreApplication::instance(),
        [self, path = *path](const std::optional<QString>& error) {
            if (error) {
                if (self)
                    self->showExportFailure(QStringLiteral("The audio file could not be exported."), *error);
                else
                    platform::Dialogs::current().beginSheetAlert(nullptr,
                        { QStringLiteral("The audio file could not be exported."), *error, platform::AlertStyle::Warning, {}, {} },
                        {});
            }
            if (self)
                emit self->audioExportEnded(path, !error);
        });
}

// --- HTML ---

void TVXDocument::exportToHTMLWithAccessoryView(ExportAccessory* accessory, HTMLExportHandler handler)
{
    platform::SavePanelOptions options = exportPanelOptions(ExportKind::HTML);
    if (accessory) {
        options.accessoryCheckBoxTitle = accessory->checkBoxTitle;
        options.accessoryCheckBoxState = accessory->checked;
    }
    const std::optional<QString> path = platform::Dialogs::current().runSavePanel(windowForSheet(), options);
    if (accessory)
        accessory->checked = options.accessoryCheckBoxState;
    if (!path || path->isEmpty())
        return;
    const QString text = editorText(true);
    const QUrl url = QUrl::fromLocalFile(*path);
    QThreadPool::globalInstance()->start([text, url, handler = std::move(handler)] {
        // The body alone: front matter split off as the settings say, and no table of it.
        const QString html = MarkdownFormatter::formatRawContent(std::optional<QString>(text));
        if (handler)
            handler(html, url);
    });
}

// --- PDF and printing ---

void TVXDocument::exportToPDFFromView(QWidget* view, std::function<void()> handler, PreviewRendered whenRendered)
{
    platform::SavePanelOptions options = exportPanelOptions(ExportKind::PDF);
    const std::optional<QString> path = platform::Dialogs::current().runSavePanel(windowForSheet(), options);
    if (!path || path->isEmpty())
        return;
    setPreviewView(view);
    m_whenPreviewRendered = std::move(whenRendered);
    printDocumentWithSettings(PrintSettings { *path }, false, {}, std::move(handler));
}

void TVXDocument::printDocument()
{
    printDocumentWithSettings(PrintSettings {}, true, {}, {});
}

void TVXDocument::printDocumentWithSettings(const PrintSettings& settings, bool showPrintPanel, DidPrintHandler didPrint,
    std::function<void()> context)
{
    QPointer<TVXDocument> self(this);
    runPrintOperation(settings, showPrintPanel,
        [self, didPrint = std::move(didPrint), context = std::move(context)](bool success) {
            if (self)
                self->documentDidPrint(success, didPrint, context);
            else if (context)
                context();
        });
}

void TVXDocument::documentDidPrint(bool success, const DidPrintHandler& didPrint, const std::function<void()>& context)
{
    if (didPrint)
        didPrint(this, success);
    else if (context)
        context();
    m_previewView = nullptr;
    m_whenPreviewRendered = {};
}

void TVXDocument::runPrintOperation(const PrintSettings& settings, bool showPrintPanel, std::function<void(bool)> finished)
{
    const QPageLayout layout = printInfo();
    const QString target = settings.saveToPath;
    auto* preview = qobject_cast<platform::WebView*>(m_previewView.data());
    QPointer<TVXDocument> self(this);
    auto report = [self, target, finished](bool success) {
        if (success && !target.isEmpty())
            giveOrdinaryFileMode(target);
        if (!success && self)
            self->showExportFailure(target.isEmpty() ? QStringLiteral("The document could not be printed.")
                                                     : QStringLiteral("The PDF could not be exported."),
                target.isEmpty() ? QString() : QStringLiteral("Cannot write \"%1\".").arg(target));
        finished(success);
    };

    // The preview straight into a PDF file: the web engine lays the page out with our margins.
    // A pane just shown renders its page again and loads it only when the rendering is back:
    // the page is printed once both are done, else it came out blank.
    if (preview && !target.isEmpty() && !showPrintPanel) {
        auto print = [preview = QPointer<platform::WebView>(preview), target, layout, report]() mutable {
            if (!preview) {
                report(false);
                return;
            }
            whenPageSettled(preview, [preview, target, layout, report]() mutable {
                if (preview)
                    preview->printToPdf(target, layout, std::move(report));
                else
                    report(false);
            });
        };
        if (PreviewRendered whenRendered = std::exchange(m_whenPreviewRendered, {}))
            whenRendered(std::move(print));
        else
            print();
        return;
    }

    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(layout);
    if (!target.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(target);
    }
    if (showPrintPanel && !platform::Dialogs::current().runPrintPanel(windowForSheet(), printer.get())) {
        finished(false); // cancelled: nothing to tell the user
        return;
    }
    if (preview) {
        whenPageSettled(preview, [preview = QPointer<platform::WebView>(preview), printer, report]() mutable {
            if (preview)
                preview->print(printer.get(), [printer, report = std::move(report)](bool success) { report(success); });
            else
                report(false);
        });
        return;
    }
    // The Markdown source as the editor shows it.
    bool printed = false;
    platform::TextView* textView = nullptr;
    if (auto* editor = editorViewController())
        textView = editor->getEditorTextView();
    if (textView) {
        printed = platform::printTextDocument(*textView->document(), printer.get());
    } else {
        QTextDocument text;
        text.setPlainText(m_contents);
        printed = platform::printTextDocument(text, printer.get());
    }
    report(printed);
}

} // namespace penwick
