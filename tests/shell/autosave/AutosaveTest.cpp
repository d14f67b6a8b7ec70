// Temporary copies of untitled documents: when they are written, named, deleted and restored,
// what quitting does with them, and that a writer killed mid-write never leaves a torn copy.
#include "FileSizeLimit.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/NotificationCenter.h"
#include "platform/Workspace.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDraftsMenu.h"
#include "TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <random>

using namespace penwick;

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList copiesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList({ QStringLiteral("*.pwtemp") }, QDir::Files);
    for (QString& name : names)
        name = folder + QLatin1Char('/') + name;
    return names;
}

class Autosave : public ::testing::Test {
protected:
    Autosave()
    {
        QDir(TVXDraftsMenu::draftsFolder()).removeRecursively();
        TVXDocument::setSaveSessionHandler([this](TVXDocument* document) { sessionSaves.append(document); });
    }
    ~Autosave() override { TVXDocument::setSaveSessionHandler({}); }

    TVXDocument* typedUntitled(const QString& text)
    {
        TVXDocument* document = controller.openUntitledDocumentAndDisplay(false);
        test::plainEditor(*document)->type(text);
        document->updateChangeCount(platform::DocumentChange::Done);
        return document;
    }
    bool quit()
    {
        bool all = false;
        controller.closeAllDocuments([&](bool closed) { all = closed; });
        return all;
    }

    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocumentController controller;
    QList<TVXDocument*> sessionSaves;
};

} // namespace

TEST_F(Autosave, ADocumentNeverTypedInGetsNoCopyAndClosesAtQuitWithoutAQuestion)
{
    TVXDocument* document = controller.openUntitledDocumentAndDisplay(false);
    controller.fireSaveTimer();
    document->saveDocument(nullptr); // even asked directly
    EXPECT_TRUE(document->tempFileURL().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(TVXDraftsMenu::draftsFolder()));
    EXPECT_TRUE(quit());
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    EXPECT_TRUE(sessionSaves.isEmpty());
}

TEST_F(Autosave, TheFirstCopyMakesTheFolderIsNamedAfterTheDocumentAndSavesTheSessionOnce)
{
    TVXDocument* document = typedUntitled(QStringLiteral("first words"));
    test::StdoutCapture capture;
    controller.fireSaveTimer();
    const QString output = capture.text();

    const QString copy = document->tempFileURL().toLocalFile();
    EXPECT_EQ(QFileInfo(copy).absolutePath(), TVXDraftsMenu::draftsFolder());
    EXPECT_TRUE(TVXDraftsMenu::draftsFolder().endsWith(QStringLiteral("/Penwick/.temp")));
    const QRegularExpression name(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}_")
        + QRegularExpression::escape(document->displayName()) + QStringLiteral("\\.pwtemp$"));
    EXPECT_TRUE(name.match(QFileInfo(copy).fileName()).hasMatch()) << qPrintable(copy);
    EXPECT_EQ(read(copy), QByteArray("first words"));
    EXPECT_EQ(output, QStringLiteral("Saved to: ") + copy + QLatin1Char('\n'));
    EXPECT_EQ(document->canonicalURL(), document->tempFileURL());
    EXPECT_EQ(sessionSaves, QList<TVXDocument*> { document });

    test::plainEditor(*document)->type(QStringLiteral(" and more"));
    controller.fireSaveTimer();
    EXPECT_EQ(document->tempFileURL().toLocalFile(), copy);
    EXPECT_EQ(read(copy), QByteArray("first words and more"));
    EXPECT_EQ(copiesIn(TVXDraftsMenu::draftsFolder()), QStringList { copy });
    EXPECT_EQ(sessionSaves.size(), 1);
    // Two copies of documents with the same name never share a file.
    EXPECT_NE(TVXDocument::createTempFileURL(QStringLiteral("Same")), TVXDocument::createTempFileURL(QStringLiteral("Same")));
}

