#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "preferences/IndividualDocumentStyler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <memory>

using namespace penwick;
using penwick::test::writeFile;

namespace {

platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

// Each entry as "title" with "*" for a check mark, "-" for a separator.
QStringList shown(const QMenu& menu)
{
    QStringList out;
    for (QAction* a : menu.actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isChecked() ? QStringLiteral("*") : QString()));
    return out;
}

QAction* entry(const QMenu& menu, const QString& title)
{
    for (QAction* a : menu.actions())
        if (a->text() == title)
            return a;
    ADD_FAILURE() << "no entry " << title.toStdString();
    return nullptr;
}

class StylerTest : public test::ThemeFoldersTest {
protected:
    void SetUp() override
    {
        test::ThemeFoldersTest::SetUp();
        writeFile(shipped("Themes", "Alpha.txt"));
        writeFile(shipped("Themes", "beta.txt"));
        writeFile(userThemes() + "/Gamma.txt");
        writeFile(shipped("CSS", "Clean.css"));
        writeFile(userThemes() + "/Print.css");
        gamma = userThemes() + "/Gamma.txt";
        print = userThemes() + "/Print.css";
    }

    // Makes the styler with no set-up delay and waits until both lists have arrived.
    void start(int editorEntries, int previewEntries)
    {
        styler = std::make_unique<IndividualDocumentStyler>(&editorMenu, &previewMenu, 0);
        styler->awakeFromNib();
        ASSERT_TRUE(test::waitUntil([&] {
            return editorMenu.actions().size() == editorEntries && previewMenu.actions().size() == previewEntries;
        }));
    }

    static void selectDocument(const QVariant& editorPath, const QVariant& previewPath)
    {
        platform::NotificationCenter::defaultCenter().post(Notifications::DOCUMENT_SELECTED, nullptr,
            { { "name", "Doc" }, { "editorThemePath", editorPath }, { "previewStylePath", previewPath },
                { "document", QVariant::fromValue(nullptr) } });
    }

    QMenu editorMenu;
    QMenu previewMenu;
    std::unique_ptr<IndividualDocumentStyler> styler;
    QString gamma, print;
};

struct Posted {
    int count = 0;
    const void* object = nullptr;
    QVariantMap userInfo;
    platform::Observation observation;
    explicit Posted(const QString& name)
        : observation(platform::NotificationCenter::defaultCenter().observe(name, nullptr, [this](const platform::Notification& n) {
            ++count;
            object = n.object;
            userInfo = n.userInfo;
        }))
    {
    }
};

} // namespace

TEST_F(StylerTest, MenusListTheDefaultThenTheThemesDescending)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, print);
    start(5, 4);
    EXPECT_EQ(shown(editorMenu), (QStringList { "Default (Alpha)*", "-", "beta", "Gamma", "Alpha" }));
    EXPECT_EQ(shown(previewMenu), (QStringList { "Default (Print)*", "-", "Print", "Clean" }));
    EXPECT_FALSE(editorMenu.actions().first()->data().isValid());
    EXPECT_EQ(entry(editorMenu, "Gamma")->data(), QVariant(gamma));
}

