#include "highlighter/mdh_styleparser.h"
#include "highlighter/mdh_parser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace penwick;

namespace {

struct Message {
    std::string text;
    int line;
    bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Message& m) { return os << "(" << m.line << ") " << m.text; }

void collect(const char* message, int line, void* context)
{
    static_cast<std::vector<Message>*>(context)->push_back({ message, line });
}

struct SheetDeleter {
    void operator()(mdh_style_sheet* s) const { mdh_release_style_sheet(s); }
};
using Sheet = std::unique_ptr<mdh_style_sheet, SheetDeleter>;

struct Parsed {
    Sheet sheet;
    std::vector<Message> messages;
};

Parsed parse(const std::string& text)
{
    Parsed p;
    p.sheet.reset(mdh_read_style_sheet(text.c_str(), collect, &p.messages));
    return p;
}

std::vector<const mdh_style_attribute*> attributes(const mdh_style_attribute* head)
{
    std::vector<const mdh_style_attribute*> out;
    for (; head; head = head->next)
        out.push_back(head);
    return out;
}

int usedSlots(const mdh_style_sheet* sheet)
{
    int n = 0;
    for (auto* rule : sheet->element_styles)
        n += rule != nullptr;
    return n;
}

const std::string kNoOperator = "Invalid attribute definition: str does not contain an assignment operator (':' or '='): '";
const std::string kNotRule
    = "' is not a language element type name or one of the following: 'editor', 'editor-current-line', 'editor-selection'";

} // namespace

TEST(StyleSheetParser, EmptyAndCommentOnlyTextsGiveEmptySheetsSilently)
{
    for (const std::string text : { "", "\n\n", "   \n\t\n", "# a comment\n\n  # another\n" }) {
        Parsed p = parse(text);
        ASSERT_NE(p.sheet, nullptr);
        EXPECT_TRUE(p.messages.empty()) << text;
        EXPECT_EQ(p.sheet->editor_styles, nullptr);
        EXPECT_EQ(p.sheet->editor_current_line_styles, nullptr);
        EXPECT_EQ(p.sheet->editor_selection_styles, nullptr);
        EXPECT_EQ(usedSlots(p.sheet.get()), 0);
    }
    Parsed none;
    none.sheet.reset(mdh_read_style_sheet(nullptr, collect, &none.messages));
    ASSERT_NE(none.sheet, nullptr);
    EXPECT_TRUE(none.messages.empty());
}

TEST(StyleSheetParser, EachMessageVerbatimWithItsLineNumber)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<Message> expected;
    };
    const std::vector<Case> cases = {
        { "no attributes", "H1\n\nH2\n  color: 112233\n",
            { { "No style attributes defined for style rule 'H1'", 1 } } },
        { "no operator", "H1\n  color 112233\n  background: 445566\n",
            { { kNoOperator + "  color 112233'", 2 } } },
        { "unknown rule", "\n# x\nheading\n  color: 112233\n", { { "Style rule 'heading" + kNotRule, 3 } } },
        { "colour length", "EMPH\n  color: 12345\n",
            { { "Value '12345' is not a valid color value: it should be a hexadecimal number, 6 or 8 characters long.",
                2 } } },
        { "colour with a leading hash", "EMPH\n  color: #112233\n",
            { { "Value '' is not a valid color value: it should be a hexadecimal number, 6 or 8 characters long.",
                2 } } },
        { "colour bad digit", "EMPH\n\tcolor: 12345g\n",
            { { "Value '12345g' is not a valid color value: the character 'g' is invalid. The color value should be a "
                "hexadecimal number, 6 or 8 characters long.",
                2 } } },
        { "size without digits", "H2\n  font-size: large\n",
            { { "Value ' large' is invalid for attribute 'font-size'", 2 } } },
        { "bad style keyword", "H2\n  font-style: bold italic\n",
            { { "Value 'bold italic' is invalid for attribute 'font-style'", 2 } } },
        { "empty style keyword", "H2\n  font-style: bold,,italic\n",
            { { "Value '' is invalid for attribute 'font-style'", 2 } } },
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.text);
        EXPECT_EQ(p.messages, c.expected) << c.name;
    }
}

