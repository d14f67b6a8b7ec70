// HTML export, PDF of the rendered preview and printing, through the document window's commands
// and the document's print jobs, read back with poppler's tools.
#include "FileSizeLimit.h"
#include "PdfInspection.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "HTML/HTMLFormatter.h"
#include "Services/MarkdownFormatter.h"
#include "PageScripts.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/AnimatedSplitView.h"
#include "shell/PreviewControllerInterface.h"
#include "common/Prefs.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXWindowSplitViewController.h"
#include "shell/WindowPreview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPageSize>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <memory>
#include <optional>

using namespace penwick;

namespace {

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The window's preview as the exports see it: only its document view counts.
struct ViewOnlyPreview : PreviewControllerInterface {
    void forceClean() override {}
    void renderUsingTextView(platform::TextView*, const QUrl&, const QUrl&) override {}
    void setOverriddenStylePath(const std::optional<QString>&) override {}
    void closeTextView(platform::TextView*) override {}
    QWidget* documentView() const override { return view; }
    QWidget* view = nullptr;
};

void setMargins(int top, int left, int right, int bottom)
{
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::PDF_EXPORT_TOP_MARGINS, top);
    defaults.setValue(Prefs::PDF_EXPORT_LEFT_MARGINS, left);
    defaults.setValue(Prefs::PDF_EXPORT_RIGHT_MARGINS, right);
    defaults.setValue(Prefs::PDF_EXPORT_BOTTOM_MARGINS, bottom);
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::temporaryFolder();
        controller.setPreviewController(&preview);
    }
    void TearDown() override
    {
        for (const QString& key : { Prefs::PDF_EXPORT_TOP_MARGINS, Prefs::PDF_EXPORT_LEFT_MARGINS, Prefs::PDF_EXPORT_RIGHT_MARGINS,
                 Prefs::PDF_EXPORT_BOTTOM_MARGINS, Prefs::PREVIEW_STYLE_NAME, Prefs::PREVIEW_PARSE_JEKYLL })
            platform::UserDefaults::standard().removeObject(key);
    }

    TVXDocument* open(const QString& path, const QString& text)
    {
        auto* document = new TVXDocument;
        owned.append(document);
        if (!path.isEmpty())
            document->setFileURL(QUrl::fromLocalFile(path));
        document->setContents(text);
        document->editorViewController()->loadDocument(); // the file's editor may exist already
        controller.addDocument(document);
        return document;
    }
    test::PlainEditorViewController* editor(TVXDocument* document) const { return test::plainEditor(*document); }

    struct Owned {
        ~Owned() { qDeleteAll(documents); }
        void append(TVXDocument* d) { documents.append(d); }
        QList<TVXDocument*> documents;
    };
    QString folder;
    Owned owned; // documents outlive the window, as they belong to the document controller
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    ViewOnlyPreview preview;
    TVXDocumentWindowController controller;
};

// --- Panels ---

