#include "CorePrefs.h"
#include "common/Prefs.h"
#include "OutlineRecorder.h"
#include "Services/MarkdownFormatter.h"
#include "PageScripts.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "preview/PreviewOutlineController.h"
#include "preview/PreviewOutlinePopover.h"

#include <QHBoxLayout>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace penwick {
namespace {

const QString kSetupEntry = QStringLiteral(
    "<h3 id=\"setup\">&nbsp;&nbsp;&nbsp;###&nbsp;<a href=\"#setup?id=1\">Setup</a></h3>");

QString renderedHeadings(const QString& titles)
{
    return MarkdownFormatter::formatRawContent(std::optional<QString>(titles));
}

class OutlineBodyByEngine : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_GFM, GetParam()); }
    void TearDown() override { platform::UserDefaults::standard().removeObject(CorePrefs::PREVIEW_ENABLE_GFM); }
};

TEST_P(OutlineBodyByEngine, EachRenderedHeadingBecomesAnIndentedNumberedLink)
{
    const auto body = PreviewOutlineController::outlineBody(renderedHeadings(QStringLiteral("# Intro\n### Setup")));
    ASSERT_TRUE(body);
    EXPECT_EQ(*body,
        QStringLiteral("\n<h1 id=\"intro\">&nbsp;#&nbsp;<a href=\"#intro?id=0\">Intro</a></h1>\n") + kSetupEntry);
}

TEST_P(OutlineBodyByEngine, InlineMarkupStaysInTheLinkText)
{
    const auto body = PreviewOutlineController::outlineBody(renderedHeadings(QStringLiteral("## Use *this*")));
    ASSERT_TRUE(body);
    EXPECT_TRUE(body->contains(QStringLiteral(">Use <em>this</em></a></h2>"))) << body->toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, OutlineBodyByEngine, ::testing::Values(true, false),
    [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "gfm" : "classic"; });

TEST(OutlineBody, HeadingsWithoutIdsGiveNoBody)
{
    platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_OUTLINE, false);
    EXPECT_FALSE(PreviewOutlineController::outlineBody(renderedHeadings(QStringLiteral("# Intro\n## More"))));
    platform::UserDefaults::standard().removeObject(CorePrefs::PREVIEW_ENABLE_OUTLINE);
    EXPECT_FALSE(PreviewOutlineController::outlineBody(QStringLiteral("<p>no heading</p>")));
}

TEST(OutlineBody, LongTextsAreCutAfterTwentyNineCharacters)
{
    // Characters, not code units: every "é" below is an "e" with a combining accent.
    const QString e = QStringLiteral("e\u0301");
    struct Case {
        int characters;
        QString shown;
    };
    for (const Case& c : { Case { 28, e.repeated(28) }, Case { 29, e.repeated(29) + QStringLiteral("...") },
             Case { 40, e.repeated(29) + QStringLiteral("...") } }) {
        const QString html = QStringLiteral("<h2 id=\"x\">") + e.repeated(c.characters) + QStringLiteral("</h2>");
        const auto body = PreviewOutlineController::outlineBody(html);
        ASSERT_TRUE(body) << c.characters;
        EXPECT_EQ(*body, QStringLiteral("\n<h2 id=\"x\">&nbsp;&nbsp;##&nbsp;<a href=\"#x?id=0\">") + c.shown + QStringLiteral("</a></h2>"))
            << c.characters;
    }
}

TEST(OutlineLinks, TheIdIsEverythingBeforeTheLastQuestionMark)
{
    using Parsed = std::optional<std::pair<QString, qsizetype>>;
    EXPECT_EQ(PreviewOutlineController::parseLinkTarget(QStringLiteral("setup?id=1")), Parsed({ QStringLiteral("setup"), 1 }));
    EXPECT_EQ(PreviewOutlineController::parseLinkTarget(QStringLiteral("what?now?id=12")), Parsed({ QStringLiteral("what?now"), 12 }));
    EXPECT_EQ(PreviewOutlineController::parseLinkTarget(QStringLiteral("x?id=")), std::nullopt);
    EXPECT_EQ(PreviewOutlineController::parseLinkTarget(QStringLiteral("plain")), std::nullopt);
    EXPECT_EQ(PreviewOutlineController::parseLinkTarget(QStringLiteral("x?id=99999999999999999999999")), std::nullopt);
}

