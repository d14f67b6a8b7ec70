// The snippets window on a real database file.
#include "tools/SnippetsWindowController.h"

#include "Extensions/Realm.h"
#include "Models/Snippet.h"
#include "Models/SnippetGroup.h"
#include "FileSizeLimit.h"
#include "TestSupport.h"
#include "TextEditor/TextEditorView.h"
#include "highlighter/MarkdownHighlighter.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>


using namespace penwick;
using penwick::test::StdoutCapture;
using penwick::test::temporaryFolder;

namespace {

class SnippetsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = temporaryFolder();
        ASSERT_TRUE(RealmSetup::setupInFolder(folder)) << RealmSetup::unavailableError().message.toStdString();
    }
    void TearDown() override { RealmSetup::close(); }

    static void storeSnippet(const QString& shortcut)
    {
        Snippet snippet;
        snippet.setId(makeRecordId());
        snippet.setShortcut(shortcut);
        snippet.setContent("stored");
        snippet.setCreatedDate(QDateTime::currentDateTimeUtc());
        snippet.setUpdatedDate(QDateTime::currentDateTimeUtc());
        ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(snippet); }).has_value());
    }
    static std::unique_ptr<SnippetsWindowController> open()
    {
        auto window = std::make_unique<SnippetsWindowController>();
        window->show();
        return window;
    }
    // Types as the user does: key by key into the widget.
    static void typeInto(QWidget* widget, const QString& text) { QTest::keyClicks(widget, text); }
    static void fill(SnippetsWindowController& window, const QString& shortcut, const QString& content, const QString& group = {})
    {
        typeInto(window.shortcutField(), shortcut);
        window.snippetTextView()->setFocus();
        window.snippetTextView()->insertText(content);
        if (!group.isEmpty())
            typeInto(window.groupComboBox()->lineEdit(), group);
    }

    QString folder;
};

} // namespace

TEST_F(SnippetsWindow, SaveNeedsAShortcutAndATextAndStartsWithEmptyLabels)
{
    auto window = open();
    EXPECT_EQ(window->shortcutErrorLbl()->text(), "");
    EXPECT_EQ(window->errorLbl()->text(), "");
    EXPECT_FALSE(window->saveBtn()->isEnabled());
    typeInto(window->shortcutField(), "   ");
    window->snippetTextView()->insertText("text");
    EXPECT_FALSE(window->saveBtn()->isEnabled()) << "a shortcut of spaces is empty";
    typeInto(window->shortcutField(), "x");
    EXPECT_TRUE(window->saveBtn()->isEnabled());
    window->snippetTextView()->selectAll();
    QTest::keyClick(window->snippetTextView(), Qt::Key_Backspace);
    EXPECT_FALSE(window->saveBtn()->isEnabled()) << "an empty text";
}

TEST_F(SnippetsWindow, AStoredShortcutIsRefusedButItsCaseVariantIsNot)
{
    storeSnippet("sig");
    auto window = open();
    EXPECT_EQ(window->existingShortcuts(), QStringList { "sig" });
    fill(*window, " sig ", "text");
    EXPECT_EQ(window->shortcutErrorLbl()->text(), "@sig already exists");
    EXPECT_FALSE(window->saveBtn()->isEnabled());
    window->shortcutField()->selectAll();
    typeInto(window->shortcutField(), "Sig");
    EXPECT_EQ(window->shortcutErrorLbl()->text(), "");
    EXPECT_TRUE(window->saveBtn()->isEnabled());
}

TEST_F(SnippetsWindow, TheTakenShortcutLabelStaysWhileTheTextIsTypedAndGoesWithANewShortcut)
{
    storeSnippet("sig");
    auto window = open();
    fill(*window, "sig", "text");
    ASSERT_EQ(window->shortcutErrorLbl()->text(), "@sig already exists");
    typeInto(window->snippetTextView(), " more");
    EXPECT_EQ(window->shortcutErrorLbl()->text(), "@sig already exists");
    EXPECT_FALSE(window->saveBtn()->isEnabled());
    // A field typed in clears the label and checks again: still taken, so shown again.
    typeInto(window->descriptionField(), "d");
    EXPECT_EQ(window->shortcutErrorLbl()->text(), "@sig already exists");
    typeInto(window->shortcutField(), "2");
    EXPECT_EQ(window->shortcutErrorLbl()->text(), "");
    EXPECT_TRUE(window->saveBtn()->isEnabled());
}

TEST_F(SnippetsWindow, TypingInTheTextLeavesTheLabelsAndTypingInAFieldClearsThem)
{
    auto window = open();
    fill(*window, "sig", "text");
    RealmSetup::close();
    window->saveBtn()->click();
    ASSERT_EQ(window->errorLbl()->text(), "Error saving snippet. Please try again.");
    typeInto(window->snippetTextView(), " more");
    EXPECT_EQ(window->errorLbl()->text(), "Error saving snippet. Please try again.");
    typeInto(window->descriptionField(), "d");
    EXPECT_EQ(window->errorLbl()->text(), "");
}