TEST(StyleSheetParser, LineNumbersFollowTheEditorWithCrLfAndCrLineEnds)
{
    const std::string lf = "# theme\n\nH1\n  color: 11223\n\nH2\n  font-size: big\n";
    for (const std::string& ending : { std::string("\r\n"), std::string("\r") }) {
        std::string text;
        for (char c : lf)
            text += c == '\n' ? ending : std::string(1, c);
        Parsed p = parse(text);
        ASSERT_EQ(p.messages.size(), 2u);
        EXPECT_EQ(p.messages[0].line, 4);
        EXPECT_EQ(p.messages[1].line, 7);
        EXPECT_EQ(p.messages[1].text, "Value ' big' is invalid for attribute 'font-size'");
    }
}

TEST(StyleSheetParser, ByteOrderMarkIsSkipped)
{
    Parsed p = parse("\xEF\xBB\xBFH1\n  color: 112233\n");
    EXPECT_TRUE(p.messages.empty());
    ASSERT_NE(p.sheet->element_styles[0], nullptr);
    EXPECT_EQ(p.sheet->element_styles[0]->element_type, mdh_element_type_for_name("H1"));
}

TEST(StyleSheetParser, ColourValues)
{
    struct Case {
        std::string line;
        int red, green, blue, alpha;
    };
    const std::vector<Case> cases = {
        { "color = 00FF00", 0, 255, 0, 255 },
        { "color: 80000000", 0, 0, 0, 128 },
        { "color: 123456 # a comment", 0x12, 0x34, 0x56, 255 },
        { "background-color:   abcdef  ", 0xab, 0xcd, 0xef, 255 },
        { "caret: FF102030", 0x10, 0x20, 0x30, 255 },
    };
    for (const Case& c : cases) {
        Parsed p = parse("EMPH\n  " + c.line + "\n");
        EXPECT_TRUE(p.messages.empty()) << c.line;
        auto list = attributes(p.sheet->element_styles[0]);
        ASSERT_EQ(list.size(), 1u) << c.line;
        const mdh_color_value& v = *list[0]->value.color;
        EXPECT_EQ(v.red, c.red) << c.line;
        EXPECT_EQ(v.green, c.green) << c.line;
        EXPECT_EQ(v.blue, c.blue) << c.line;
        EXPECT_EQ(v.alpha, c.alpha) << c.line;
    }
}

TEST(StyleSheetParser, AttributeKindsFollowTheNameTableAndNamesStayAsWritten)
{
    Parsed p = parse("STRONG\n"
                     "  color: 010203\n"
                     "  foreground: 010203\n"
                     "  foreground-color: 010203\n"
                     "  background: 010203\n"
                     "  background-color: 010203\n"
                     "  caret: 010203\n"
                     "  caret-color: 010203\n"
                     "  font-size: 12\n"
                     "  font-family:  Serif Pro  \n"
                     "  font-style: bold\n"
                     "  Color: 010203\n"
                     "  x-note: anything at all # not this\n");
    EXPECT_TRUE(p.messages.empty());
    auto list = attributes(p.sheet->element_styles[0]);
    ASSERT_EQ(list.size(), 12u);
    // Last written first.
    const std::vector<std::pair<std::string, mdh_attribute_kind>> expected = {
        { "x-note", mdh_attr_other }, { "Color", mdh_attr_other }, { "font-style", mdh_attr_font_style },
        { "font-family", mdh_attr_font_family }, { "font-size", mdh_attr_font_size }, { "caret-color", mdh_attr_caret_color },
        { "caret", mdh_attr_caret_color }, { "background-color", mdh_attr_background_color },
        { "background", mdh_attr_background_color }, { "foreground-color", mdh_attr_foreground_color },
        { "foreground", mdh_attr_foreground_color }, { "color", mdh_attr_foreground_color },
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list[i]->name, expected[i].first);
        EXPECT_EQ(list[i]->kind, expected[i].second) << expected[i].first;
        EXPECT_EQ(list[i]->element_type, mdh_element_type_for_name("STRONG"));
    }
    EXPECT_STREQ(list[0]->value.text, "anything at all");
    EXPECT_STREQ(list[1]->value.text, "010203");
    EXPECT_STREQ(list[3]->value.text, "Serif Pro");
}

