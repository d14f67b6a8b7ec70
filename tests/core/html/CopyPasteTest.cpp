#include "HTML/HTMLFormatter.h"
#include "QtPrinters.h"
#include "Services/CustomCSSManager.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace penwick;

TEST(CopyPaste, ImageRewriting)
{
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        { "<IMG  src=\"a.png\">", "<img src=\"file:a.png\">" },
        { "<img\n\tsrc=\"/abs/b.png\" alt=\"x\">", "<img src=\"file:/abs/b.png\" alt=\"x\">" },
        { "<img src=\"data:image/png;base64,AA\">", "<img src=\"file:data:image/png;base64,AA\">" },
        { "<img src=\"http://x/a.png\">", "<img src=\"http://x/a.png\">" },
        { "<img src=\"HTTPS://x/a.png\">", "<img src=\"HTTPS://x/a.png\">" },
        { "<img src='a.png'>", "<img src='a.png'>" },
        { "<img alt=\"x\" src=\"a.png\">", "<img alt=\"x\" src=\"a.png\">" },
        { "<p><img src=\"a.png\"> and <img src=\"b.png\"></p>", "<p><img src=\"file:a.png\"> and <img src=\"file:b.png\"></p>" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(HTMLFormatter::rewriteLocalImageSources(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    // An unpaired surrogate elsewhere in the content stops nothing and is kept as it was.
    const QString stray(QChar(0xD83D));
    EXPECT_EQ(HTMLFormatter::rewriteLocalImageSources(QStringLiteral("<p>") + stray + QStringLiteral("<img src=\"a.png\"></p>")),
        QStringLiteral("<p>") + stray + QStringLiteral("<img src=\"file:a.png\"></p>"));
}

TEST(CopyPaste, DocumentAndFormattedText)
{
    ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QStringLiteral("em { font-weight: bold; }")));
    EXPECT_EQ(HTMLFormatter::copyPasteHTML(QStringLiteral("<p>Hi <img src=\"a.png\"></p>"), QStringLiteral("body {color: red;}")),
        QStringLiteral("<html><head><meta charset=\"UTF-8\"><style>body {color: red;}</style>"
                       "\n<style type=\"text/css\">em { font-weight: bold; }</style>\n</head><body><p>Hi <img src=\"file:a.png\"></p></body></html>"));

    const QTextDocumentFragment fragment = HTMLFormatter::formatForCopyPaste(QStringLiteral("<p>Hello <em>world</em></p>"), QStringLiteral("body {color: red;}"));
    ASSERT_FALSE(fragment.isEmpty());
    QTextDocument doc;
    QTextCursor(&doc).insertFragment(fragment);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Hello world"));
    // the body rule reaches the text, and the user's style sheet applies too
    QTextCursor cursor(&doc);
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(Qt::red));
    cursor.setPosition(8);
    EXPECT_TRUE(cursor.charFormat().fontItalic());
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
}

TEST(CopyPaste, DocumentWithoutUserStyleSheet)
{
    ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QString()));
    EXPECT_EQ(HTMLFormatter::copyPasteHTML(QStringLiteral("<p>x</p>"), QString()),
        QStringLiteral("<html><head><meta charset=\"UTF-8\"><style></style></head><body><p>x</p></body></html>"));
}

TEST(CopyPaste, WorksOffTheMainThread)
{
    auto future = QtConcurrent::run([] { return HTMLFormatter::formatForCopyPaste(QStringLiteral("<p>far</p>"), QString()).toPlainText(); });
    EXPECT_EQ(future.result(), QStringLiteral("far"));
}

TEST(CopyPaste, EmptyFragment)
{
    EXPECT_TRUE(HTMLFormatter::formatForCopyPaste(QString(), QString()).toPlainText().isEmpty());
}