TEST(OutlinePage, ThePageCarriesTheFixedStyleSheetAndNoTitle)
{
    const QString page = PreviewOutlineController::outlinePage(kSetupEntry);
    EXPECT_TRUE(page.contains(PreviewOutlineController::OUTLINE_CSS));
    EXPECT_TRUE(page.contains(kSetupEntry));
    EXPECT_TRUE(page.contains(QStringLiteral("<title></title>"))) << page.left(600).toStdString();
}

// The popover at a button in a shown host, wired as the window does.
class PreviewOutline : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(host.get());
        button = new QToolButton(host.get());
        button->setCheckable(true);
        layout->addWidget(button);
        host->resize(500, 500);
        host->show();
        popover = new PreviewOutlinePopover(host.get());
        controller.setPreviewOutlinePopover(popover);
        controller.setShowOutlineBtn(button);
        QObject::connect(view(), &platform::WebView::pageLoadFinished, [this] { ++loads; });
        QObject::connect(button, &QToolButton::clicked, [this] {
            controller.setPreviewOutlineDelegate(&recorder);
            controller.showOutlines(button, text);
        });
    }

    void TearDown() override
    {
        popover->close();
        host.reset();
    }

    void open(const QString& markdown)
    {
        text = markdown;
        button->click();
    }

    platform::WebView* view() const { return controller.outlineWebView(); }

    QVariant eval(const QString& script, platform::WebView::World world = platform::WebView::World::Page)
    {
        return test::evaluate(view(), script, world);
    }

    // A press and release of the left button on the element, through the view's input.
    void clickElement(const QString& selector)
    {
        ASSERT_TRUE(test::waitForScript(view(), QStringLiteral("!!(window.__inPageLinks && window.__inPageLinks.enabled)"),
            platform::WebView::World::Application));
        const QVariantList box = eval(QStringLiteral("(function(){var r=document.querySelector('%1').getBoundingClientRect();"
                                                     "return [r.left + r.width / 2, r.top + r.height / 2];})()")
                                          .arg(selector))
                                     .toList();
        ASSERT_EQ(box.size(), 2);
        const QPoint at(int(box.at(0).toDouble()), int(box.at(1).toDouble()));
        QWidget* target = view()->focusProxy() ? view()->focusProxy() : view();
        QTest::mouseMove(target, at);
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
    }

    std::unique_ptr<QWidget> host;
    QToolButton* button = nullptr;
    PreviewOutlinePopover* popover = nullptr;
    PreviewOutlineController controller;
    test::OutlineRecorder recorder;
    QString text;
    int loads = 0;
};

TEST_F(PreviewOutline, AnEmptyTextLeavesTheButtonOffAndOpensNothing)
{
    open(QString());
    EXPECT_FALSE(button->isChecked());
    EXPECT_FALSE(popover->isVisible());
    EXPECT_EQ(controller.pagesLoaded(), 0);
}

TEST_F(PreviewOutline, AClickOnALinkSendsTheIdAndEntryAndThePopoverStaysOpen)
{
    open(QStringLiteral("# Intro\n\n```sh\nmake\n```\n### Setup\n"));
    EXPECT_TRUE(button->isChecked());
    ASSERT_TRUE(test::waitUntil([&] { return loads > 0; }, 30000));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('setup').outerHTML")).toString(), kSetupEntry);

    clickElement(QStringLiteral("a[href=\"#setup?id=1\"]"));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.previewChoices.isEmpty(); }, 20000));
    ASSERT_EQ(recorder.previewChoices.size(), 1);
    EXPECT_EQ(recorder.previewChoices.first().first, QStringLiteral("setup"));
    EXPECT_EQ(recorder.previewChoices.first().second, OutlineRange(QStringLiteral("### Setup"), platform::TextRange(24, 9)));
    EXPECT_TRUE(popover->isVisible());
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(loads, 1) << "the page did not navigate";
}

