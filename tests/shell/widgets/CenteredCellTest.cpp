#include "shell/VerticallyCenteredTextFieldCell.h"

#include <QApplication>
#include <QListWidget>
#include <QStandardItemModel>
#include <QStyle>

#include <gtest/gtest.h>

namespace penwick::test {
namespace {

struct Cell : VerticallyCenteredTextFieldCell {
    using VerticallyCenteredTextFieldCell::initStyleOption;
};

TEST(VerticallyCenteredTextFieldCell, CentresTextInATallRowAndInsetsItFivePoints)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("Readme.md")));
    QListWidget view;
    Cell cell;
    const QModelIndex index = model.index(0, 0);

    struct Case {
        int height;
        bool centred;
    };
    for (const Case c : { Case { 60, true }, Case { 3, false } }) {
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.widget = &view;
        option.rect = QRect(10, 100, 200, c.height);
        QStyleOptionViewItem base(option);
        cell.initStyleOption(&base, index);
        const QRect plain = view.style()->subElementRect(QStyle::SE_ItemViewItemText, &base, &view);
        const QRect rect = cell.drawingRectForBounds(option, index);
        EXPECT_EQ(rect.left(), plain.left() + 5) << c.height;
        EXPECT_EQ(rect.width(), plain.width()) << c.height;
        if (c.centred) {
            EXPECT_EQ(rect.height(), option.fontMetrics.height());
            EXPECT_NEAR(rect.center().y(), plain.center().y(), 1);
        } else {
            EXPECT_EQ(rect.top(), plain.top());
            EXPECT_EQ(rect.height(), plain.height());
        }
    }
}

} // namespace
} // namespace penwick::test
