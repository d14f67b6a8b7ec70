#include "OutlineRecorder.h"
#include "TestSupport.h"
#include "preview/EditorOutlineController.h"
#include "preview/EditorOutlinePopover.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace penwick {
namespace {

// The outline button in a shown host, the popover and its controller wired as the window does.
class EditorOutline : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(host.get());
        button = new QToolButton(host.get());
        button->setCheckable(true);
        button->setText(QStringLiteral("Outline"));
        layout->addWidget(button);
        host->resize(400, 300);
        host->show();
        popover = new EditorOutlinePopover(host.get());
        controller.setEditorOutlinePopover(popover);
        controller.setShowOutlineBtn(button);
        QObject::connect(button, &QToolButton::clicked, [this] {
            controller.setEditorOutlineDelegate(&recorder);
            controller.showOutlines(button, text);
        });
    }

    void TearDown() override
    {
        popover->close();
        host.reset();
    }

    // A click on the outline button, as the user makes it.
    void open(const QString& markdown)
    {
        text = markdown;
        button->click();
    }

    QStringList rows() const
    {
        QStringList shown;
        for (int row = 0; row < table()->count(); ++row)
            shown.append(table()->item(row)->text());
        return shown;
    }

    QListWidget* table() const { return controller.outlineTableView(); }
    QCheckBox* codeBlocks() const { return controller.showCodeBlocksCheckBox(); }

    void clickRow(int row)
    {
        const QRect rect = table()->visualItemRect(table()->item(row));
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    std::unique_ptr<QWidget> host;
    QToolButton* button = nullptr;
    EditorOutlinePopover* popover = nullptr;
    EditorOutlineController controller;
    test::OutlineRecorder recorder;
    QString text;
};

TEST_F(EditorOutline, AnEmptyTextLeavesTheButtonOffAndOpensNothing)
{
    open(QString());
    EXPECT_FALSE(button->isChecked());
    EXPECT_FALSE(popover->isVisible());
}

TEST_F(EditorOutline, RowsAreIndentedByLevelAndTheButtonMirrorsThePopover)
{
    open(QStringLiteral("Title\n===\n\n### Setup\n#\n"));
    EXPECT_TRUE(popover->isVisible());
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(rows(), (QStringList { QStringLiteral(" # Title"), QStringLiteral("   ### Setup"), QStringLiteral(" #") }));
}

TEST_F(EditorOutline, BareFencesLeaveTheCheckBoxDisabled)
{
    open(QStringLiteral("```\n# not a heading\n```\n"));
    EXPECT_FALSE(codeBlocks()->isEnabled());
    EXPECT_EQ(rows(), QStringList { QStringLiteral(" # not a heading") });
}

TEST_F(EditorOutline, TheCheckBoxAddsFenceLinesUnindentedInTextOrderAndKeepsItsState)
{
    open(QStringLiteral("# A\n```swift\nlet x = 1\n```\n## B\n"));
    ASSERT_TRUE(codeBlocks()->isEnabled());
    EXPECT_EQ(rows(), (QStringList { QStringLiteral(" # A"), QStringLiteral("  ## B") }));
    QTest::mouseClick(codeBlocks(), Qt::LeftButton, {}, QPoint(8, codeBlocks()->height() / 2));
    ASSERT_TRUE(codeBlocks()->isChecked());
    EXPECT_EQ(rows(), (QStringList { QStringLiteral(" # A"), QStringLiteral("```swift"), QStringLiteral("  ## B") }));
    clickRow(1);
    ASSERT_EQ(recorder.editorChoices.size(), 1);
    EXPECT_EQ(recorder.editorChoices.first(), OutlineRange(QStringLiteral("```swift"), platform::TextRange(4, 8)));

    // Closed and opened again after an edit: the new headings, the check box as it was left.
    popover->close();
    open(QStringLiteral("# A\n```swift\nlet x = 1\n```\n## B\n### C\n"));
    EXPECT_TRUE(codeBlocks()->isChecked());
    EXPECT_EQ(rows(),
        (QStringList { QStringLiteral(" # A"), QStringLiteral("```swift"), QStringLiteral("  ## B"), QStringLiteral("   ### C") }));
}

TEST_F(EditorOutline, ChoosingTheSameRowTwiceSendsItTwiceAndThePopoverStaysOpen)
{
    open(QStringLiteral("# One\n# Two\n"));
    clickRow(1);
    clickRow(1);
    const OutlineRange two(QStringLiteral("# Two"), platform::TextRange(6, 5));
    EXPECT_EQ(recorder.editorChoices, (QList<OutlineRange> { two, two }));
    EXPECT_TRUE(table()->selectedItems().isEmpty());
    EXPECT_TRUE(popover->isVisible());
}

TEST_F(EditorOutline, ClosingEmptiesBothListsAndTurnsTheButtonOff)
{
    open(QStringLiteral("# A\n```c\n"));
    ASSERT_EQ(controller.withoutCodeBlocksOutlineRanges().size(), 1);
    ASSERT_EQ(controller.originalOutlineRanges().size(), 2);
    // A press outside the popup closes it.
    QTest::mouseClick(popover, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_FALSE(popover->isVisible());
    EXPECT_FALSE(button->isChecked());
    EXPECT_TRUE(controller.withoutCodeBlocksOutlineRanges().isEmpty());
    EXPECT_TRUE(controller.originalOutlineRanges().isEmpty());
    EXPECT_TRUE(recorder.editorChoices.isEmpty());
}

TEST_F(EditorOutline, TheSelectionIsPaintedTheSameGreyActiveOrNot)
{
    const QColor grey = QColor::fromRgbF(0.82, 0.82, 0.82);
    EXPECT_EQ(table()->palette().color(QPalette::Active, QPalette::Highlight), grey);
    EXPECT_EQ(table()->palette().color(QPalette::Inactive, QPalette::Highlight), grey);
}

TEST(EditorOutlineRows, IndentationCountsMarksAsCharacters)
{
    EXPECT_EQ(EditorOutlineController::displayTitle(QStringLiteral("```swift")), QStringLiteral("```swift"));
    EXPECT_EQ(EditorOutlineController::displayTitle(QStringLiteral("###### Six")), QStringLiteral("      ###### Six"));
    EXPECT_EQ(EditorOutlineController::displayTitle(QStringLiteral("a # b")), QStringLiteral("a # b"));
}

} // namespace
} // namespace penwick
