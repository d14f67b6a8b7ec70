#include "RecordingDialogs.h"

#include "platform/DefaultApplications.h"
#include "platform/Workspace.h"
#include "shell/Alerts.h"
#include "shell/Delay.h"
#include "shell/TVXDocument.h"
#include "shell/TVXTaskService.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include <gtest/gtest.h>

using namespace penwick;

TEST(TaskService, OnePrintedLineComesBackWithItsLineFeed)
{
    EXPECT_EQ(TVXTaskService::runCommand(QStringLiteral("echo 'hello world'")), QStringLiteral("hello world\n"));
    EXPECT_EQ(TVXTaskService::runCommand(QStringLiteral("printf 'caf\\303\\251'")), QStringLiteral("café"));
}

TEST(TaskService, StandardErrorOnlyGivesEmptyTextAndBadBytesGiveNone)
{
    EXPECT_EQ(TVXTaskService::runCommand(QStringLiteral("echo only-an-error >&2")), QString());
    EXPECT_EQ(TVXTaskService::runCommand(QStringLiteral("exit 3")), QString());
    EXPECT_EQ(TVXTaskService::runCommand(QStringLiteral("printf '\\351'")), std::nullopt);
}

TEST(TaskService, LongOutputIsReadToTheEnd)
{
    const auto out = TVXTaskService::runCommand(QStringLiteral("head -c 300000 /dev/zero | tr '\\0' x"));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), 300000);
}

namespace {

QAbstractButton* buttonTitled(QWidget* alert, const QString& title)
{
    auto* box = qobject_cast<QMessageBox*>(alert);
    if (!box)
        return nullptr;
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

struct Outcome {
    std::optional<int> dismissed;
    bool cancelled = false;
};

QWidget* showAlert(Outcome& outcome, std::optional<QString> cancel, QWidget* window = nullptr)
{
    return showSheetModalForWindow(window, QStringLiteral("Title"), QStringLiteral("Informative"), platform::AlertStyle::Warning,
        cancel, { QStringLiteral("A"), QStringLiteral("B") },
        [&outcome](int index) { outcome.dismissed = index; }, [&outcome] { outcome.cancelled = true; });
}

} // namespace

TEST(SheetAlert, ButtonsMapToTheirIndexAndCancelToTheCancelHandler)
{
    QWidget window;
    window.show();
    struct Case {
        const char* press;
        std::optional<QString> cancel;
        std::optional<int> dismissed;
        bool cancelled;
    };
    const std::vector<Case> cases = {
        { "A", QStringLiteral("Cancel"), 0, false },
        { "B", QStringLiteral("Cancel"), 1, false },
        { "Cancel", QStringLiteral("Cancel"), std::nullopt, true },
        { "B", std::nullopt, 1, false },
    };
    for (const auto& c : cases) {
        Outcome outcome;
        QPointer<QWidget> alert = showAlert(outcome, c.cancel, &window);
        ASSERT_TRUE(alert);
        auto* box = qobject_cast<QMessageBox*>(alert.data());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), QStringLiteral("Title"));
        EXPECT_EQ(box->informativeText(), QStringLiteral("Informative"));
        EXPECT_EQ(box->buttons().size(), c.cancel ? 3 : 2);
        QAbstractButton* button = buttonTitled(alert, QString::fromLatin1(c.press));
        ASSERT_TRUE(button) << c.press;
        button->click();
        EXPECT_TRUE(test::waitUntil([&] { return outcome.dismissed || outcome.cancelled; })) << c.press;
        EXPECT_EQ(outcome.dismissed, c.dismissed) << c.press;
        EXPECT_EQ(outcome.cancelled, c.cancelled) << c.press;
        EXPECT_TRUE(test::waitUntil([&] { return alert.isNull(); })); // the alert goes with its handlers
    }
}