TEST(StyleSheetParser, SizesAbsoluteAndRelative)
{
    struct Case {
        std::string value;
        int points;
        bool relative;
    };
    const std::vector<Case> cases = {
        { "+2", 2, true },
        { "-1", -1, true },
        { "14", 14, false },
        { " 12pt", 12, false },
        { "  +0", 0, true },
    };
    for (const Case& c : cases) {
        Parsed p = parse("H3\n  font-size:" + c.value + "\n");
        EXPECT_TRUE(p.messages.empty()) << c.value;
        auto list = attributes(p.sheet->element_styles[0]);
        ASSERT_EQ(list.size(), 1u) << c.value;
        EXPECT_EQ(list[0]->value.size->points, c.points) << c.value;
        EXPECT_EQ(list[0]->value.size->relative, c.relative) << c.value;
    }
}

TEST(StyleSheetParser, FontStyleLists)
{
    struct Case {
        std::string value;
        bool italic, bold, underlined;
        size_t messages;
    };
    const std::vector<Case> cases = {
        { "Bold, ITALIC", true, true, false, 0 },
        { "underlined", false, false, true, 0 },
        { "bold,,italic", true, true, false, 1 },
        { "bold italic", false, false, false, 1 },
        { "heavy, underlined, slanted", false, false, true, 2 },
    };
    for (const Case& c : cases) {
        Parsed p = parse("H4\n  font-style: " + c.value + "\n");
        EXPECT_EQ(p.messages.size(), c.messages) << c.value;
        auto list = attributes(p.sheet->element_styles[0]);
        ASSERT_EQ(list.size(), 1u) << "a bad keyword keeps the attribute: " << c.value;
        EXPECT_EQ(list[0]->value.font_styles->italic, c.italic) << c.value;
        EXPECT_EQ(list[0]->value.font_styles->bold, c.bold) << c.value;
        EXPECT_EQ(list[0]->value.font_styles->underlined, c.underlined) << c.value;
    }
}

TEST(StyleSheetParser, RejectedValuesDropOnlyTheirAttribute)
{
    Parsed p = parse("CODE\n  color: 0000zz\n  background: 102030\n  font-size: huge\n");
    EXPECT_EQ(p.messages.size(), 2u);
    auto list = attributes(p.sheet->element_styles[0]);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->kind, mdh_attr_background_color);
}

TEST(StyleSheetParser, RuleNamesAndBlockStructure)
{
    // Names are case-sensitive; text after the name on its line changes nothing.
    Parsed lower = parse("h1\n  color: 112233\n");
    ASSERT_EQ(lower.messages.size(), 1u);
    EXPECT_EQ(lower.messages[0], (Message { "Style rule 'h1" + kNotRule, 1 }));
    EXPECT_EQ(usedSlots(lower.sheet.get()), 0);

    Parsed suffix = parse("  H2: # headings\n  color: 112233\n");
    EXPECT_TRUE(suffix.messages.empty());
    ASSERT_NE(suffix.sheet->element_styles[0], nullptr);
    EXPECT_EQ(suffix.sheet->element_styles[0]->element_type, mdh_element_type_for_name("H2"));

    // A comment may stand between the name and the attributes; a blank line may not.
    Parsed comment = parse("LINK\n  # links\n  color: 112233\n");
    EXPECT_TRUE(comment.messages.empty());
    EXPECT_NE(comment.sheet->element_styles[0], nullptr);

    Parsed onlyComments = parse("LINK\n  # nothing here\n");
    EXPECT_TRUE(onlyComments.messages.empty());
    EXPECT_EQ(usedSlots(onlyComments.sheet.get()), 0);

    // An unknown rule with only invalid lines reports those lines and nothing more.
    Parsed unknownInvalid = parse("bogus\n  one\n  two\n");
    ASSERT_EQ(unknownInvalid.messages.size(), 2u);
    EXPECT_EQ(unknownInvalid.messages[0], (Message { kNoOperator + "  one'", 2 }));
    EXPECT_EQ(unknownInvalid.messages[1], (Message { kNoOperator + "  two'", 3 }));

    // An unknown rule's values are not examined.
    Parsed unknownValues = parse("bogus\n  color: nonsense\n");
    ASSERT_EQ(unknownValues.messages.size(), 1u);
    EXPECT_EQ(unknownValues.messages[0].text, "Style rule 'bogus" + kNotRule);
}

