#include "Extensions/MarkdownStringAdditions.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;

namespace {
struct Split {
    bool found;
    QString body;
};

Split split(const QString& text)
{
    qsizetype length = -1;
    const auto matter = frontMatter(text, &length);
    EXPECT_GE(length, 0);
    if (!matter) {
        EXPECT_EQ(length, 0);
        return { false, text };
    }
    return { true, text.mid(length) };
}
} // namespace

TEST(FrontMatter, Splits)
{
    struct Case { QString text; bool found; QString body; };
    const Case cases[] = {
        { QStringLiteral("---\ntitle: A\n---\n# H\n"), true, QStringLiteral("# H\n") },
        // "..." keeps the line feed that follows it
        { QStringLiteral("---\ntitle: A\n...\n# H\n"), true, QStringLiteral("\n# H\n") },
        // "---" takes the following blank lines and the next line's indentation
        { QStringLiteral("---\ntitle: A\n---  \n\n\n    code\n    more\n"), true, QStringLiteral("code\n    more\n") },
        // a closing line of four hyphens ends after three
        { QStringLiteral("---\ntitle: A\n----\nbody\n"), true, QStringLiteral("-\nbody\n") },
        // openers that do not count
        { QStringLiteral("----\ntitle: A\n---\nbody\n"), false, {} },
        { QStringLiteral("\n---\ntitle: A\n---\nbody\n"), false, {} },
        { QStringLiteral(" ---\ntitle: A\n---\nbody\n"), false, {} },
        // two adjacent delimiter lines are no front matter
        { QStringLiteral("---\n---\nbody\n"), false, {} },
        // white space and blank lines after the opener, a no-break space included
        { QStringLiteral("--- \u00a0\n\ntitle: A\n---\nbody"), true, QStringLiteral("body") },
        // CRLF line ends
        { QStringLiteral("---\r\ntitle: A\r\n---\r\nbody\r\n"), true, QStringLiteral("body\r\n") },
        // characters outside the BMP before the body
        { QStringLiteral("---\ntitle: \U0001F600\U0001F600\n---\n\U0001F600 body"), true, QStringLiteral("\U0001F600 body") },
        // not YAML: no front matter
        { QStringLiteral("---\ntitle: [A\n---\nbody\n"), false, {} },
        // no closing line
        { QStringLiteral("---\ntitle: A\nbody\n"), false, {} },
    };
    for (const Case& c : cases) {
        const Split s = split(c.text);
        EXPECT_EQ(s.found, c.found) << qPrintable(c.text);
        if (c.found) {
            EXPECT_EQ(s.body, c.body) << qPrintable(c.text);
        }
    }
}

TEST(FrontMatter, KindsOfValue)
{
    auto mapping = frontMatter(QStringLiteral("---\ntitle: A\n---\nx"));
    ASSERT_TRUE(mapping);
    EXPECT_TRUE(mapping->isMapping());
    auto sequence = frontMatter(QStringLiteral("---\n- a\n- b\n---\nx"));
    ASSERT_TRUE(sequence);
    EXPECT_TRUE(sequence->isSequence());
    auto scalar = frontMatter(QStringLiteral("---\nhello <world>\n---\nx"));
    ASSERT_TRUE(scalar);
    EXPECT_TRUE(scalar->isScalar());
    // the block ends at the first closing line
    auto first = frontMatter(QStringLiteral("---\na: 1\n---\nb: 2\n---\nx"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->keys()[0].scalarText(), QStringLiteral("a"));
}

TEST(FrontMatter, NullLengthPointerIsAllowed)
{
    EXPECT_TRUE(frontMatter(QStringLiteral("---\na: 1\n---\n"), nullptr));
    EXPECT_FALSE(frontMatter(QStringLiteral("no front matter"), nullptr));
}

TEST(FrontMatter, AStraySurrogateElsewhereDoesNotHideTheBlock)
{
    // A paste cut in the middle of an emoji leaves an unpaired surrogate in the text.
    for (const QChar stray : { QChar(0xD83D), QChar(0xDE00) }) {
        const QString body = QStringLiteral("# Title\nbroken ") + stray + QStringLiteral(" here\n");
        const Split s = split(QStringLiteral("---\ntitle: A\n---\n") + body);
        EXPECT_TRUE(s.found);
        EXPECT_EQ(s.body, body);
    }
}