TEST_F(ExportTest, PanelsTakeFolderAndNameFromTheFileAndNothingFromAnUntitledDocument)
{
    TVXDocument* titled = open(folder + QStringLiteral("/my notes.final.md"), QStringLiteral("# Notes\n"));
    TVXDocument* untitled = open(QString(), QStringLiteral("# Untitled\n"));
    TVXDocument::ExportAccessory accessory { QStringLiteral("Include styles"), true };
    bool called = false;
    struct Expected {
        QString prompt, suffix, filter, directory, name;
    };
    for (TVXDocument* document : { titled, untitled }) {
        dialogs.savePanels.clear();
        document->exportAudioFile();
        document->exportToHTMLWithAccessoryView(&accessory, [&](const QString&, const QUrl&) { called = true; });
        document->exportToPDFFromView(nullptr, [&] { called = true; });
        ASSERT_EQ(dialogs.savePanels.size(), 3);
        const bool hasFile = document == titled;
        const Expected expected[] = {
            { "Export Audio", "aiff", "AIFF audio (*.aiff)", hasFile ? folder : QString(), hasFile ? "my notes.final" : "" },
            { "Export HTML", "html", "HTML page (*.html)", hasFile ? folder : QString(), hasFile ? "my notes.final" : "" },
            { "Export PDF", "pdf", "PDF document (*.pdf)", QString(), hasFile ? "my notes.final" : "" },
        };
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(expected[i].prompt.toStdString() + (hasFile ? " titled" : " untitled"));
            const platform::SavePanelOptions& panel = dialogs.savePanels[i];
            EXPECT_EQ(panel.prompt, expected[i].prompt);
            EXPECT_EQ(panel.title, expected[i].prompt);
            EXPECT_EQ(panel.defaultSuffix, expected[i].suffix);
            EXPECT_EQ(panel.nameFilters, QStringList { expected[i].filter });
            EXPECT_EQ(panel.directory, expected[i].directory);
            EXPECT_EQ(panel.nameFieldStringValue, expected[i].name);
        }
        EXPECT_EQ(dialogs.savePanels[1].accessoryCheckBoxTitle, "Include styles");
        EXPECT_TRUE(dialogs.savePanels[1].accessoryCheckBoxState);
        EXPECT_TRUE(dialogs.savePanels[0].accessoryCheckBoxTitle.isEmpty());
        // Cancelled: no handler, no print job.
        EXPECT_EQ(document->previewView(), nullptr);
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// --- HTML ---

class HtmlExport : public ExportTest {
protected:
    // Runs the window's command with the panel answering `path` and leaving the check box at
    // `includeStyles`; waits for the file or the alert.
    void exportHTML(const QString& path, bool includeStyles)
    {
        dialogs.savePanelAnswers.push_back(path);
        dialogs.checkBoxAnswers.push_back(includeStyles);
        const qsizetype alerts = dialogs.alerts.size();
        controller.exportHTML();
        ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(path) || dialogs.alerts.size() > alerts; }));
        QThreadPool::globalInstance()->waitForDone();
    }
};

TEST_F(HtmlExport, PagesWithAndWithoutStylesAreTitledByTheFileAndCarryNoFrontMatterTable)
{
    const QString css = QStringLiteral("body { color: #123456; }\n");
    writeFile(folder + QStringLiteral("/mine.css"), css.toUtf8());
    const QString text = QStringLiteral("---\ntitle: Front matter title\n---\n# Heading one\n\nSome *text* & more.\n");
    TVXDocument* document = open(folder + QStringLiteral("/My Notes.md"), text);
    editor(document)->overriddenPreviewStyle = folder + QStringLiteral("/mine.css");
    const QString body = MarkdownFormatter::formatRawContent(std::optional<QString>(text));
    ASSERT_TRUE(body.contains(QStringLiteral("Heading one")));

    const QString plainPath = folder + QStringLiteral("/out dir/plain page.html");
    QDir().mkpath(folder + QStringLiteral("/out dir"));
    exportHTML(plainPath, false);
    const QString plain = readFile(plainPath);
    EXPECT_EQ(plain.toStdString(), HTMLFormatter::formatForExportWithoutCSS(body, QStringLiteral("My Notes")).toStdString());
    EXPECT_FALSE(plain.contains(QStringLiteral("#123456")));

    const QString styledPath = folder + QStringLiteral("/out dir/styled page.html");
    exportHTML(styledPath, true);
    const QString styled = readFile(styledPath);
    EXPECT_EQ(styled.toStdString(), HTMLFormatter::formatForExport(body, css, QStringLiteral("My Notes")).toStdString());
    EXPECT_TRUE(styled.contains(QStringLiteral("#123456")));

    for (const QString& page : { plain, styled }) {
        EXPECT_TRUE(page.contains(QStringLiteral("<title>My Notes</title>")));
        EXPECT_FALSE(page.contains(QStringLiteral("jekyll-table")));
        EXPECT_FALSE(page.contains(QStringLiteral("Front matter title")));
    }
    // The check box keeps its state from one export to the next.
    ASSERT_EQ(dialogs.savePanels.size(), 2);
    EXPECT_EQ(dialogs.savePanels[0].accessoryCheckBoxTitle, "Include styles");
    EXPECT_FALSE(dialogs.savePanels[1].accessoryCheckBoxState) << "the first export left it off";
    EXPECT_TRUE(dialogs.alerts.isEmpty());

    // With front matter not parsed out, it stays text of the page, still without a table.
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_PARSE_JEKYLL, false);
    const QString unparsedPath = folder + QStringLiteral("/unparsed.html");
    exportHTML(unparsedPath, false);
    EXPECT_FALSE(readFile(unparsedPath).contains(QStringLiteral("jekyll-table")));
}

