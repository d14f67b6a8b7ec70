#include "preview/OutlineRange.h"

#include <gtest/gtest.h>

#include <ostream>

namespace penwick {

void PrintTo(const OutlineRange& range, std::ostream* out)
{
    *out << '"' << range.title().toStdString() << "\" @" << range.range().location << '+' << range.range().length;
}

namespace {

OutlineRange entry(const char16_t* title, qsizetype location, qsizetype length)
{
    return OutlineRange(QString::fromUtf16(title), platform::TextRange(location, length));
}

struct ExtractionCase {
    const char* name;
    QString text;
    QList<OutlineRange> headings;
    QList<OutlineRange> full;
};

QString u(const char16_t* text)
{
    return QString::fromUtf16(text);
}

class ExtractionTable : public ::testing::TestWithParam<ExtractionCase> {};

TEST_P(ExtractionTable, HeadingsAndFullListInTextOrder)
{
    const ExtractionCase& c = GetParam();
    const auto [headings, full] = extractOutlineRanges(c.text);
    EXPECT_EQ(headings, c.headings);
    EXPECT_EQ(full, c.full);
}

const OutlineRange intro = entry(u"# Intro", 0, 7);

INSTANTIATE_TEST_SUITE_P(Scan, ExtractionTable,
    ::testing::Values(
        ExtractionCase { "empty", u(u""), {}, {} },
        ExtractionCase { "setextLevel1", u(u"Title\n==="), { entry(u"# Title", 0, 5) }, { entry(u"# Title", 0, 5) } },
        ExtractionCase { "setextLevel2", u(u"Title\n---"), { entry(u"## Title", 0, 5) }, { entry(u"## Title", 0, 5) } },
        ExtractionCase { "frontMatter", u(u"---\ntitle: x\n---\nBody"), { entry(u"## title: x", 4, 8) },
            { entry(u"## title: x", 4, 8) } },
        ExtractionCase { "underlineBelowEmptyLine", u(u"a\n\n---"), { entry(u"## ", 2, 0) }, { entry(u"## ", 2, 0) } },
        ExtractionCase { "underlineBelowAtx", u(u"# Intro\n---"), { intro, entry(u"## # Intro", 0, 7) },
            { intro, entry(u"## # Intro", 0, 7) } },
        ExtractionCase { "twoUnderlines", u(u"x\n---\n---"), { entry(u"## x", 0, 1), entry(u"## ---", 2, 3) },
            { entry(u"## x", 0, 1), entry(u"## ---", 2, 3) } },
        ExtractionCase { "underlinesByPrefix", u(u"A\n===x\nB\n-----"), { entry(u"# A", 0, 1), entry(u"## B", 7, 1) },
            { entry(u"# A", 0, 1), entry(u"## B", 7, 1) } },
        ExtractionCase { "blankInFrontIsPlain", u(u"A\n ---\n #x"), {}, {} },
        ExtractionCase { "bareFencesAroundHeading", u(u"```\n# not a heading\n```"), { entry(u"# not a heading", 4, 15) },
            { entry(u"# not a heading", 4, 15) } },
        ExtractionCase { "fenceWithInfo", u(u"```python\nprint()\n```"), {}, { entry(u"```python", 0, 9) } },
        ExtractionCase { "fenceWithTrailingBlank", u(u"``` \nx\n```"), {}, { entry(u"``` ", 0, 4) } },
        ExtractionCase { "fourBackticks", u(u"````"), {}, { entry(u"````", 0, 4) } },
        ExtractionCase { "crlf", u(u"# A\r\n# B\r\n"), { entry(u"# A", 0, 3), entry(u"# B", 5, 3) },
            { entry(u"# A", 0, 3), entry(u"# B", 5, 3) } },
        ExtractionCase { "loneCr", u(u"T\r---\r# C"), { entry(u"## T", 0, 1), entry(u"# C", 6, 3) },
            { entry(u"## T", 0, 1), entry(u"# C", 6, 3) } },
        ExtractionCase { "paragraphSeparator", u(u"# A\u2029# B"), { entry(u"# A", 0, 3), entry(u"# B", 4, 3) },
            { entry(u"# A", 0, 3), entry(u"# B", 4, 3) } },
        ExtractionCase { "lineSeparatorInsideLine", u(u"# A\u2028B\n# C"), { entry(u"# A\u2028B", 0, 5), entry(u"# C", 6, 3) },
            { entry(u"# A\u2028B", 0, 5), entry(u"# C", 6, 3) } },
        ExtractionCase { "lineSeparatorAtLineEnd", u(u"# A\u2028"), { entry(u"# A\u2028", 0, 4) }, { entry(u"# A\u2028", 0, 4) } },
        ExtractionCase { "nextLineIsNotALineEnd", u(u"# A\u0085# B"), { entry(u"# A\u0085# B", 0, 7) },
            { entry(u"# A\u0085# B", 0, 7) } },
        ExtractionCase { "bareFenceWithLineSeparatorIsBare", u(u"```\u2028"), {}, {} },
        ExtractionCase { "tagHashAndTrailingBlanks", u(u"#tag\n#\n## Kept  "),
            { entry(u"#tag", 0, 4), entry(u"#", 5, 1), entry(u"## Kept  ", 7, 9) },
            { entry(u"#tag", 0, 4), entry(u"#", 5, 1), entry(u"## Kept  ", 7, 9) } },
        ExtractionCase { "emojiShiftsByTwoUnits", u(u"\U0001F600\n# H"), { entry(u"# H", 3, 3) }, { entry(u"# H", 3, 3) } },
        ExtractionCase { "mixedOrder", u(u"# A\n```swift\nlet x\n```\n## B"), { entry(u"# A", 0, 3), entry(u"## B", 23, 4) },
            { entry(u"# A", 0, 3), entry(u"```swift", 4, 8), entry(u"## B", 23, 4) } },
        ExtractionCase { "underlineFirstLine", u(u"===\nx"), {}, {} }),
    [](const ::testing::TestParamInfo<ExtractionCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace penwick