TEST_F(Autosave, SavingToARealFileDeletesTheCopyAndTheFileBecomesTheDocumentsURL)
{
    TVXDocument* document = typedUntitled(QStringLiteral("keep me"));
    controller.fireSaveTimer();
    const QString copy = document->tempFileURL().toLocalFile();
    ASSERT_TRUE(QFile::exists(copy));
    const QString file = test::temporaryFolder() + QStringLiteral("/kept.md");
    dialogs.savePanelAnswers.push_back(file);
    sessionSaves.clear();

    EXPECT_TRUE(document->saveDocument(&controller)); // the menu's Save: a panel
    EXPECT_EQ(dialogs.savePanels.size(), 1);
    EXPECT_EQ(read(file), QByteArray("keep me"));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(document->tempFileURL().isEmpty());
    EXPECT_EQ(document->canonicalURL(), QUrl::fromLocalFile(file));
    EXPECT_EQ(sessionSaves, QList<TVXDocument*> { document });
}

TEST_F(Autosave, ARestoredCopyIsNamedAfterTheLastUnderscorePieceAndItsNewCopyIsWrittenAndListedAtOnce)
{
    const QString draft = TVXDraftsMenu::draftsFolder() + QStringLiteral("/0A1B-UUID_my_draft.pwtemp");
    write(draft, "draft text");
    TVXDocument* restored = nullptr;
    controller.reopenDocumentForContentsOfURL(QUrl::fromLocalFile(draft), false,
        [&](TVXDocument* document, bool, const std::optional<platform::DocumentError>&) { restored = document; });
    ASSERT_TRUE(restored);
    sessionSaves.clear();
    restored->postAutoSaveRestore(draft);
    EXPECT_EQ(restored->displayName(), QStringLiteral("draft"));
    EXPECT_EQ(test::plainEditor(*restored)->shownTitle, QStringLiteral("draft"));
    EXPECT_TRUE(restored->isDocumentEdited());
    EXPECT_TRUE(restored->fileURL().isEmpty());
    const QString next = restored->tempFileURL().toLocalFile();
    EXPECT_NE(next, draft);
    EXPECT_TRUE(next.endsWith(QStringLiteral("_draft.pwtemp")));
    // A crash right now must find the tab again: the copy is on disk and the session lists it.
    EXPECT_EQ(read(next), QByteArray("draft text"));
    EXPECT_EQ(sessionSaves, QList<TVXDocument*> { restored });
    EXPECT_EQ(restored->canonicalURL(), QUrl::fromLocalFile(next));

    test::plainEditor(*restored)->type(QStringLiteral("more "));
    controller.fireSaveTimer();
    EXPECT_TRUE(read(next).contains("more ")) << read(next).constData();
    EXPECT_EQ(sessionSaves.size(), 1); // the same copy: the session already lists it
    EXPECT_EQ(read(draft), QByteArray("draft text")); // the reopened file stays
}

TEST_F(Autosave, AtQuitADocumentWithACopyWritesItAndClosesWithoutAQuestion)
{
    TVXDocument* document = typedUntitled(QStringLiteral("one"));
    controller.fireSaveTimer();
    test::plainEditor(*document)->type(QStringLiteral(" two"));
    const QString copy = document->tempFileURL().toLocalFile();

    EXPECT_TRUE(quit());
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    EXPECT_EQ(read(copy), QByteArray("one two")); // stays for the next session
}

TEST_F(Autosave, AtQuitAnUntitledDocumentIsNeverAskedAboutAndItsTextIsInItsCopyBeforeOrAfterTheFirstTimedCopy)
{
    for (const bool timedCopyMade : { false, true }) {
        SCOPED_TRACE(timedCopyMade ? "after the first timed copy" : "within the first ten seconds");
        dialogs.alerts.clear();
        sessionSaves.clear();
        TVXDocument* document = typedUntitled(QStringLiteral("typed at once"));
        if (timedCopyMade) {
            controller.fireSaveTimer();
            ASSERT_FALSE(document->tempFileURL().isEmpty());
        }
        test::plainEditor(*document)->type(QStringLiteral(", then quit"));

        EXPECT_TRUE(quit());
        EXPECT_TRUE(dialogs.alerts.isEmpty());
        EXPECT_TRUE(document->isClosed());
        const QString copy = document->tempFileURL().toLocalFile();
        ASSERT_FALSE(copy.isEmpty());
        EXPECT_EQ(read(copy), QByteArray("typed at once, then quit")); // stays for the next session
        // The session lists the copy: its first write saved the session, whenever it came.
        EXPECT_EQ(sessionSaves, QList<TVXDocument*> { document });
    }
}