TEST_F(StylerTest, TheSelectedDocumentsChoiceIsChecked)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, "Clean");
    start(5, 4);
    struct Case {
        const char* what;
        QVariant editorPath;
        QVariant previewPath;
        QStringList editor;
        QStringList preview;
    };
    const QVariant null = QVariant::fromValue(nullptr);
    const Case cases[] = {
        { "own choices", gamma, print, { "Default (Alpha)", "-", "beta", "Gamma*", "Alpha" },
            { "Default (Clean)", "-", "Print*", "Clean" } },
        { "null objects", null, null, { "Default (Alpha)*", "-", "beta", "Gamma", "Alpha" },
            { "Default (Clean)*", "-", "Print", "Clean" } },
        { "paths in no entry", "/gone/Old.txt", "/gone/Old.css", { "Default (Alpha)*", "-", "beta", "Gamma", "Alpha" },
            { "Default (Clean)*", "-", "Print", "Clean" } },
        { "missing keys", QVariant(), QVariant(), { "Default (Alpha)*", "-", "beta", "Gamma", "Alpha" },
            { "Default (Clean)*", "-", "Print", "Clean" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        selectDocument(gamma, print); // start from other check marks each time
        selectDocument(c.editorPath, c.previewPath);
        EXPECT_EQ(shown(editorMenu), c.editor);
        EXPECT_EQ(shown(previewMenu), c.preview);
    }
}

TEST_F(StylerTest, ChoosingAnEntryPostsItsPath)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    start(5, 2);
    Posted editorChosen(Notifications::INDIVIDUAL_EDITOR_STYLE_SELECTED);
    Posted previewChosen(Notifications::INDIVIDUAL_PREVIEW_STYLE_SELECTED);

    entry(editorMenu, "Gamma")->trigger();
    EXPECT_EQ(shown(editorMenu), (QStringList { "Default (Alpha)", "-", "beta", "Gamma*", "Alpha" }));
    EXPECT_EQ(editorChosen.count, 1);
    EXPECT_EQ(editorChosen.object, styler.get());
    EXPECT_EQ(editorChosen.userInfo.value(Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD), QVariant(gamma));

    entry(editorMenu, "Default (Alpha)")->trigger();
    EXPECT_EQ(shown(editorMenu), (QStringList { "Default (Alpha)*", "-", "beta", "Gamma", "Alpha" }));
    EXPECT_EQ(editorChosen.count, 2);
    ASSERT_TRUE(editorChosen.userInfo.contains(Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD));
    EXPECT_TRUE(editorChosen.userInfo.value(Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD).isNull());

    // An entry checked already stays checked when chosen again.
    entry(editorMenu, "Default (Alpha)")->trigger();
    EXPECT_EQ(shown(editorMenu).first(), "Default (Alpha)*");

    // No resolvable preview style: no default entry.
    EXPECT_EQ(shown(previewMenu), (QStringList { "Print", "Clean" }));
    entry(previewMenu, "Clean")->trigger();
    EXPECT_EQ(shown(previewMenu), (QStringList { "Print", "Clean*" }));
    EXPECT_EQ(previewChosen.userInfo.value(Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD), QVariant(shipped("CSS", "Clean.css")));
    EXPECT_EQ(editorChosen.count, 3);
    EXPECT_EQ(previewChosen.count, 1);
}

TEST_F(StylerTest, WithoutAGlobalThemeTheFirstThemeStandsIn)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "No Such Theme");
    start(3, 2);
    EXPECT_EQ(shown(editorMenu), (QStringList { "beta", "Gamma", "Alpha" }));
    selectDocument(QVariant::fromValue(nullptr), QVariant::fromValue(nullptr));
    EXPECT_EQ(shown(editorMenu), (QStringList { "beta*", "Gamma", "Alpha" }));
    EXPECT_EQ(shown(previewMenu), (QStringList { "Print*", "Clean" }));

    // A later global change finds no default entry to retitle.
    defaults().setValue(Prefs::EDITOR_THEME_NAME, gamma);
    EXPECT_EQ(shown(editorMenu), (QStringList { "beta*", "Gamma", "Alpha" }));
}

TEST_F(StylerTest, AGlobalChangeRetitlesTheDefaultAndKeepsTheChecks)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, "Clean");
    start(5, 4);
    selectDocument(gamma, QVariant::fromValue(nullptr));

    defaults().setValue(Prefs::EDITOR_THEME_NAME, shipped("Themes", "beta.txt"));
    EXPECT_EQ(shown(editorMenu), (QStringList { "Default (beta)", "-", "beta", "Gamma*", "Alpha" }));
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, print);
    EXPECT_EQ(shown(previewMenu), (QStringList { "Default (Print)*", "-", "Print", "Clean" }));

    // A setting that resolves nothing leaves the title.
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Gone");
    EXPECT_EQ(shown(editorMenu).first(), "Default (beta)");
}

TEST_F(StylerTest, BeforeSetUpATabSwitchChangesNothing)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    IndividualDocumentStyler late(&editorMenu, &previewMenu, 60000);
    late.awakeFromNib();
    selectDocument(gamma, print);
    QCoreApplication::processEvents();
    EXPECT_TRUE(editorMenu.actions().isEmpty());
    EXPECT_TRUE(previewMenu.actions().isEmpty());

    // The same with no delay, before the event loop has run the set-up.
    IndividualDocumentStyler soon(&editorMenu, &previewMenu, 0);
    soon.awakeFromNib();
    selectDocument(gamma, print);
    EXPECT_TRUE(editorMenu.actions().isEmpty());
}

TEST_F(StylerTest, AStylerGoneStopsListening)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    start(5, 2);
    styler.reset();
    const QStringList before = shown(editorMenu);
    selectDocument(gamma, print);
    defaults().setValue(Prefs::EDITOR_THEME_NAME, gamma);
    EXPECT_EQ(shown(editorMenu), before);
}