TEST_F(HtmlExport, WithoutADocumentStyleThePreferredPreviewStyleIsUsed)
{
    const QString css = QStringLiteral("h1 { color: #abcdef; }");
    writeFile(folder + QStringLiteral("/preferred.css"), css.toUtf8());
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_STYLE_NAME, folder + QStringLiteral("/preferred.css"));
    const QString text = QStringLiteral("# Title\n");
    open(folder + QStringLiteral("/doc.md"), text);
    const QString path = folder + QStringLiteral("/doc.html");
    exportHTML(path, true);
    EXPECT_EQ(readFile(path).toStdString(),
        HTMLFormatter::formatForExport(MarkdownFormatter::formatRawContent(std::optional<QString>(text)), css, QStringLiteral("doc"))
            .toStdString());
}

TEST_F(HtmlExport, AFailedWriteShowsTheAlertAndLeavesNoPartialFile)
{
    open(folder + QStringLiteral("/doc.md"), QStringLiteral("# A heading\n\n") + QString(4000, QLatin1Char('x')) + QLatin1Char('\n'));
    writeFile(folder + QStringLiteral("/plain"), "a file where a folder should be");
    QDir().mkpath(folder + QStringLiteral("/limited"));

    struct Case {
        const char* name;
        QString path;
        rlim_t sizeLimit; // 0: none
    };
    const Case cases[] = {
        { "under a regular file", folder + QStringLiteral("/plain/out.html"), 0 },
        { "file-size limit", folder + QStringLiteral("/limited/out.html"), 512 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype before = dialogs.alerts.size();
        {
            std::optional<test::FileSizeLimit> limit;
            if (c.sizeLimit) {
                ASSERT_TRUE(limit.emplace(c.sizeLimit).isActive());
            }
            exportHTML(c.path, false);
        }
        ASSERT_EQ(dialogs.alerts.size(), before + 1);
        const platform::AlertSpec& alert = dialogs.alerts.last();
        EXPECT_EQ(alert.messageText, "The HTML page could not be exported.");
        EXPECT_TRUE(alert.informativeText.contains(c.path)) << alert.informativeText.toStdString();
        EXPECT_FALSE(QFile::exists(c.path));
    }
    EXPECT_TRUE(QDir(folder + QStringLiteral("/limited")).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << "no temporary file left";
}

// --- Printing the editor ---

class Printing : public ExportTest {
protected:
    // A long text of wrapped paragraphs, over several pages.
    static QString longText()
    {
        QString text = QStringLiteral("Firstword of the printed text.\n\n");
        for (int i = 0; i < 120; ++i)
            text += QStringLiteral("Paragraph %1 says a good deal more than fits on one line of the page, so that it wraps "
                                   "at the right margin and shows where that margin is.\n")
                        .arg(i);
        return text;
    }
};

TEST_F(Printing, APrintOfTheEditorToAPdfPrinterHasTheSettingsPageAndMargins)
{
    TVXDocument* document = open(folder + QStringLiteral("/printed.md"), longText());
    struct Margins {
        int top, left, right, bottom;
    };
    for (const Margins m : { Margins { 100, 50, 40, 80 }, Margins { 36, 144, 72, 30 } }) {
        SCOPED_TRACE(testing::Message() << "margins " << m.top << " " << m.left << " " << m.right << " " << m.bottom);
        setMargins(m.top, m.left, m.right, m.bottom);
        const QString path = folder + QStringLiteral("/printed %1.pdf").arg(m.left);
        std::optional<bool> printed;
        document->printDocumentWithSettings({ path }, false, [&](TVXDocument* d, bool ok) {
            EXPECT_EQ(d, document);
            printed = ok;
        }, {});
        ASSERT_TRUE(test::waitUntil([&] { return printed.has_value(); }));
        EXPECT_TRUE(*printed);

        const test::PdfInfo info = test::pdfInfo(path);
        ASSERT_TRUE(info.ok);
        const QSizeF page = document->printInfo().fullRect(QPageLayout::Point).size();
        EXPECT_NEAR(info.pageSize.width(), page.width(), 0.5);
        EXPECT_NEAR(info.pageSize.height(), page.height(), 0.5);
        EXPECT_GE(info.pages, 3);
        const QList<test::PdfWord> words = test::pdfWords(path);
        ASSERT_FALSE(words.isEmpty());
        EXPECT_EQ(words.first().text, "Firstword");
        // The first word starts at the top left corner of the margins.
        EXPECT_NEAR(words.first().xMin, m.left, 1.0);
        EXPECT_GE(words.first().yMin, m.top - 0.5);
        EXPECT_LT(words.first().yMin, m.top + 6);
        // Nothing outside the margins; lines wrap close to the right one and pages end close to the bottom one.
        const test::WordBounds bounds = test::wordBounds(words);
        EXPECT_GE(bounds.left, m.left - 0.5);
        EXPECT_GE(bounds.top, m.top - 0.5);
        EXPECT_LE(bounds.right, info.pageSize.width() - m.right + 0.5);
        EXPECT_GT(bounds.right, info.pageSize.width() - m.right - 60);
        EXPECT_LE(bounds.bottom, info.pageSize.height() - m.bottom + 0.5);
        EXPECT_GT(bounds.bottom, info.pageSize.height() - m.bottom - 40);
    }
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(Printing, TheMenuPrintGoesThroughThePrintPanel)
{
    TVXDocument* document = open(folder + QStringLiteral("/menu.md"), QStringLiteral("Printed from the menu.\n"));
    setMargins(90, 90, 90, 90);

    // Cancelled: nothing printed, nothing said.
    dialogs.printPanelAnswers.push_back(false);
    document->printDocument();
    ASSERT_EQ(dialogs.printPanels.size(), 1);

    dialogs.printToFile = folder + QStringLiteral("/menu.pdf");
    dialogs.printPanelAnswers.push_back(true);
    document->printDocument();
    ASSERT_EQ(dialogs.printPanels.size(), 2);
    const QList<test::PdfWord> words = test::pdfWords(dialogs.printToFile);
    ASSERT_FALSE(words.isEmpty());
    EXPECT_EQ(words.first().text, "Printed");
    EXPECT_NEAR(words.first().xMin, 90, 1.0);
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList { "menu.pdf" });
}

TEST_F(Printing, AnUnwritablePrintTargetIsReported)
{
    TVXDocument* document = open(folder + QStringLiteral("/x.md"), QStringLiteral("Text\n"));
    writeFile(folder + QStringLiteral("/plain"), "file");
    std::optional<bool> printed;
    document->printDocumentWithSettings({ folder + QStringLiteral("/plain/x.pdf") }, false,
        [&](TVXDocument*, bool ok) { printed = ok; }, {});
    ASSERT_TRUE(test::waitUntil([&] { return printed.has_value(); }));
    EXPECT_FALSE(*printed);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_TRUE(dialogs.alerts[0].informativeText.contains(folder + QStringLiteral("/plain/x.pdf")));
}

// --- PDF of the rendered preview ---

class PdfExport : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        platform::UserDefaults::standard().setValue(Prefs::PREVIEW_ENABLE_MATHJAX, true);
        platform::UserDefaults::standard().setValue(Prefs::PREVIEW_ENABLE_PRISM, true);
        window = std::make_unique<QWidget>();
        window->resize(1200, 800);
        split = new AnimatedSplitView(Qt::Horizontal, window.get());
        split->setGeometry(0, 0, 1200, 800);
        split->addWidget(new QWidget(split));
        split->addWidget(new QWidget(split));
        pane = new PreviewPane(split);
        split->addWidget(pane);
        split->setSizes({ 0, 500, 700 });
        layout = std::make_unique<TVXWindowSplitViewController>();
        layout->setWindowSplitView(split);
        layout->setParentWindow(window.get());
        window->show();
        ASSERT_TRUE(test::waitUntil([&] { return split->isVisible(); }));
        layout->awakeFromNib();
        pane->controller()->setSplitView(layout.get(), [this] { return layout->currentPreviewPaneState(); });
        // The window's own preview: the export waits for the pane's renderings through it.
        windowPreview = std::make_unique<WindowPreview>(pane->controller());
        controller.setPreviewController(windowPreview.get());
        controller.setSplitViewController(layout.get());
    }
    void TearDown() override
    {
        platform::UserDefaults::standard().removeObject(Prefs::PREVIEW_ENABLE_MATHJAX);
        platform::UserDefaults::standard().removeObject(Prefs::PREVIEW_ENABLE_PRISM);
        ExportTest::TearDown();
    }

    QVariant eval(const QString& script) { return test::evaluate(pane->webView(), script); }

    // A document with a heading, a table, highlighted code and a formula, rendered in the pane.
    TVXDocument* renderDocument()
    {
        const QString text = QStringLiteral("# Exported heading\n\n"
                                            "| Name | Value |\n|------|-------|\n| Cell alpha | Cell beta |\n\n"
                                            "```javascript\nconst answer = 42;\n```\n\n"
                                            "$$E = mc^2$$\n");
        TVXDocument* document = open(folder + QStringLiteral("/rendered.md"), text);
        pane->controller()->renderUsingTextView(editor(document)->getEditorTextView(), QUrl::fromLocalFile(folder + QLatin1Char('/')),
            document->fileURL());
        EXPECT_TRUE(test::waitForScript(pane->webView(), QStringLiteral("document.querySelector('code .token') !== null")))
            << "Prism highlighted the code";
        EXPECT_TRUE(test::waitForScript(pane->webView(),
            QStringLiteral("document.querySelector('.MathJax, .MathJax_Display, .MathJax_SVG') !== null")))
            << "MathJax typeset the formula";
        return document;
    }

    // The window's command with the panel answering `path` (none: cancelled); waits for the end.
    void exportPDF(TVXDocument* document, const std::optional<QString>& path)
    {
        dialogs.savePanelAnswers.push_back(path);
        controller.exportPDF();
        if (path) {
            ASSERT_TRUE(test::waitUntil([&] { return document->previewView() == nullptr; }, 60000));
        }
    }

    std::unique_ptr<QWidget> window;
    AnimatedSplitView* split = nullptr;
    PreviewPane* pane = nullptr;
    std::unique_ptr<WindowPreview> windowPreview;
    std::unique_ptr<TVXWindowSplitViewController> layout;
};

