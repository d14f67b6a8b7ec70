#include "OpenDocument.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/FileNames.h"
#include "platform/NotificationCenter.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace penwick;

namespace {

struct Delegate : TVXDocumentControllerDelegate {
    void attemptedReloadOfDocument(TVXDocument* document) override { log << QStringLiteral("reload ") + document->displayName(); }
    void saveSession() override { log << QStringLiteral("session"); }
    QStringList log;
};

QString write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return path;
}

QByteArray read(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class Controller : public ::testing::Test {
protected:
    Controller() { controller.setDelegate(&delegate); }
    TVXDocument* open(const QString& path)
    {
        return test::openDocument(controller, path, false);
    }
    QString dir = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    Delegate delegate;
    TVXDocumentController controller;
};

} // namespace

TEST_F(Controller, OpeningAnOpenFileMakesNoSecondDocumentAndReportsAfterTheCompletion)
{
    const QString path = write(dir + QStringLiteral("/notes.md"), "# Notes\n");
    int windowRequests = 0;
    auto observation = platform::NotificationCenter::defaultCenter().observe(TVXDocument::DocumentNeedWindowNotification, nullptr,
        [&](const platform::Notification&) { ++windowRequests; });
    TVXDocument* first = nullptr;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
        TVXDocumentController::Completion([&](TVXDocument* d, bool alreadyOpen, const std::optional<platform::DocumentError>& error) {
            first = d;
            EXPECT_FALSE(alreadyOpen);
            EXPECT_FALSE(error);
        }));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->contents(), QStringLiteral("# Notes\n"));
    EXPECT_EQ(windowRequests, 1);
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(dir + QStringLiteral("/./notes.md")), true,
        TVXDocumentController::Completion([&](TVXDocument* d, bool alreadyOpen, const std::optional<platform::DocumentError>&) {
            EXPECT_EQ(d, first);
            EXPECT_TRUE(alreadyOpen);
            delegate.log << QStringLiteral("completion");
        }));
    EXPECT_EQ(controller.documents().size(), 1);
    EXPECT_EQ(delegate.log, (QStringList { "completion", "reload notes.md" }));
    EXPECT_EQ(windowRequests, 1);
}

TEST_F(Controller, FilesThatCannotBeReadGiveAnErrorAndNoDocument)
{
    const QString latin = write(dir + QStringLiteral("/latin.md"), "caf\xe9\n");
    const QString image = write(dir + QStringLiteral("/x.png"), QByteArray("\x89PNG\r\n\x1a\n", 8));
    for (const QString& path : { latin, image, dir + QStringLiteral("/missing.md") }) {
        std::optional<platform::DocumentError> error;
        TVXDocument* document = reinterpret_cast<TVXDocument*>(1);
        controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
            TVXDocumentController::Completion([&](TVXDocument* d, bool, const std::optional<platform::DocumentError>& e) {
                document = d;
                error = e;
            }));
        EXPECT_EQ(document, nullptr) << qPrintable(path);
        EXPECT_TRUE(error) << qPrintable(path);
    }
    EXPECT_TRUE(controller.documents().isEmpty());
}

TEST_F(Controller, TheSaveTimerRunsFromCreationAndStartsOnce)
{
    ASSERT_TRUE(controller.hasSaveTimer());
    QTimer* timer = controller.saveTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 10000);
    EXPECT_FALSE(timer->isSingleShot());
    controller.startSaveTimer();
    EXPECT_EQ(controller.saveTimer(), timer);
    controller.disposeSaveTimer();
    controller.disposeSaveTimer();
    EXPECT_FALSE(controller.hasSaveTimer());
    controller.startSaveTimer();
    EXPECT_TRUE(controller.saveTimer()->isActive());
}