TEST(SheetAlert, TwoOpenAlertsEachCallTheirOwnHandlers)
{
    QWidget window;
    window.show();
    Outcome first, second;
    QWidget* a = showAlert(first, QStringLiteral("Cancel"), &window);
    QWidget* b = showAlert(second, QStringLiteral("Cancel"), &window);
    buttonTitled(a, QStringLiteral("B"))->click();
    buttonTitled(b, QStringLiteral("Cancel"))->click();
    EXPECT_TRUE(test::waitUntil([&] { return first.dismissed && second.cancelled; }));
    EXPECT_EQ(first.dismissed, 1);
    EXPECT_FALSE(first.cancelled);
    EXPECT_FALSE(second.dismissed);
}

TEST(SheetAlert, ReturnCodesFrom1000MapToButtonIndicesWithCancelLast)
{
    struct Case {
        int code, count;
        bool hasCancel;
        std::optional<int> dismissed;
        bool cancelled;
    };
    for (const auto& c : { Case { 1000, 3, true, 0, false }, Case { 1001, 3, true, 1, false }, Case { 1002, 3, true, std::nullopt, true },
             Case { 1002, 3, false, 2, false }, Case { 1000, 1, true, std::nullopt, true } }) {
        Outcome outcome;
        alertDidEnd(c.code, c.count, c.hasCancel, [&](int i) { outcome.dismissed = i; }, [&] { outcome.cancelled = true; });
        EXPECT_EQ(outcome.dismissed, c.dismissed) << c.code;
        EXPECT_EQ(outcome.cancelled, c.cancelled) << c.code;
    }
}

TEST(ErrorLoadingItem, UnreadableOrUnknownReadErrorsOpenTheFileWithoutAnAlert)
{
    test::RecordingDialogs dialogs;
    QList<QUrl> opened;
    platform::Workspace::setOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    const platform::DocumentError notUtf8 { TVXDocument::documentErrorDomain(), 40, QStringLiteral("not UTF-8") };
    const platform::DocumentError unknown { platform::DocumentError::fileDomain, 256, QStringLiteral("unknown") };
    const platform::DocumentError other { platform::DocumentError::fileDomain, 257, QStringLiteral("denied") };
    showErrorLoadingItem(notUtf8, QStringLiteral("latin.md"), QStringLiteral("/tmp/latin.md"));
    showErrorLoadingItem(unknown, QStringLiteral("odd.bin"), QStringLiteral("/tmp/odd.bin"));
    EXPECT_EQ(opened, (QList<QUrl> { QUrl::fromLocalFile(QStringLiteral("/tmp/latin.md")), QUrl::fromLocalFile(QStringLiteral("/tmp/odd.bin")) }));
    EXPECT_TRUE(dialogs.alerts.isEmpty());

    showErrorLoadingItem(other, QStringLiteral("locked.md"), QStringLiteral("/tmp/locked.md"));
    EXPECT_EQ(opened.size(), 2);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].messageText, QStringLiteral("Error opening locked.md"));
    EXPECT_EQ(dialogs.alerts[0].informativeText, QStringLiteral("denied")) << "the real reason";
    EXPECT_EQ(dialogs.alerts[0].style, platform::AlertStyle::Critical);
    platform::Workspace::setOpener({});
}