TEST_F(Autosave, ACopyThatCannotBeWrittenAtQuitKeepsTheDocumentEditedAndAsks)
{
    TVXDocument* document = typedUntitled(QStringLiteral("saved once"));
    controller.fireSaveTimer();
    const QString copy = document->tempFileURL().toLocalFile();
    test::plainEditor(*document)->type(QString(64 * 1024, QLatin1Char('q')));

    dialogs.alertAnswers.push_back(1); // Cancel
    bool all = true;
    {
        const test::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.isActive());
        all = quit();
    }

    EXPECT_FALSE(all);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_TRUE(dialogs.alerts.first().messageText.contains(document->displayName()));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_FALSE(document->isClosed());
    // The failed write left the previous copy whole.
    EXPECT_EQ(read(copy), QByteArray("saved once"));
    EXPECT_EQ(copiesIn(TVXDraftsMenu::draftsFolder()), QStringList { copy });

    // Once the disk takes it again, the next quit writes the copy and closes.
    EXPECT_TRUE(quit());
    EXPECT_EQ(read(copy).size(), 10 + 64 * 1024);
}

TEST_F(Autosave, AWriterKilledAtAnyMomentNeverLeavesATornOrEmptyCopy)
{
    const QString dataHome = test::temporaryFolder();
    const QString folder = dataHome + QStringLiteral("/Penwick/.temp");
    std::mt19937 random(20241210);
    for (int run = 0; run < 6; ++run) {
        const int killAt = std::uniform_int_distribution<int>(1, 199)(random);
        const bool afterWrite = random() % 2 == 1;
        SCOPED_TRACE(::testing::Message() << "kill at " << killAt << (afterWrite ? " after" : " during"));
        QProcess writer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        writer.setProcessEnvironment(environment);
        writer.setProcessChannelMode(QProcess::SeparateChannels);
        writer.start(QStringLiteral(PENWICK_COPY_WRITER), { QStringLiteral("200") });
        ASSERT_TRUE(writer.waitForStarted());
        const QByteArray mark = (afterWrite ? "wrote " : "writing ") + QByteArray::number(killAt) + '\n';
        QByteArray seen;
        ASSERT_TRUE(test::waitUntil([&] {
            seen += writer.readAllStandardOutput();
            return seen.contains(mark) || writer.state() == QProcess::NotRunning;
        }, 60000));
        ASSERT_TRUE(seen.contains(mark)) << seen.right(200).constData();
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(10000));

        const QStringList copies = copiesIn(folder);
        // Killed inside the very first write, the copy may not exist yet; otherwise it does.
        ASSERT_LE(copies.size(), 1);
        if (killAt > 1 || afterWrite) {
            ASSERT_EQ(copies.size(), 1);
        }
        for (const QString& copy : copies) {
            const QByteArray bytes = read(copy);
            const int newline = bytes.indexOf('\n');
            ASSERT_GT(newline, 0) << qPrintable(copy);
            const QList<QByteArray> header = bytes.left(newline).split(' ');
            ASSERT_EQ(header.size(), 3);
            EXPECT_EQ(header[0], QByteArray("copy"));
            EXPECT_EQ(bytes.size() - newline - 1, header[2].toInt()) << "torn copy " << qPrintable(copy);
        }
        QDir(folder).removeRecursively();
    }
}

// --- Drafts menu ---

TEST(DraftsMenu, ADraftIsTitledByTheLastPieceOfItsName)
{
    struct Case {
        QString path;
        std::optional<QString> title;
    };
    for (const Case& c : { Case { "/d/a_b_c.pwtemp", QStringLiteral("c") }, Case { "/d/___.pwtemp", std::nullopt },
             Case { "/d/ABC-123_my_draft.pwtemp", QStringLiteral("draft") }, Case { "/d/plain.pwtemp", QStringLiteral("plain") },
             Case { "/d/x__.pwtemp", QStringLiteral("x") }, Case { "/d/_Untitled 2.pwtemp", QStringLiteral("Untitled 2") } }) {
        EXPECT_EQ(TVXDraftsMenu::draftTitle(c.path), c.title) << qPrintable(c.path);
    }
}