TEST_F(Controller, AFiringSavesEditedDocumentsOnlyAndUntitledOnesToTheirCopyOnce)
{
    const QString path = write(dir + QStringLiteral("/kept.md"), "before\r\n");
    TVXDocument* clean = open(write(dir + QStringLiteral("/clean.md"), "clean\n"));
    TVXDocument* file = open(path);
    ASSERT_TRUE(clean && file);
    const QDateTime cleanDate = QFileInfo(dir + QStringLiteral("/clean.md")).lastModified();

    controller.fireSaveTimer(); // nothing edited: nothing happens
    EXPECT_TRUE(dialogs.savePanels.isEmpty());

    test::plainEditor(*file)->type(QStringLiteral("typed "));
    file->updateChangeCount(platform::DocumentChange::Done);
    TVXDocument* untitled = controller.openUntitledDocumentAndDisplay(false);
    auto* editor = test::plainEditor(*untitled);
    editor->type(QStringLiteral("draft text"));
    untitled->updateChangeCount(platform::DocumentChange::Done);
    int newCopies = 0;
    TVXDocument::setSaveSessionHandler([&](TVXDocument* d) { newCopies += d == untitled ? 1 : 0; });

    controller.fireSaveTimer();
    EXPECT_EQ(read(path), QByteArray("typed before\r\n"));
    EXPECT_FALSE(file->isDocumentEdited());
    EXPECT_EQ(QFileInfo(dir + QStringLiteral("/clean.md")).lastModified(), cleanDate);
    EXPECT_TRUE(dialogs.savePanels.isEmpty()); // a timed save never asks
    ASSERT_FALSE(untitled->tempFileURL().isEmpty());
    const QString copy = untitled->tempFileURL().toLocalFile();
    EXPECT_EQ(read(copy), QByteArray("draft text"));
    EXPECT_TRUE(QFileInfo(copy).fileName().endsWith(QStringLiteral("_") + untitled->displayName() + QStringLiteral(".pwtemp")));
    EXPECT_TRUE(untitled->isDocumentEdited()); // a copy is no save
    EXPECT_EQ(newCopies, 1);

    // No further change: the next firing writes nothing.
    QFile::remove(copy);
    controller.fireSaveTimer();
    EXPECT_FALSE(QFile::exists(copy));
    editor->type(QStringLiteral(" more"));
    controller.fireSaveTimer();
    EXPECT_EQ(read(copy), QByteArray("draft text more"));
    EXPECT_EQ(newCopies, 1);
    TVXDocument::setSaveSessionHandler({});
}

