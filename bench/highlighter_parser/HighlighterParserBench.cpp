// Parses Markdown files named on the command line, or generated inputs
// (ordinary Markdown and pathological shapes) when none are given, and prints
// per input its size, MB/s, element count and whether the parse completed.
#include "highlighter/mdh_parser.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace penwick;

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

std::string repeatTo(const std::string &unit, std::size_t size)
{
    std::string out;
    out.reserve(size + unit.size());
    while (out.size() < size)
        out += unit;
    return out;
}

std::string ordinaryMarkdown(std::size_t size)
{
    const std::string unit =
        "# A heading about *things*\n\n"
        "Some ordinary text with **strong words**, _emphasis_, `inline code` and a\n"
        "[link](http://example.com/page \"Title\") plus a [reference][ref] and <http://auto.link>.\n"
        "Entities &amp; &#169; and <span class=\"x\">inline html</span> appear too.\n\n"
        "> A quoted paragraph with *emphasis*\n> over two lines.\n\n"
        "- first item\n- second item with `code`\n    - nested item\n\n"
        "1. one\n2. two\n\n"
        "    indented code block\n    second line\n\n"
        "Setext heading\n--------------\n\n"
        "* * *\n\n"
        "[ref]: http://example.com/ref \"Ref\"\n\n";
    return repeatTo(unit, size);
}

std::vector<std::pair<std::string, std::string>> generatedInputs()
{
    std::vector<std::pair<std::string, std::string>> inputs;
    inputs.emplace_back("ordinary markdown", ordinaryMarkdown(kMegabyte));
    inputs.emplace_back("unclosed emphasis openers", repeatTo("*a ", kMegabyte));
    inputs.emplace_back("unclosed strong openers", repeatTo("**a _b ", kMegabyte));
    inputs.emplace_back("unclosed link openers", repeatTo("[a ", kMegabyte));
    inputs.emplace_back("unclosed image openers", repeatTo("![a ", kMegabyte));
    inputs.emplace_back("unclosed code openers", repeatTo("``a ` ", kMegabyte));
    {
        const std::size_t depth = kMegabyte / 2;
        inputs.emplace_back("brackets nested deep", std::string(depth, '[') + std::string(depth, ']'));
        inputs.emplace_back("parentheses nested deep", "[a](" + std::string(depth, '(') + std::string(depth, ')') + ")");
    }
    {
        std::string nested;
        const std::size_t levels = kMegabyte / 8;
        for (std::size_t i = 0; i < levels; ++i)
            nested += (i % 2) ? "_b " : "*a ";
        for (std::size_t i = levels; i-- > 0;)
            nested += (i % 2) ? " b_" : " a*";
        inputs.emplace_back("emphasis nested deep", nested);
    }
    inputs.emplace_back("quotes nested deep", repeatTo("> ", kMegabyte) + "a\n");
    inputs.emplace_back("list items nested deep", repeatTo("- ", kMegabyte) + "a\n");
    inputs.emplace_back("single 1 MB line", repeatTo("word *x* [y] `z` <b> &amp; ", kMegabyte));
    inputs.emplace_back("unclosed html tags", repeatTo("<div>\n", kMegabyte));
    inputs.emplace_back("unclosed html tags on one line", repeatTo("<div><p>", kMegabyte));
    inputs.emplace_back("unclosed comments and quotes", repeatTo("<!-- <a b=\" [x](y \"t ", kMegabyte));
    inputs.emplace_back("unclosed auto links", repeatTo("<http://a <a@b ", kMegabyte));
    inputs.emplace_back("emoji dense text", repeatTo("\xF0\x9F\x98\x80 *\xF0\x9F\x8E\x89* \xE2\x9C\xA8 **\xF0\x9F\x91\x8D**\n", kMegabyte));
    return inputs;
}

void run(const std::string &name, const std::string &text)
{
    mdh_Element **lists = nullptr;
    mdh_parse_report report;
    const auto start = std::chrono::steady_clock::now();
    mdh_parse_text_to_elements_with(text.c_str(), EXT_NONE, &lists, mdh_parse_options{}, &report);
    mdh_sort_element_lists(lists);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t count = 0;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        for (const mdh_Element *e = lists[t]; e; e = e->next)
            ++count;
    }
    mdh_free_element_lists(lists);
    const double megabytes = static_cast<double>(text.size()) / kMegabyte;
    std::printf("%-34s %8.2f MB %8.3f s %9.2f MB/s %9zu elements %s%s\n", name.c_str(), megabytes, seconds,
                seconds > 0 ? megabytes / seconds : 0.0, count, report.completed ? "complete" : "CUT SHORT (budget)",
                report.nestingBoundReached ? ", nesting bound reached" : "");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            std::ifstream file(argv[i], std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "Cannot read %s\n", argv[i]);
                return 1;
            }
            std::stringstream content;
            content << file.rdbuf();
            run(argv[i], content.str());
        }
        return 0;
    }
    for (const auto &[name, text] : generatedInputs())
        run(name, text);
    return 0;
}