TEST(StyleSheetParser, OperatorSearchAndCommentsInAttributeLines)
{
    // A '#' before the operator ends the name, but the operator is still found after it.
    Parsed p = parse("EMPH\n  color # note: 112233\n");
    EXPECT_TRUE(p.messages.empty());
    auto list = attributes(p.sheet->element_styles[0]);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0]->name, "color");
    EXPECT_EQ(list[0]->value.color->red, 0x11);
}

TEST(StyleSheetParser, EditorRulesAndRepeatedRules)
{
    Parsed p = parse("editor\n  color: 111111\n\n"
                     "editor-selection\n  background: 222222\n\n"
                     "editor-current-line\n  background: 333333\n\n"
                     "editor\n  background: 444444\n  caret: 555555\n\n"
                     "H1\n  color: 010101\n\n"
                     "H1\n  color: 020202\n");
    EXPECT_TRUE(p.messages.empty());
    auto editor = attributes(p.sheet->editor_styles);
    ASSERT_EQ(editor.size(), 2u) << "the later editor rule replaces the earlier one";
    EXPECT_EQ(editor[0]->kind, mdh_attr_caret_color);
    EXPECT_EQ(editor[1]->value.color->red, 0x44);
    EXPECT_EQ(editor[0]->element_type, 28);
    ASSERT_NE(p.sheet->editor_selection_styles, nullptr);
    EXPECT_EQ(p.sheet->editor_selection_styles->value.color->red, 0x22);
    ASSERT_NE(p.sheet->editor_current_line_styles, nullptr);
    EXPECT_EQ(p.sheet->editor_current_line_styles->value.color->red, 0x33);
    EXPECT_EQ(p.sheet->editor_current_line_styles->element_type, 28);
    ASSERT_EQ(usedSlots(p.sheet.get()), 2) << "an element rule given twice fills two slots";
    EXPECT_EQ(p.sheet->element_styles[0]->value.color->red, 1);
    EXPECT_EQ(p.sheet->element_styles[1]->value.color->red, 2);
}

TEST(StyleSheetParser, SlotsFollowFileOrderAndRejectedRulesKeepTheirSlot)
{
    Parsed p = parse("VERBATIM\n  color: 010101\n\n"
                     "H6\n  color: bad\n\n"
                     "AUTO_LINK_URL\n  color: 030303\n");
    EXPECT_EQ(p.messages.size(), 1u);
    ASSERT_NE(p.sheet->element_styles[0], nullptr);
    EXPECT_EQ(p.sheet->element_styles[0]->element_type, mdh_element_type_for_name("VERBATIM"));
    EXPECT_EQ(p.sheet->element_styles[1], nullptr) << "a rule whose attributes were all rejected uses up its slot";
    ASSERT_NE(p.sheet->element_styles[2], nullptr);
    EXPECT_EQ(p.sheet->element_styles[2]->element_type, mdh_element_type_for_name("AUTO_LINK_URL"));
}

TEST(StyleSheetParser, MoreThanTwentyFourElementRulesAreIgnoredAndReported)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "EMPH\n  color: " + std::string(i < 10 ? "00000" : "0000") + std::to_string(i) + "\n\n";
    Parsed p = parse(text);
    EXPECT_EQ(usedSlots(p.sheet.get()), 24);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(p.sheet->element_styles[i]->value.color->blue, (i / 10) * 16 + i % 10) << i;
    ASSERT_EQ(p.messages.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(p.messages[i].line, (24 + i) * 3 + 1);
        EXPECT_EQ(p.messages[i].text, "Style rule 'EMPH' is ignored: a style sheet holds at most 24 element rules");
    }
}

TEST(StyleSheetParser, NoCallbackStillParses)
{
    Sheet sheet(mdh_read_style_sheet("H1\n  color: bad\n\nH2\n  color: 010203\n", nullptr, nullptr));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->element_styles[0], nullptr);
    EXPECT_NE(sheet->element_styles[1], nullptr);
}

TEST(StyleSheetParser, InvalidCharacterInMessageIsWholeUtf8Character)
{
    // Four digits and a two-byte character: six bytes, so the length check passes.
    Parsed p = parse("EMPH\n  color: 1234\xC3\xA9\n");
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_NE(p.messages[0].text.find("the character '\xC3\xA9' is invalid"), std::string::npos) << p.messages[0].text;
}
