// The new file or folder dialog, driven during its modal loop.
#include "../folders/FolderFixtures.h"
#include "../support/QtPrinters.h"
#include "sidebar/NewFileSystemDialogController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace penwick;
using namespace penwick::test;

namespace {

// Runs `steps` on the dialog once its modal loop runs, then returns what the call answered.
std::optional<QString> runDialog(const QString& type, const QString& folder, const std::function<void(NewFileSystemDialogController&)>& steps)
{
    QTimer::singleShot(0, [steps] {
        auto* dialog = qobject_cast<NewFileSystemDialogController*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        steps(*dialog);
        if (dialog->isVisible())
            dialog->cancelButton()->click();
    });
    return NewFileSystemDialogController::runForType(type, folder);
}

class NewItemDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = temporaryFolder();
        makeFile(folder + "/notes.md", "original");
    }
    QString folder;
};

TEST_F(NewItemDialog, ShowsItsKindInTheTitleAndPrompt)
{
    const auto result = runDialog("Folder", folder, [](NewFileSystemDialogController& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "New Folder");
        EXPECT_EQ(dialog.titleLabel()->text(), "Name of new folder");
        EXPECT_EQ(dialog.type(), "folder");
        EXPECT_FALSE(dialog.createButton()->isEnabled());
    });
    EXPECT_FALSE(result);
}

TEST_F(NewItemDialog, SpacesAloneDisableCreateWithoutAMessageAndATakenNameSaysSo)
{
    runDialog("file", folder, [](NewFileSystemDialogController& dialog) {
        dialog.nameTextField()->setText("   ");
        EXPECT_FALSE(dialog.createButton()->isEnabled());
        EXPECT_FALSE(dialog.messageLabel()->isVisible());
        dialog.nameTextField()->setText(" notes.md ");
        EXPECT_FALSE(dialog.createButton()->isEnabled());
        EXPECT_TRUE(dialog.messageLabel()->isVisible());
        EXPECT_EQ(dialog.messageLabel()->text(), "'notes.md' already exists");
        dialog.nameTextField()->setText("fresh.md");
        EXPECT_TRUE(dialog.createButton()->isEnabled());
        EXPECT_FALSE(dialog.messageLabel()->isVisible());
    });
}

TEST_F(NewItemDialog, AFolderOverAFileFailsAndTheDialogStaysOpenUntilCancel)
{
    const auto result = runDialog("folder", folder, [](NewFileSystemDialogController& dialog) {
        dialog.nameTextField()->setText("notes.md");
        ASSERT_TRUE(dialog.createButton()->isEnabled());
        dialog.createButton()->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.messageLabel()->text(), "Error creating folder");
        EXPECT_FALSE(dialog.newItemPath());
    });
    EXPECT_FALSE(result);
    EXPECT_TRUE(QFileInfo(folder + "/notes.md").isFile());
}

TEST_F(NewItemDialog, AFileThatAppearedAfterTheCheckIsNeverReplaced)
{
    const auto result = runDialog("file", folder, [&](NewFileSystemDialogController& dialog) {
        dialog.nameTextField()->setText("late.md");
        ASSERT_TRUE(dialog.createButton()->isEnabled());
        makeFile(folder + "/late.md", "someone else's");
        dialog.createButton()->click();
        EXPECT_EQ(dialog.messageLabel()->text(), "Error creating file");
    });
    EXPECT_FALSE(result);
    QFile late(folder + "/late.md");
    ASSERT_TRUE(late.open(QIODevice::ReadOnly));
    EXPECT_EQ(late.readAll(), "someone else's");
}

TEST_F(NewItemDialog, ANestedNameCreatesTheFolderThenTheFile)
{
    const auto result = runDialog("file", folder, [](NewFileSystemDialogController& dialog) {
        dialog.nameTextField()->setText(" notes/today.md ");
        dialog.createButton()->click();
    });
    EXPECT_EQ(result, folder + "/notes/today.md");
    EXPECT_TRUE(QFileInfo(folder + "/notes").isDir());
    EXPECT_TRUE(QFileInfo(folder + "/notes/today.md").isFile());

    const auto made = runDialog("folder", folder, [](NewFileSystemDialogController& dialog) {
        dialog.nameTextField()->setText("a/b");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(dialog.nameTextField(), &enter);
    });
    EXPECT_EQ(made, folder + "/a/b");
    EXPECT_TRUE(QFileInfo(folder + "/a/b").isDir());
}

TEST_F(NewItemDialog, ANameThatLeavesTheFolderIsRefused)
{
    const QString base = folder + "/newdir";
    makeFolder(base);
    for (const QString& type : { QStringLiteral("folder"), QStringLiteral("file") }) {
        for (const QString& name : { QStringLiteral("../esc2"), QStringLiteral("a/../../esc3"), QStringLiteral(".."), QStringLiteral(".") }) {
            const auto result = runDialog(type, base, [&](NewFileSystemDialogController& dialog) {
                dialog.nameTextField()->setText(name);
                EXPECT_FALSE(dialog.createButton()->isEnabled()) << name.toStdString();
                EXPECT_TRUE(dialog.messageLabel()->isVisible()) << name.toStdString();
                EXPECT_EQ(dialog.messageLabel()->text(), "'" + name + "' is not inside the folder");
                // Even when pressed regardless, nothing is made outside.
                dialog.createOrCancel(1);
            });
            EXPECT_FALSE(result) << name.toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo::exists(folder + "/esc2"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/esc3"));

    // A name that comes back into the folder is taken as its cleaned path.
    const auto inside = runDialog("folder", base, [](NewFileSystemDialogController& dialog) {
        dialog.nameTextField()->setText("x/../kept");
        dialog.createButton()->click();
    });
    EXPECT_EQ(inside, base + "/kept");
    EXPECT_TRUE(QFileInfo(base + "/kept").isDir());
}

} // namespace
