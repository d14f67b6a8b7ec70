#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "preferences/TVXSizeObject.h"
#include "preferences/TVXStylesPreferencesViewController.h"
#include "preferences/TVXTextEditorPreferencesViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QLabel>
#include <QSpinBox>

#include <memory>

using namespace penwick;
using penwick::test::writeFile;

namespace {

platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

// Counts the writes of the watched settings and the posts of the watched notifications.
class Activity {
public:
    Activity(const QStringList& keys, const QStringList& notifications)
    {
        for (const QString& key : keys)
            m_observations.push_back(defaults().observe(key, nullptr, [this](const QString& k) { writes << k; }));
        for (const QString& name : notifications)
            m_observations.push_back(platform::NotificationCenter::defaultCenter().observe(name, nullptr,
                [this](const platform::Notification& n) { posts << n.name; }));
    }
    QStringList writes;
    QStringList posts;

private:
    std::vector<platform::Observation> m_observations;
};

const QStringList kMarginKeys { Prefs::EDITOR_FULLSCREEN_LR_MARGIN, Prefs::EDITOR_FULLSCREEN_TB_MARGIN,
    Prefs::EDITOR_NORMALSCREEN_LR_MARGIN, Prefs::EDITOR_NORMALSCREEN_TB_MARGIN };

class EditorPaneTest : public test::ThemeFoldersTest {
protected:
    void SetUp() override
    {
        test::ThemeFoldersTest::SetUp();
        writeFile(shipped("Themes", "Alpha.txt"));
        writeFile(shipped("Themes", "beta.txt"));
        writeFile(userThemes() + "/Gamma.txt");
    }
    std::unique_ptr<TVXTextEditorPreferencesViewController> open()
    {
        auto pane = std::make_unique<TVXTextEditorPreferencesViewController>();
        EXPECT_TRUE(test::waitUntil([&] { return pane->themesLoaded(); }));
        return pane;
    }
    QStringList watched() const
    {
        return kMarginKeys + QStringList { Prefs::EDITOR_THEME_NAME, Prefs::EDITOR_FONTFAMILY, Prefs::EDITOR_FONTSIZE };
    }
};

} // namespace

TEST(SizeObject, TheSizeSetsItsTextAndNotTheOtherWayRound)
{
    TVXSizeObject object;
    object.setSize(20);
    EXPECT_EQ(object.sizeWithPercentSign(), "20%");
    object.setSize(-5);
    EXPECT_EQ(object.sizeWithPercentSign(), "-5%");
    object.setSizeWithPercentSign("77%");
    EXPECT_EQ(object.size(), -5);
}

TEST_F(EditorPaneTest, OpeningShowsTheStoredValuesAndWritesNothing)
{
    defaults().setValue(Prefs::EDITOR_NORMALSCREEN_LR_MARGIN, 20);
    defaults().setValue(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN, 10);
    defaults().setValue(Prefs::EDITOR_FULLSCREEN_LR_MARGIN, 30);
    defaults().setValue(Prefs::EDITOR_FULLSCREEN_TB_MARGIN, 15);
    defaults().setValue(Prefs::EDITOR_THEME_NAME, userThemes() + "/Gamma.txt");
    Activity activity(watched(), { Notifications::EDITOR_MARGINS_CHANGED, Notifications::TEXT_EDITOR_THEME_LOADED });
    auto pane = open();
    QStringList shown;
    for (int i = 0; i < 4; ++i)
        shown << pane->marginSpinBox(i)->text();
    EXPECT_EQ(shown, (QStringList { "20%", "10%", "30%", "15%" }));
    EXPECT_EQ(pane->normalLeftRightMarginObject()->sizeWithPercentSign(), "20%");
    EXPECT_EQ(pane->fullScreenTopBottomMarginObject()->sizeWithPercentSign(), "15%");
    QStringList themes;
    for (int i = 0; i < pane->textEditorThemeComboBox()->count(); ++i)
        themes << pane->textEditorThemeComboBox()->itemText(i);
    EXPECT_EQ(themes, (QStringList { "beta", "Gamma", "Alpha" }));
    EXPECT_EQ(pane->textEditorThemeComboBox()->currentText(), "Gamma");
    EXPECT_EQ(pane->fontPreview()->text(), "Helvetica - " + QString::number(QFont().pointSizeF(), 'f', 1));
    EXPECT_TRUE(activity.writes.isEmpty()) << activity.writes.join(", ").toStdString();
    EXPECT_TRUE(activity.posts.isEmpty());
}