TEST_F(PreviewOutline, ThePageWearsThePreviewStyle)
{
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_STYLE_NAME, QStringLiteral("Penwick Dark"));
    ASSERT_TRUE(PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath().has_value());
    open(QStringLiteral("# Intro\n\n## Setup\n"));
    ASSERT_TRUE(test::waitUntil([&] { return loads > 0; }, 30000));
    EXPECT_TRUE(test::waitForScript(view(), QStringLiteral("getComputedStyle(document.body).backgroundColor == 'rgb(30, 34, 39)'")));
    EXPECT_TRUE(eval(QStringLiteral("getComputedStyle(document.body).fontFamily")).toString().startsWith(QStringLiteral("\"DejaVu Sans\"")));
    EXPECT_EQ(eval(QStringLiteral("getComputedStyle(document.querySelector('a')).color")).toString(), QStringLiteral("rgb(108, 182, 255)"));
    platform::UserDefaults::standard().removeObject(Prefs::PREVIEW_STYLE_NAME);
}

TEST_F(PreviewOutline, ANumberPastTheHeadingListSelectsNothing)
{
    open(QStringLiteral("# Intro\n"));
    ASSERT_TRUE(test::waitUntil([&] { return loads > 0; }, 30000));
    // A page with more linked headings than the scan found.
    view()->loadHtml(QStringLiteral("<html><body><a id='far' href='#intro?id=1'>far</a> <a id='near' href='#intro?id=0'>near</a>"
                                    "</body></html>"));
    ASSERT_TRUE(test::waitUntil([&] { return loads > 1; }, 30000));
    clickElement(QStringLiteral("#far"));
    clickElement(QStringLiteral("#near"));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.previewChoices.isEmpty(); }, 20000));
    ASSERT_EQ(recorder.previewChoices.size(), 1);
    EXPECT_EQ(recorder.previewChoices.first().second.title(), QStringLiteral("# Intro"));
}

TEST_F(PreviewOutline, AnIdWithQuestionMarksArrivesWholeThroughAClick)
{
    open(QStringLiteral("# Intro\n## Why\n"));
    ASSERT_TRUE(test::waitUntil([&] { return loads > 0; }, 30000));
    // Renderers drop "?" from their ids; inline HTML in a page can still carry one.
    view()->loadHtml(QStringLiteral("<html><body><a id='odd' href='#why?now?id=1'>Why now?</a></body></html>"));
    ASSERT_TRUE(test::waitUntil([&] { return loads > 1; }, 30000));
    clickElement(QStringLiteral("#odd"));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.previewChoices.isEmpty(); }, 20000));
    ASSERT_EQ(recorder.previewChoices.size(), 1);
    EXPECT_EQ(recorder.previewChoices.first().first, QStringLiteral("why?now"));
    EXPECT_EQ(recorder.previewChoices.first().second, OutlineRange(QStringLiteral("## Why"), platform::TextRange(8, 6)));
    EXPECT_TRUE(popover->isVisible());
}

TEST_F(PreviewOutline, WithoutHeadingIdsThePopoverOpensWithNoNewPage)
{
    platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_OUTLINE, false);
    open(QStringLiteral("# Intro\n"));
    platform::UserDefaults::standard().removeObject(CorePrefs::PREVIEW_ENABLE_OUTLINE);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(controller.pagesLoaded(), 0);
    EXPECT_EQ(controller.withoutCodeBlocksOutlineRanges().size(), 1);

    popover->close();
    EXPECT_FALSE(button->isChecked());
    EXPECT_TRUE(controller.withoutCodeBlocksOutlineRanges().isEmpty());
}

} // namespace
} // namespace penwick