TEST_F(PdfExport, ThePdfHoldsThePageWithTheSettingsPageAndMarginsAndThePaneIsPutBack)
{
    TVXDocument* document = renderDocument();
    struct Run {
        int paneBefore;
        int top, left, right, bottom;
    };
    std::optional<test::PdfWord> previousHeading;
    std::optional<Run> previousRun;
    for (const Run run : { Run { 1, 36, 36, 36, 36 }, Run { 0, 108, 144, 100, 90 } }) {
        SCOPED_TRACE(testing::Message() << "pane " << run.paneBefore << ", left margin " << run.left);
        layout->setPreviewState(run.paneBefore, false);
        ASSERT_EQ(layout->currentPreviewPaneState(), run.paneBefore);
        setMargins(run.top, run.left, run.right, run.bottom);
        const QString path = folder + QStringLiteral("/exported %1.pdf").arg(run.left);
        exportPDF(document, path);
        EXPECT_EQ(layout->currentPreviewPaneState(), run.paneBefore) << "the pane is as it was";

        const test::PdfInfo info = test::pdfInfo(path);
        ASSERT_TRUE(info.ok);
        const QSizeF page = document->printInfo().fullRect(QPageLayout::Point).size();
        EXPECT_NEAR(info.pageSize.width(), page.width(), 0.5);
        EXPECT_NEAR(info.pageSize.height(), page.height(), 0.5);
        const QString text = test::pdfText(path);
        for (const char* expected : { "Exported heading", "Cell alpha", "Cell beta", "const answer = 42;" })
            EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected << "\n" << text.toStdString();

        const QList<test::PdfWord> words = test::pdfWords(path);
        ASSERT_FALSE(words.isEmpty());
        const test::WordBounds bounds = test::wordBounds(words);
        EXPECT_GE(bounds.left, run.left - 0.5);
        EXPECT_GE(bounds.top, run.top - 0.5);
        EXPECT_LE(bounds.right, info.pageSize.width() - run.right + 0.5);
        EXPECT_LE(bounds.bottom, info.pageSize.height() - run.bottom + 0.5);
        // The page moved with the margins, point for point.
        const auto heading = std::find_if(words.begin(), words.end(), [](const test::PdfWord& w) { return w.text == "Exported"; });
        ASSERT_NE(heading, words.end());
        if (previousHeading) {
            EXPECT_NEAR(heading->xMin - previousHeading->xMin, run.left - previousRun->left, 1.0);
            EXPECT_NEAR(heading->yMin - previousHeading->yMin, run.top - previousRun->top, 1.0);
        }
        previousHeading = *heading;
        previousRun = run;
    }
    EXPECT_TRUE(dialogs.alerts.isEmpty());

    // A print of the editor with the same settings has the same page and margins.
    const QString printed = folder + QStringLiteral("/editor.pdf");
    document->printDocumentWithSettings({ printed }, false, {}, {});
    ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(printed); }));
    const QSizeF printedPage = test::pdfInfo(printed).pageSize;
    const QSizeF exportedPage = test::pdfInfo(folder + QStringLiteral("/exported 144.pdf")).pageSize;
    EXPECT_NEAR(printedPage.width(), exportedPage.width(), 0.5);
    EXPECT_NEAR(printedPage.height(), exportedPage.height(), 0.5);
    EXPECT_NEAR(test::wordBounds(test::pdfWords(printed)).left, 144, 1.0);
}