TEST_F(EditorPaneTest, OneMarginChangeWritesAllFourAndPostsOnce)
{
    auto pane = open();
    Activity activity(kMarginKeys, { Notifications::EDITOR_MARGINS_CHANGED });
    pane->marginSpinBox(2)->setValue(25); // full screen, left and right
    EXPECT_EQ(activity.writes.size(), 4);
    EXPECT_EQ(activity.posts, QStringList { Notifications::EDITOR_MARGINS_CHANGED });
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_FULLSCREEN_LR_MARGIN), 25);
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN), 0);
    EXPECT_EQ(pane->fullScreenLeftRightMarginObject()->sizeWithPercentSign(), "25%");
}

TEST_F(EditorPaneTest, AChosenFontIsStoredWithItsSizeTruncated)
{
    auto pane = open();
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(13.7);
    pane->changeFont(font);
    EXPECT_EQ(defaults().stringForKey(Prefs::EDITOR_FONTFAMILY), "DejaVu Sans Mono");
    EXPECT_EQ(defaults().object(Prefs::EDITOR_FONTSIZE), QVariant(qint64(13)));
    EXPECT_EQ(pane->fontPreview()->text(), "DejaVu Sans Mono - 13.0");
    EXPECT_EQ(pane->fontPreview()->font().pointSizeF(), 12);
    EXPECT_EQ(pane->fontPreview()->font().family(), "DejaVu Sans Mono");
}

TEST_F(EditorPaneTest, ChoosingAThemeStoresItsPath)
{
    auto pane = open();
    Activity activity({ Prefs::EDITOR_THEME_NAME }, { Notifications::TEXT_EDITOR_THEME_LOADED });
    pane->textEditorThemeComboBox()->setCurrentIndex(2);
    emit pane->textEditorThemeComboBox()->activated(2);
    EXPECT_EQ(defaults().stringForKey(Prefs::EDITOR_THEME_NAME), shipped("Themes", "Alpha.txt"));
    // Nothing selected, or an index past the list: nothing stored.
    pane->comboBoxWillDismiss(-1);
    pane->comboBoxWillDismiss(3);
    EXPECT_EQ(activity.writes.size(), 1);
    EXPECT_TRUE(activity.posts.isEmpty());
}

TEST_F(EditorPaneTest, AThemeThatIsGoneSelectsTheFirstEntryAndReloadPosts)
{
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "/gone/Vanished.txt");
    Activity activity({ Prefs::EDITOR_THEME_NAME }, { Notifications::TEXT_EDITOR_THEME_LOADED });
    auto pane = open();
    EXPECT_EQ(pane->textEditorThemeComboBox()->currentIndex(), 0);
    EXPECT_TRUE(activity.writes.isEmpty());
    EXPECT_TRUE(activity.posts.isEmpty());

    writeFile(userThemes() + "/Zeta.txt");
    pane->reloadButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return !activity.posts.isEmpty(); }));
    EXPECT_EQ(activity.posts, QStringList { Notifications::TEXT_EDITOR_THEME_LOADED });
    EXPECT_EQ(pane->textEditorThemeComboBox()->itemText(1), "Zeta");
    EXPECT_EQ(pane->editorThemes().size(), 4);
    EXPECT_TRUE(activity.writes.isEmpty());
}

TEST_F(EditorPaneTest, NoThemesLeaveTheListEmpty)
{
    QFile::remove(shipped("Themes", "Alpha.txt"));
    QFile::remove(shipped("Themes", "beta.txt"));
    QFile::remove(userThemes() + "/Gamma.txt");
    auto pane = open();
    EXPECT_EQ(pane->textEditorThemeComboBox()->count(), 0);
    EXPECT_EQ(pane->textEditorThemeComboBox()->currentIndex(), -1);
    pane->comboBoxWillDismiss(0);
    EXPECT_FALSE(defaults().hasValue(Prefs::EDITOR_THEME_NAME));
}

// ---- Preview pane --------------------------------------------------------------------

namespace {

class PreviewPaneTest : public test::ThemeFoldersTest {
protected:
    void SetUp() override
    {
        test::ThemeFoldersTest::SetUp();
        writeFile(shipped("CSS", "Clean.css"));
        writeFile(shipped("CSS", "GitHub.css"));
        writeFile(userThemes() + "/Print.css");
    }
    std::unique_ptr<TVXStylesPreferencesViewController> open()
    {
        auto pane = std::make_unique<TVXStylesPreferencesViewController>();
        EXPECT_TRUE(test::waitUntil([&] { return pane->stylesLoaded(); }));
        return pane;
    }
};

} // namespace

TEST_F(PreviewPaneTest, OpeningSelectsBothStoredValuesWithoutWritingOrPosting)
{
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, "GitHub");
    defaults().setValue(Prefs::PREVIEW_SYNTAX_STYLE, "prism-okaidia");
    Activity activity({ Prefs::PREVIEW_STYLE_NAME, Prefs::PREVIEW_SYNTAX_STYLE }, { Notifications::PREVIEW_THEME_LOADED });
    auto pane = open();
    EXPECT_EQ(pane->identifier(), "StylesPreferences");
    EXPECT_EQ(pane->previewStyleComboBox()->currentText(), "GitHub");
    EXPECT_EQ(pane->previewSyntaxStyleComboBox()->currentText(), "prism-okaidia");
    EXPECT_EQ(pane->previewSyntaxStyleComboBox()->count(), 7);
    EXPECT_TRUE(activity.writes.isEmpty());
    EXPECT_TRUE(activity.posts.isEmpty());
}

