#include "EditViewController.h"
#include "ScratchViewController.h"

#include "MiniTestSupport.h"
#include "TextEditor/TextEditorView.h"
#include "highlighter/MarkdownHighlighter.h"

#include <QDir>
#include <QFile>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

class EditViewControllerTest : public test::MiniDatabaseTest {};

TEST_F(EditViewControllerTest, ThePreviewButtonNeedsVisibleText)
{
    EditViewController page;
    struct Case {
        const char* text;
        bool enabled;
    };
    const Case cases[] = { { "", false }, { "   \n\n \t\n", false }, { "\n x \n", true }, { ".", true } };
    for (const Case& c : cases) {
        page.textEditor()->selectAll();
        page.textEditor()->insertText(QString::fromUtf8(c.text));
        EXPECT_EQ(page.togglePreviewBtn()->isEnabled(), c.enabled) << c.text;
    }
}

TEST_F(EditViewControllerTest, TypingEndsATransientNoteButNotThePlainEditor)
{
    ScratchViewController scratch;
    scratch.show();
    ASSERT_TRUE(scratch.scratchDocument().has_value());
    EXPECT_TRUE(scratch.scratchDocument()->isTransient());
    EXPECT_FALSE(scratch.canSaveNote());
    scratch.textEditor()->insertText(QStringLiteral("x"));
    EXPECT_FALSE(scratch.scratchDocument()->isTransient());
    EXPECT_TRUE(scratch.canSaveNote());

    EditViewController plain;
    plain.show();
    plain.textEditor()->insertText(QStringLiteral("x"));
    EXPECT_FALSE(plain.canSaveNote());
    EXPECT_FALSE(plain.saveDocument().has_value());
}

TEST_F(EditViewControllerTest, TheAppearanceChoosesTheTheme)
{
    struct Case {
        bool dark;
        const char* theme;
        QColor foreground;
    };
    const Case cases[] = { { true, "DarkTheme", QColor(0xE3, 0xE6, 0xEA) }, { false, "LightTheme", QColor(0x24, 0x29, 0x2F) } };
    for (const Case& c : cases) {
        test::useAppearance(c.dark);
        EditViewController page;
        page.show();
        EXPECT_EQ(page.appliedStyle(), QString::fromLatin1(c.theme));
        EXPECT_EQ(page.textEditor()->palette().color(QPalette::Text), c.foreground) << c.theme;
        EXPECT_EQ(page.textEditor()->palette().color(QPalette::Base).alpha(), 0) << "the popover shows through";
        EXPECT_TRUE(page.highlighter()->isActive());
        EXPECT_TRUE(page.highlighter()->hasStyles());
    }
}

TEST_F(EditViewControllerTest, TheEditorIsSetUpForNotes)
{
    EditViewController page;
    page.show();
    EXPECT_EQ(page.textEditor()->marginSize(), QSizeF(10, 10));
    EXPECT_EQ(page.textEditor()->font().pointSizeF(), 15.0);
    EXPECT_TRUE(page.textEditor()->isAutomaticLinkDetectionEnabled());
}

// Points the resources at a folder of the test's own while alive.
class ResourcesOverride {
public:
    ResourcesOverride()
        : m_saved(qgetenv("PENWICK_RESOURCES"))
    {
        m_folder = test::temporaryFolder();
        QDir().mkpath(m_folder + QStringLiteral("/mini"));
        qputenv("PENWICK_RESOURCES", m_folder.toLocal8Bit());
    }
    ~ResourcesOverride() { qputenv("PENWICK_RESOURCES", m_saved); }
    void write(const QString& name, const QByteArray& text)
    {
        QFile file(m_folder + QStringLiteral("/mini/") + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private:
    QByteArray m_saved;
    QString m_folder;
};

TEST_F(EditViewControllerTest, AMissingThemeLeavesTheEditorWorking)
{
    EditViewController page;
    page.show();
    ASSERT_EQ(page.appliedStyle(), QStringLiteral("LightTheme"));
    const auto styles = page.highlighter()->styles();
    QString logged;
    {
        test::StdoutCapture output;
        EXPECT_FALSE(page.applyStyle(QStringLiteral("NoSuchTheme")));
        logged = output.text();
    }
    EXPECT_EQ(page.highlighter()->styles(), styles);
    EXPECT_TRUE(page.highlighter()->isActive());
    EXPECT_TRUE(logged.isEmpty()) << "a warning, which writes nothing";
    page.textEditor()->insertText(QStringLiteral("# still typing"));
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("# still typing"));
}

TEST_F(EditViewControllerTest, AThemeWithErrorsAppliesWhatParsesAndLogsTheRest)
{
    ResourcesOverride resources;
    resources.write(QStringLiteral("Broken.txt"), "H1\n    foreground: FF0000\n    no assignment here\n\nEMPH\n    foreground: 00FF00\n");
    EditViewController page;
    bool applied = false;
    QString logged;
    {
        test::StdoutCapture output;
        applied = page.applyStyle(QStringLiteral("Broken"));
        logged = output.text();
    }
    ASSERT_TRUE(applied);
    EXPECT_TRUE(page.highlighter()->isActive());
    EXPECT_EQ(page.highlighter()->styles().size(), 2);
    EXPECT_TRUE(logged.startsWith(QStringLiteral("Error: Theme Broken (Line 3)"))) << logged.toStdString();
}

} // namespace