// A pane shown for the export renders the text as it is now, and loads that page only when the
// render process answers: the PDF is printed once that page is in, not the page the pane
// showed before it was hidden (nor a blank one, mid-load). The render process is held stopped
// past the page's own answers to make the wait visible.
TEST_F(PdfExport, APaneShownForTheExportIsPrintedOnceItsNewPageIsIn)
{
    TVXDocument* document = open(folder + QStringLiteral("/shown.md"), QStringLiteral("# Before hiding\n"));
    platform::TextView* textView = editor(document)->getEditorTextView();
    pane->controller()->renderUsingTextView(textView, QUrl::fromLocalFile(folder + QLatin1Char('/')), document->fileURL());
    ASSERT_TRUE(test::waitForScript(pane->webView(), QStringLiteral("document.body.textContent.includes('Before hiding')")));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        layout->setPreviewState(0, false);
        textView->moveCursor(QTextCursor::End);
        const QString added = QStringLiteral("Added while hidden %1").arg(round);
        textView->insertPlainText(QStringLiteral("\n") + added + QStringLiteral("\n"));
        const qint64 renderer = pane->controller()->renderer().processId();
        ASSERT_GT(renderer, 0);
        ASSERT_EQ(::kill(pid_t(renderer), SIGSTOP), 0);
        const QString path = folder + QStringLiteral("/shown %1.pdf").arg(round);
        dialogs.savePanelAnswers.push_back(path);
        controller.exportPDF();
        // Scripts answer in order: once these have, any the export sent have too.
        test::evaluate(pane->webView(), QStringLiteral("0"));
        test::evaluate(pane->webView(), QStringLiteral("0"));
        EXPECT_NE(document->previewView(), nullptr) << "the export waits for the page";
        ASSERT_EQ(::kill(pid_t(renderer), SIGCONT), 0);
        ASSERT_TRUE(test::waitUntil([&] { return document->previewView() == nullptr; }, 60000));
        EXPECT_EQ(layout->currentPreviewPaneState(), 0);
        const QString printed = test::pdfText(path);
        EXPECT_TRUE(printed.contains(QLatin1String("Before hiding"))) << printed.toStdString();
        EXPECT_TRUE(printed.contains(added)) << "the page of the text as it is now\n" << printed.toStdString();
    }
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(PdfExport, TheExportedFileIsMadeAsOtherFilesAreUnderTheUmask)
{
    TVXDocument* document = open(folder + QStringLiteral("/mode.md"), QStringLiteral("# Mode\n"));
    for (const mode_t mask : { mode_t(022), mode_t(027), mode_t(002) }) {
        SCOPED_TRACE(mask);
        const QString path = folder + QStringLiteral("/mode %1.pdf").arg(mask, 3, 8, QLatin1Char('0'));
        const mode_t before = ::umask(mask);
        exportPDF(document, path);
        ::umask(before);
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    }
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(PdfExport, CancellingDoesNothingAndLeavesThePreviewShown)
{
    TVXDocument* document = open(folder + QStringLiteral("/cancelled.md"), QStringLiteral("# Cancelled\n"));
    layout->setPreviewState(0, false);
    exportPDF(document, std::nullopt);
    EXPECT_EQ(layout->currentPreviewPaneState(), 1);
    EXPECT_EQ(document->previewView(), nullptr);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(PdfExport, AnUnwritableTargetIsReportedAndThePaneIsPutBack)
{
    TVXDocument* document = open(folder + QStringLiteral("/doc.md"), QStringLiteral("# Doc\n"));
    writeFile(folder + QStringLiteral("/plain"), "file");
    layout->setPreviewState(0, false);
    exportPDF(document, folder + QStringLiteral("/plain/doc.pdf"));
    EXPECT_EQ(layout->currentPreviewPaneState(), 0);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].messageText, "The PDF could not be exported.");
    EXPECT_TRUE(dialogs.alerts[0].informativeText.contains(folder + QStringLiteral("/plain/doc.pdf")));
}

} // namespace