TEST_F(PreviewPaneTest, ChoosingStoresAPathAndABareName)
{
    auto pane = open();
    EXPECT_EQ(pane->previewSyntaxStyleComboBox()->currentText(), "prism-default") << "the registered default";
    QStringList styles;
    for (int i = 0; i < pane->previewStyleComboBox()->count(); ++i)
        styles << pane->previewStyleComboBox()->itemText(i);
    EXPECT_EQ(styles, (QStringList { "Print", "GitHub", "Clean" }));
    emit pane->previewStyleComboBox()->activated(0);
    EXPECT_EQ(defaults().stringForKey(Prefs::PREVIEW_STYLE_NAME), userThemes() + "/Print.css");
    emit pane->previewSyntaxStyleComboBox()->activated(4);
    EXPECT_EQ(defaults().stringForKey(Prefs::PREVIEW_SYNTAX_STYLE), "prism-okaidia");

    // Another sender, or nothing selected: nothing stored.
    QComboBox other;
    Activity activity({ Prefs::PREVIEW_STYLE_NAME, Prefs::PREVIEW_SYNTAX_STYLE }, {});
    pane->comboBoxWillDismiss(&other, 0);
    pane->comboBoxWillDismiss(pane->previewSyntaxStyleComboBox(), -1);
    pane->comboBoxWillDismiss(pane->previewStyleComboBox(), 3);
    EXPECT_TRUE(activity.writes.isEmpty());
}

TEST_F(PreviewPaneTest, AnUnknownSyntaxStyleShowsNoSelection)
{
    defaults().setValue(Prefs::PREVIEW_SYNTAX_STYLE, "prism-tomorrow");
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, "/gone/Old.css");
    auto pane = open();
    EXPECT_EQ(pane->previewSyntaxStyleComboBox()->currentIndex(), -1);
    EXPECT_EQ(pane->previewStyleComboBox()->currentIndex(), 0);
    EXPECT_EQ(defaults().stringForKey(Prefs::PREVIEW_STYLE_NAME), "/gone/Old.css");
}

TEST_F(PreviewPaneTest, ReloadPosts)
{
    auto pane = open();
    Activity activity({}, { Notifications::PREVIEW_THEME_LOADED });
    pane->reloadButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return !activity.posts.isEmpty(); }));
    EXPECT_EQ(activity.posts, QStringList { Notifications::PREVIEW_THEME_LOADED });
}

// ---- Both lists ----------------------------------------------------------------------

namespace {

class ThemeListsTest : public test::ThemeFoldersTest {
};

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

TEST_F(ThemeListsTest, AFileAddedWhileThePaneIsOpenIsListedTheNextTimeTheListOpens)
{
    writeFile(shipped("Themes", "Alpha.txt"));
    writeFile(shipped("CSS", "Clean.css"));
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Alpha");
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, "Clean");
    TVXTextEditorPreferencesViewController editor;
    TVXStylesPreferencesViewController preview;
    ASSERT_TRUE(test::waitUntil([&] { return editor.themesLoaded() && preview.stylesLoaded(); }));
    struct Case {
        const char* pane;
        QWidget* view;
        QComboBox* list;
        QString added;
        QStringList before;
        QStringList after;
    };
    const Case cases[] = {
        { "Editor", &editor, editor.textEditorThemeComboBox(), userThemes() + "/Zulu.txt", { "Alpha" }, { "Zulu", "Alpha" } },
        { "Preview", &preview, preview.previewStyleComboBox(), userThemes() + "/Yankee.css", { "Clean" }, { "Yankee", "Clean" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pane);
        c.view->show();
        ASSERT_EQ(itemsOf(c.list), c.before);
        writeFile(c.added);
        Activity activity({ Prefs::EDITOR_THEME_NAME, Prefs::PREVIEW_STYLE_NAME },
            { Notifications::TEXT_EDITOR_THEME_LOADED, Notifications::PREVIEW_THEME_LOADED });
        c.list->showPopup();
        EXPECT_TRUE(test::waitUntil([&] { return c.list->view()->isVisible(); }));
        EXPECT_EQ(itemsOf(c.list), c.after);
        EXPECT_EQ(c.list->currentText(), c.before.first()) << "the stored choice stays selected";
        c.list->hidePopup();
        EXPECT_TRUE(activity.writes.isEmpty());
        EXPECT_TRUE(activity.posts.isEmpty());
    }
}