TEST_F(SnippetsWindow, TheSnippetIsStoredTrimmedWithItsTextVerbatim)
{
    auto window = open();
    const QString content = "  line one\n\n\ttwo  \n";
    fill(*window, "  greet\t", content, "  Mail  ");
    typeInto(window->descriptionField(), " A greeting ");
    ASSERT_TRUE(window->saveBtn()->isEnabled());
    window->saveBtn()->click();
    EXPECT_FALSE(window->isVisible()) << "closed once stored";
    const QList<Snippet> snippets = Snippet::fetchAllItems();
    ASSERT_EQ(snippets.size(), 1);
    EXPECT_EQ(snippets[0].shortcut(), "greet");
    EXPECT_EQ(snippets[0].desc(), "A greeting");
    EXPECT_EQ(snippets[0].content(), content);
    EXPECT_EQ(snippets[0].id().size(), 36);
    EXPECT_TRUE(snippets[0].createdDate().isValid());
    const QList<SnippetGroup> groups = SnippetGroup::fetchAllItems();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].title(), "Mail");
    EXPECT_EQ(snippets[0].groupId(), groups[0].id());
}

TEST_F(SnippetsWindow, WithoutAGroupTheSnippetGoesUnderNoneMadeOnceAndReused)
{
    auto first = open();
    fill(*first, "one", "1");
    first->saveBtn()->click();
    auto second = open();
    EXPECT_EQ(second->groupComboBox()->count(), 1);
    EXPECT_EQ(second->groupComboBox()->itemText(0), "None");
    EXPECT_EQ(second->groupComboBox()->currentText(), "") << "the group starts empty";
    fill(*second, "two", "2");
    second->saveBtn()->click();
    const QList<SnippetGroup> groups = SnippetGroup::fetchAllItems();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].title(), "None");
    const QList<Snippet> snippets = Snippet::fetchAllItems();
    ASSERT_EQ(snippets.size(), 2);
    EXPECT_EQ(snippets[0].groupId(), groups[0].id());
    EXPECT_EQ(snippets[1].groupId(), groups[0].id());
}

TEST_F(SnippetsWindow, AFailedCommitKeepsTheWindowAndEverythingTyped)
{
    auto window = open();
    fill(*window, "sig", "Best,\nMe", "Mail");
    RealmSetup::close();
    std::string output;
    {
        StdoutCapture capture;
        window->saveBtn()->click();
        output = capture.text().toStdString();
    }
    EXPECT_NE(output.find("Error: Error saving snippet\n"), std::string::npos) << output;
    EXPECT_EQ(window->errorLbl()->text(), "Error saving snippet. Please try again.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->shortcutField()->text(), "sig");
    EXPECT_EQ(window->groupComboBox()->currentText(), "Mail");
    EXPECT_EQ(window->snippetTextView()->string(), "Best,\nMe");
    // Nothing reached the file; saving again once the database is back works.
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    EXPECT_TRUE(Snippet::fetchAllItems().isEmpty());
    EXPECT_TRUE(SnippetGroup::fetchAllItems().isEmpty());
    window->saveBtn()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Snippet::fetchAllItems().size(), 1);
}

TEST_F(SnippetsWindow, TheEditorIsStyledByTheShippedThemeAndWorksWithoutIt)
{
    auto styled = open();
    ASSERT_TRUE(styled->highlighter()->isActive());
    const QList<MarkdownHighlightingStyle> themed = styled->highlighter()->styles();

    const QByteArray saved = qgetenv("PENWICK_RESOURCES");
    qputenv("PENWICK_RESOURCES", QFile::encodeName(temporaryFolder()));
    auto plain = open();
    if (saved.isEmpty())
        qunsetenv("PENWICK_RESOURCES");
    else
        qputenv("PENWICK_RESOURCES", saved);
    EXPECT_NE(plain->highlighter()->styles(), themed) << "the theme was not found, so not applied";
    fill(*plain, "plain", "# Title");
    EXPECT_EQ(plain->snippetTextView()->string(), "# Title");
    ASSERT_TRUE(plain->saveBtn()->isEnabled());
    plain->saveBtn()->click();
    EXPECT_EQ(Snippet::fetchAllItems().size(), 1);
}

TEST_F(SnippetsWindow, ACommitThatFailsOnTheDiskKeepsTheWindowOpen)
{
    auto window = open();
    // Too long a text for the room left on the "disk".
    const QString content = QString("lorem ipsum ").repeated(20000);
    fill(*window, "long", content);
    qint64 largest = 0;
    for (const char* name : { "/penwick.db", "/penwick.db-wal" })
        largest = std::max(largest, QFileInfo(folder + name).size());
    {
        test::FileSizeLimit limit(rlim_t(largest + 4096));
        ASSERT_TRUE(limit.isActive());
        window->saveBtn()->click();
    }
    EXPECT_EQ(window->errorLbl()->text(), "Error saving snippet. Please try again.");
    EXPECT_TRUE(window->isVisible()) << "the window closes only after the commit";
    EXPECT_EQ(window->snippetTextView()->string(), content);
    EXPECT_TRUE(Snippet::fetchAllItems().isEmpty());
    window->saveBtn()->click();
    EXPECT_FALSE(window->isVisible());
    ASSERT_EQ(Snippet::fetchAllItems().size(), 1);
    EXPECT_EQ(Snippet::fetchAllItems()[0].content(), content);
}