TEST_F(Controller, AFiringDuringAModalDialogWaitsUntilItCloses)
{
    const QString path = write(dir + QStringLiteral("/modal.md"), "x\n");
    TVXDocument* file = open(path);
    test::plainEditor(*file)->type(QStringLiteral("y"));
    file->updateChangeCount(platform::DocumentChange::Done);
    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(test::waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
    controller.fireSaveTimer();
    EXPECT_EQ(read(path), QByteArray("x\n"));
    dialog.close();
    EXPECT_TRUE(test::waitUntil([&] { return read(path) == QByteArray("yx\n"); }));
}

TEST_F(Controller, ClosingAllAsksEachDocumentWithoutASummary)
{
    TVXDocument* clean = open(write(dir + QStringLiteral("/a.md"), "a\n"));
    TVXDocument* draft = controller.openUntitledDocumentAndDisplay(false);
    test::plainEditor(*draft)->type(QStringLiteral("kept for next time"));
    draft->updateChangeCount(platform::DocumentChange::Done);
    draft->autoSaveToTempFile();
    ASSERT_FALSE(draft->tempFileURL().isEmpty());
    bool allClosed = false;
    controller.closeAllDocuments([&](bool all) { allClosed = all; });
    EXPECT_TRUE(allClosed);
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    EXPECT_TRUE(clean->isClosed());
    EXPECT_TRUE(draft->isClosed());
    EXPECT_TRUE(QFile::exists(draft->tempFileURL().toLocalFile())); // the copy stays for the next session
}

TEST_F(Controller, AQuitRefusedByALaterDocumentLeavesEveryDocumentAsItWas)
{
    TVXDocument* clean = open(write(dir + QStringLiteral("/a.md"), "a\n"));
    TVXDocument* copied = controller.openUntitledDocumentAndDisplay(false);
    test::plainEditor(*copied)->type(QStringLiteral("on disk"));
    copied->updateChangeCount(platform::DocumentChange::Done);
    ASSERT_TRUE(copied->autoSaveToTempFile());
    TVXDocument* fresh = controller.openUntitledDocumentAndDisplay(false);
    test::plainEditor(*fresh)->type(QStringLiteral("new words"));
    fresh->updateChangeCount(platform::DocumentChange::Done);
    TVXDocument* edited = open(write(dir + QStringLiteral("/b.md"), "b\n"));
    test::plainEditor(*edited)->type(QStringLiteral("changed "));
    edited->updateChangeCount(platform::DocumentChange::Done);

    dialogs.alertAnswers = { 1 }; // Cancel
    std::optional<bool> allClosed;
    controller.closeAllDocuments([&](bool all) { allClosed = all; });
    ASSERT_EQ(allClosed, std::optional<bool>(false));
    ASSERT_EQ(dialogs.alerts.size(), 1); // only the edited file is asked; untitled ones go to their copies
    EXPECT_TRUE(dialogs.alerts.first().messageText.contains(edited->displayName()));
    for (TVXDocument* document : { clean, copied, fresh, edited }) {
        SCOPED_TRACE(document->displayName().toStdString());
        EXPECT_FALSE(document->isClosed());
        EXPECT_TRUE(document->hasEditorViewController());
    }
    EXPECT_EQ(test::plainEditor(*clean)->getEditorTextView()->string(), QStringLiteral("a\n"));
    EXPECT_FALSE(clean->isDocumentEdited());
    EXPECT_TRUE(copied->isDocumentEdited()) << "still edited: the quit did not happen";
    EXPECT_TRUE(fresh->isDocumentEdited());
    EXPECT_TRUE(edited->isDocumentEdited());
    EXPECT_EQ(controller.documents(), (QList<TVXDocument*> { clean, copied, fresh, edited }));

    // Agreeing the next time closes them all.
    dialogs.alertAnswers = { 2 }; // Don't Save
    controller.closeAllDocuments([&](bool all) { allClosed = all; });
    EXPECT_EQ(allClosed, std::optional<bool>(true));
    EXPECT_TRUE(clean->isClosed() && copied->isClosed() && fresh->isClosed() && edited->isClosed());
}

TEST_F(Controller, AFileWhoseNameIsNotUtf8OpensEditsAndSavesUnderItsOwnName)
{
    const QByteArray folder = platform::encodeFileName(dir);
    const QByteArray name = "bad\xffname.md";
    const QByteArray bytesPath = folder + '/' + name;
    const auto entries = [&] {
        QList<QByteArray> names;
        DIR* listing = ::opendir(folder.constData());
        while (dirent* entry = listing ? ::readdir(listing) : nullptr) {
            if (qstrcmp(entry->d_name, ".") && qstrcmp(entry->d_name, ".."))
                names << QByteArray(entry->d_name);
        }
        if (listing)
            ::closedir(listing);
        return names;
    };
    const auto bytesAt = [](const QByteArray& path) {
        QFile file;
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return QByteArray("<unreadable>");
        return file.readAll();
    };
    {
        const int fd = ::open(bytesPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "# Old\n", 6), 6);
        ::close(fd);
    }
    const QString path = platform::decodeFileName(bytesPath);
    ASSERT_TRUE(platform::hasUndecodableBytes(path));

    TVXDocument* document = nullptr;
    std::optional<platform::DocumentError> error;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
        TVXDocumentController::Completion([&](TVXDocument* d, bool, const std::optional<platform::DocumentError>& e) {
            document = d;
            error = e;
        }));
    ASSERT_TRUE(document) << (error ? error->message.toStdString() : std::string());
    EXPECT_EQ(document->contents(), QStringLiteral("# Old\n"));
    EXPECT_EQ(document->fileURL().toLocalFile(), path);
    EXPECT_TRUE(document->fileModificationDate().isValid());

    test::plainEditor(*document)->type(QStringLiteral("# New\n"));
    std::optional<platform::DocumentError> saveError;
    ASSERT_TRUE(document->saveToURL(document->fileURL(), document->fileType(), platform::SaveOperation::Save, &saveError))
        << (saveError ? saveError->message.toStdString() : std::string());
    const QByteArray saved = bytesAt(bytesPath);
    EXPECT_TRUE(saved == "# New\n# Old\n" || saved == "# Old\n# New\n") << saved.toStdString();
    EXPECT_EQ(entries(), QList<QByteArray> { name }) << "no second file beside it, no temporary file left";
    struct stat info {};
    ASSERT_EQ(::stat(bytesPath.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the file keeps its permissions";
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->fileChangedOnDisk());

    // Another program's write is seen as one, and the same name opens the same document.
    {
        const int fd = ::open(bytesPath.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "# Outside, longer\n", 18), 18);
        ::close(fd);
    }
    EXPECT_TRUE(document->fileChangedOnDisk());
    TVXDocument* again = nullptr;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
        TVXDocumentController::Completion([&](TVXDocument* d, bool, const std::optional<platform::DocumentError>&) { again = d; }));
    EXPECT_EQ(again, document);
    ::unlink(bytesPath.constData()); // the temporary folder's removal cannot name it
}