TEST(ErrorLoadingItem, EachFailureGivesItsOwnReasonAndOnlyUnknownOnesTheGeneralOne)
{
    test::RecordingDialogs dialogs;
    const struct {
        int code;
        QString message;
        QString shown;
    } cases[] = {
        { platform::DocumentError::FileReadNoSuchFile, QStringLiteral("The file “gone.md” couldn’t be opened because there is no such file."),
            QStringLiteral("The file “gone.md” couldn’t be opened because there is no such file.") },
        { platform::DocumentError::FileReadNoPermission, QStringLiteral("The file “locked.md” couldn’t be opened: Permission denied"),
            QStringLiteral("The file “locked.md” couldn’t be opened: Permission denied") },
        { platform::DocumentError::FileReadNotRegularFile, QStringLiteral("“x.md” is a named pipe, not a regular file: only regular files can be opened as documents."),
            QStringLiteral("“x.md” is a named pipe, not a regular file: only regular files can be opened as documents.") },
        { platform::DocumentError::FileReadTooLarge, QStringLiteral("The file “x.md” is too large to open: a document may hold at most 256 MiB."),
            QStringLiteral("The file “x.md” is too large to open: a document may hold at most 256 MiB.") },
        { 999, QStringLiteral("odd"),
            QStringLiteral("May be the file format is not supported, or the file is corrupted, or the file encoding is invalid.") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        dialogs.alerts.clear();
        showErrorLoadingItem({ platform::DocumentError::fileDomain, c.code, c.message }, QStringLiteral("x.md"), QStringLiteral("/tmp/x.md"));
        ASSERT_EQ(dialogs.alerts.size(), 1);
        EXPECT_EQ(dialogs.alerts[0].informativeText, c.shown);
    }
}

TEST(ErrorLoadingItem, AFileIsNeverHandedToTheDesktopWhenItsDefaultApplicationIsPenwick)
{
    test::RecordingDialogs dialogs;
    QList<QUrl> opened;
    platform::Workspace::setOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    const platform::DocumentError notUtf8 { TVXDocument::documentErrorDomain(), 40, QStringLiteral("The file is not valid UTF-8 text.") };
    const QString path = test::temporaryFolder() + QStringLiteral("/latin.md");
    // The desktop's tool names only applications it can find.
    const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    QDir().mkpath(applications);
    for (const QString& id : { QStringLiteral("org.penwick.Penwick.desktop"), QStringLiteral("other-editor.desktop") }) {
        QFile entry(applications + QLatin1Char('/') + id);
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Editor\nExec=editor %F\nMimeType=text/markdown;\n");
    }

    ASSERT_EQ(platform::DefaultApplications().setDefault(QStringLiteral("org.penwick.Penwick.desktop"), QStringLiteral("text/markdown")), 0);
    showErrorLoadingItem(notUtf8, QStringLiteral("latin.md"), path);
    EXPECT_TRUE(opened.isEmpty()) << "handed back to Penwick, it would come back here without end";
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].messageText, QStringLiteral("Error opening latin.md"));
    EXPECT_EQ(dialogs.alerts[0].informativeText, QStringLiteral("The file is not valid UTF-8 text."));

    ASSERT_EQ(platform::DefaultApplications().setDefault(QStringLiteral("other-editor.desktop"), QStringLiteral("text/markdown")), 0);
    showErrorLoadingItem(notUtf8, QStringLiteral("latin.md"), path);
    EXPECT_EQ(opened, QList<QUrl> { QUrl::fromLocalFile(path) });
    EXPECT_EQ(dialogs.alerts.size(), 1);
    platform::Workspace::setOpener({});
}

TEST(Delay, TheClosureRunsLaterOnTheMainThreadAndNeverForAGoneContext)
{
    bool ran = false;
    QThread* ranOn = nullptr;
    QElapsedTimer clock;
    clock.start();
    delay(0.05, [&] {
        ran = true;
        ranOn = QThread::currentThread();
    });
    EXPECT_FALSE(ran); // never at once
    EXPECT_TRUE(test::waitUntil([&] { return ran; }));
    EXPECT_GE(clock.elapsed(), 45);
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());

    // From another thread, still on the main thread.
    bool fromWorker = false;
    std::unique_ptr<QThread> worker(QThread::create([&] { delay(0, [&] { fromWorker = QThread::currentThread() == QCoreApplication::instance()->thread(); }); }));
    worker->start();
    worker->wait();
    EXPECT_TRUE(test::waitUntil([&] { return fromWorker; }));

    bool goneRan = false, markerRan = false;
    auto context = std::make_unique<QObject>();
    delay(0, [&] { goneRan = true; }, context.get());
    context.reset();
    delay(0, [&] { markerRan = true; });
    EXPECT_TRUE(test::waitUntil([&] { return markerRan; }));
    EXPECT_FALSE(goneRan);
}

TEST(ClearField, EmptiesTheText)
{
    QLineEdit field(QStringLiteral("something"));
    clear(&field);
    EXPECT_TRUE(field.text().isEmpty());
    clear(nullptr);
}