TEST(DraftsMenu, TheMenuListsTheDraftsByNameSkipsNamesWithoutPiecesAndIsClearedWhenNoneAreLeft)
{
    QDir(TVXDraftsMenu::draftsFolder()).removeRecursively();
    QMenu menu;
    menu.addAction(QStringLiteral("stale entry"));
    TVXDraftsMenu drafts;
    drafts.setDraftFilesMenu(&menu);
    drafts.populateDraftItemsMenu(); // no folder: an empty menu
    EXPECT_TRUE(menu.actions().isEmpty());

    const QString folder = TVXDraftsMenu::draftsFolder();
    for (const char* name : { "C3_zeta.pwtemp", "A1_a_b_c.pwtemp", "___.pwtemp", "B2_Untitled.pwtemp", "notes.md" })
        write(folder + QLatin1Char('/') + QLatin1String(name), "x");
    drafts.populateDraftItemsMenu();
    QStringList titles;
    QStringList paths;
    for (QAction* action : menu.actions()) {
        titles << action->text();
        paths << action->data().toString();
    }
    EXPECT_EQ(titles, (QStringList { "c", "Untitled", "zeta" }));
    EXPECT_EQ(paths, (QStringList { folder + "/A1_a_b_c.pwtemp", folder + "/B2_Untitled.pwtemp", folder + "/C3_zeta.pwtemp" }));

    QDir(folder).removeRecursively();
    drafts.populateDraftItemsMenu();
    EXPECT_TRUE(menu.actions().isEmpty());
}

TEST(DraftsMenu, AChosenDraftOpensWithItsTextAsANewEditedUntitledDocument)
{
    test::PlainEditorFactoryScope factory;
    TVXDocumentController controller;
    QList<TVXDocument*> shown;
    auto observation = platform::NotificationCenter::defaultCenter().observe(TVXDocument::DocumentNeedWindowNotification, nullptr,
        [&](const platform::Notification& n) { shown << static_cast<TVXDocument*>(const_cast<void*>(n.object)); });
    const QString path = TVXDraftsMenu::draftsFolder() + QStringLiteral("/F00_Trip plan.pwtemp");
    write(path, "# Trip\n\nday one\n");
    QMenu menu;
    TVXDraftsMenu drafts;
    drafts.setDocumentController(&controller);
    drafts.setDraftFilesMenu(&menu);
    drafts.populateDraftItemsMenu();
    ASSERT_EQ(menu.actions().size(), 1);

    menu.actions().first()->trigger();
    ASSERT_EQ(shown.size(), 1);
    TVXDocument* document = shown.first();
    ASSERT_TRUE(document);
    EXPECT_EQ(test::plainEditor(*document)->getEditorTextView()->string(), QStringLiteral("# Trip\n\nday one\n"));
    EXPECT_EQ(document->displayName(), QStringLiteral("Trip plan"));
    EXPECT_TRUE(document->fileURL().isEmpty());
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_FALSE(document->tempFileURL().isEmpty());

    // A draft gone by the time it is chosen opens nothing.
    QFile::remove(path);
    menu.actions().first()->trigger();
    EXPECT_EQ(shown.size(), 1);
    QDir(TVXDraftsMenu::draftsFolder()).removeRecursively();
}

TEST(DraftsMenu, TheHelpLinksOpenSixFixedPagesAndTheThemesPageShips)
{
    QList<QUrl> opened;
    platform::Workspace::setOpener([&](const QUrl& url) { opened << url; return true; });
    QMenu help;
    TVXDraftsMenu drafts;
    drafts.addHelpItems(&help);
    ASSERT_EQ(help.actions().size(), 6);
    for (QAction* action : help.actions())
        action->trigger();
    platform::Workspace::setOpener({});
    ASSERT_EQ(opened.size(), 6);
    for (const QUrl& url : opened)
        EXPECT_TRUE(url.isValid() && (url.scheme() == QStringLiteral("https") || url.isLocalFile())) << qPrintable(url.toString());
    EXPECT_TRUE(opened.last().isLocalFile());
    EXPECT_TRUE(QFile::exists(opened.last().toLocalFile())) << qPrintable(opened.last().toLocalFile());
}
