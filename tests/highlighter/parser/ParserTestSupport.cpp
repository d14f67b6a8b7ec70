#include "ParserTestSupport.h"

#include <random>

namespace penwick::test {

void PrintTo(const Span &span, std::ostream *out)
{
    *out << "{" << mdh_element_name_for_type(span.type) << ", " << span.pos << ", " << span.end << "}";
}

void PrintTo(const LinkInfo &info, std::ostream *out)
{
    *out << "{" << mdh_element_name_for_type(info.type) << ", " << info.pos << ", \"" << info.label << "\", \""
         << info.address << "\"}";
}

Parsed::Parsed(const std::string &text, int extensions, bool sort)
{
    m_completed = mdh_parse_text_to_elements_with(text.c_str(), extensions, &m_lists, mdh_parse_options{}, &m_report);
    if (sort)
        mdh_sort_element_lists(m_lists);
}

Parsed::Parsed(const std::string &text, int extensions, const mdh_parse_options &options)
{
    m_completed = mdh_parse_text_to_elements_with(text.c_str(), extensions, &m_lists, options, &m_report);
    mdh_sort_element_lists(m_lists);
}

Parsed::~Parsed()
{
    mdh_free_element_lists(m_lists);
}

std::vector<Span> Parsed::spans(int type) const
{
    std::vector<Span> out;
    for (const mdh_Element *e = m_lists[type]; e; e = e->next)
        out.push_back({type, e->pos, e->end});
    return out;
}

std::vector<Span> Parsed::spans() const
{
    std::vector<Span> out;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        const auto some = spans(t);
        out.insert(out.end(), some.begin(), some.end());
    }
    return out;
}

std::vector<LinkInfo> Parsed::links() const
{
    std::vector<LinkInfo> out;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        for (const mdh_Element *e = m_lists[t]; e; e = e->next) {
            if (e->label || e->address)
                out.push_back({t, e->pos, e->label ? e->label : "-", e->address ? e->address : "-"});
        }
    }
    return out;
}

static const char *const kFragments[] = {
    "*", "**", "_", "__", "`", "``", "[", "]", "(", ")", "<", ">", "!", "&", "#", "\\", "'", "\"", "^",
    " ", "  ", "\n", "\n\n", "    ", "\t", "a", "word", "\xC3\xA9", "\xF0\x9F\x98\x80", "- ", "* ", "1. ", "> ",
    "---", "===", "* * *", "<div>", "</div>", "<h1>", "</h1>", "<p>", "</p>", "<!--", "-->", "<hr/>", "<style>",
    "</style>", "<script>", "</script>", "&amp;", "&#12;", "<http://x>", "<a@b.c>", "[a]: /u \"t\"\n", "[a]",
    "[a](/b)", "![i](/j)", "[^n]", "^[", "\r\n", "\xEF\xBB\xBF", "a=\"b\"", "mailto:",
};

static std::string randomText(std::mt19937 &random, std::size_t pieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kFragments) - 1);
    std::string text;
    for (std::size_t i = 0; i < pieces; ++i)
        text += kFragments[pick(random)];
    return text;
}

std::vector<std::string> mixedCorpus()
{
    std::vector<std::string> texts = {
        "# Title\n\nSome *emphasis*, **strong** and `code`.\n\n> quote **across\n> lines**\n\n- item\n- item two\n",
        "[link](http://x.y \"t\") ![img](a.png) [ref][r] <http://a.b> <a@b.c>\n\n[r]: http://r \"title\"\n",
        "<div>\n<div>x</div>\n</div>\n\n<h2>head</h2>\n\n<hr/>\n\n<style>\np {}\n</style>\nafter\n",
        "- a\n    - b\n\n- c\n\n  more\n\n* * *\n\nSetext\n===\n\nTwo\n---\n",
        "> a\n>\n> b\n\n> > nested *quote\n> > across* lines\n\n1. one\n\n2. two\n   lazy\n",
        "*a _b *c _d e_ f* g_ h*\n\n**a __b__ c**\n\n`` a ` b `` c\n",
        "Note[^1] and ^[inline *note*].\n\n[^1]: the note\n    more\n",
        "\xEF\xBB\xBF\xC3\xA9 *\xF0\x9F\x98\x80* [\xC3\xA9](/\xC3\xBC)\n",
        "*a *a *a *a *a *a *a *a\n\n[a [a [a [a [a\n\n<div><div><div>\n\n",
    };
    std::mt19937 random(20261210);
    for (int i = 0; i < 400; ++i)
        texts.push_back(randomText(random, 5 + static_cast<std::size_t>(i % 40)));
    return texts;
}

} // namespace penwick::test
