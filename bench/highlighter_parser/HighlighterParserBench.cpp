// Element parser benchmark. For each input it prints the CPU time of the first
// parse in a fresh process, the time of a repeated parse in this process, the
// fresh parse's peak memory (resident high-water mark above what the process
// held before it) and minor page faults, and cmark-gfm's render time of the
// same input with the ratios to it.
//
// Usage: highlighter_parser_bench [markdown files...]
// With no files: ordinary generated Markdown and the pathological shapes at
// 0.25, 0.5 and 1 MB. A shape whose time grows faster than its size shows it
// in the "per MB" column.
#include "highlighter/mdh_parser.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
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

// Each item one level deeper than the one before it.
std::string nestedListItems(std::size_t size)
{
    std::string out;
    for (std::size_t level = 0; out.size() < size; ++level)
        out += std::string(2 * level, ' ') + "- item\n";
    return out;
}

// Each line one quote level deeper than the one before it.
std::string nestedQuotes(std::size_t size)
{
    std::string out;
    for (std::size_t level = 1; out.size() < size; ++level)
        out += std::string(level, '>') + " quoted\n";
    return out;
}

struct Shape {
    const char *name;
    std::function<std::string(std::size_t)> make;
};

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> all = {
        {"ordinary markdown", ordinaryMarkdown},
        {"nested list items", nestedListItems},
        {"nested quotes", nestedQuotes},
        {"\"[\" only", [](std::size_t n) { return std::string(n, '['); }},
        {"unclosed emphasis", [](std::size_t n) { return repeatTo("*a _b **c ", n); }},
        {"unclosed link openers", [](std::size_t n) { return repeatTo("[a ", n); }},
        {"unclosed image openers", [](std::size_t n) { return repeatTo("![a ", n); }},
        {"single long line", [](std::size_t n) { return repeatTo("word *x* [y] `z` <b> &amp; ", n); }},
        {"dense emoji", [](std::size_t n) {
             return repeatTo("\xF0\x9F\x98\x80 *\xF0\x9F\x8E\x89* \xE2\x9C\xA8 **\xF0\x9F\x91\x8D**\n", n);
         }},
        {"unclosed html", [](std::size_t n) { return repeatTo("<div><p a=\"b\">\n", n); }},
    };
    return all;
}

// Times are the CPU time of this process (user and system, so page faults
// count): on a shared machine, wall-clock time measures the neighbours too.
double now()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long statusKilobytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0)
            return std::atol(line.c_str() + n + 1);
    }
    return 0;
}

// One parse, sorted and freed, as the highlighter does it. Returns the element count.
std::size_t parseOnce(const std::string &text, bool *completed = nullptr)
{
    mdh_Element **lists = nullptr;
    const bool ok = mdh_parse_text_to_elements(text.c_str(), EXT_NONE, &lists);
    mdh_sort_element_lists(lists);
    std::size_t count = 0;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        for (const mdh_Element *e = lists[t]; e; e = e->next)
            ++count;
    }
    mdh_free_element_lists(lists);
    if (completed)
        *completed = ok;
    return count;
}

double cmarkRender(const std::string &text)
{
    cmark_gfm_core_extensions_ensure_registered();
    const double start = now();
    cmark_parser *parser = cmark_parser_new(CMARK_OPT_DEFAULT);
    for (const char *name : {"table", "strikethrough", "autolink", "tagfilter", "tasklist"}) {
        if (cmark_syntax_extension *ext = cmark_find_syntax_extension(name))
            cmark_parser_attach_syntax_extension(parser, ext);
    }
    cmark_parser_feed(parser, text.data(), text.size());
    cmark_node *doc = cmark_parser_finish(parser);
    char *html = cmark_render_html(doc, CMARK_OPT_DEFAULT, cmark_parser_get_syntax_extensions(parser));
    const double s = now() - start;
    std::free(html);
    cmark_node_free(doc);
    cmark_parser_free(parser);
    return s;
}

template <class F> double median3(F f)
{
    double v[3] = {f(), f(), f()};
    std::sort(v, v + 3);
    return v[1];
}

// Fresh-process measurement: prints "seconds peak_kb faults elements completed".
int child(const std::string &text)
{
    const long before = statusKilobytes("VmRSS:");
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    bool completed = false;
    const double start = now();
    const std::size_t count = parseOnce(text, &completed);
    const double s = now() - start;
    getrusage(RUSAGE_SELF, &r1);
    const long peak = statusKilobytes("VmHWM:") - before;
    std::printf("%.6f %ld %ld %zu %d\n", s, peak, r1.ru_minflt - r0.ru_minflt, count, completed ? 1 : 0);
    return 0;
}

struct Fresh {
    double seconds = 0;
    long peakKb = 0;
    long faults = 0;
    std::size_t elements = 0;
    bool completed = false;
};

Fresh runFresh(const std::vector<std::string> &args)
{
    std::string command = "/proc/" + std::to_string(getpid()) + "/exe --child";
    for (const std::string &a : args)
        command += " '" + a + "'";
    Fresh f;
    if (FILE *p = popen(command.c_str(), "r")) {
        int completed = 0;
        if (std::fscanf(p, "%lf %ld %ld %zu %d", &f.seconds, &f.peakKb, &f.faults, &f.elements, &completed) == 5)
            f.completed = completed != 0;
        pclose(p);
    }
    return f;
}

void header()
{
    std::printf("%-24s %7s %9s %9s %7s %9s %8s %9s %9s %7s %7s %s\n", "input", "MB", "fresh s", "per MB", "again s",
                "peak MB", "B/byte", "faults", "cmark s", "fresh×", "again×", "elements");
}

void report(const std::string &name, const std::string &text, const std::vector<std::string> &childArgs)
{
    const Fresh fresh = runFresh(childArgs);
    parseOnce(text); // warm this process up
    const double again = median3([&] {
        const double start = now();
        parseOnce(text);
        return now() - start;
    });
    const double cmark = median3([&] { return cmarkRender(text); });
    const double mb = static_cast<double>(text.size()) / kMegabyte;
    std::printf("%-24s %7.2f %9.3f %9.3f %7.3f %9.1f %8.1f %9ld %9.3f %7.2f %7.2f %zu%s\n", name.c_str(), mb,
                fresh.seconds, fresh.seconds / mb, again, fresh.peakKb / 1024.0,
                fresh.peakKb * 1024.0 / static_cast<double>(text.size()), fresh.faults, cmark, fresh.seconds / cmark,
                again / cmark, fresh.elements, fresh.completed ? "" : " CUT SHORT");
    std::fflush(stdout);
}

std::string readFile(const char *path, bool *ok)
{
    std::ifstream file(path, std::ios::binary);
    *ok = static_cast<bool>(file);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) {
        if (argc == 4 && std::strcmp(argv[2], "file") == 0) {
            bool ok = false;
            const std::string text = readFile(argv[3], &ok);
            return ok ? child(text) : 1;
        }
        if (argc == 4) {
            for (const Shape &s : shapes()) {
                if (s.name == std::string(argv[2]))
                    return child(s.make(static_cast<std::size_t>(std::atol(argv[3]))));
            }
        }
        return 1;
    }
    header();
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            bool ok = false;
            const std::string text = readFile(argv[i], &ok);
            if (!ok) {
                std::fprintf(stderr, "Cannot read %s\n", argv[i]);
                return 1;
            }
            report(argv[i], text, {"file", argv[i]});
        }
        return 0;
    }
    for (const Shape &s : shapes()) {
        for (const std::size_t size : {kMegabyte / 4, kMegabyte / 2, kMegabyte}) {
            const std::string name = std::string(s.name) + (size == kMegabyte ? " 1" : size == kMegabyte / 2 ? " .5" : " .25");
            report(name, s.make(size), {s.name, std::to_string(size)});
        }
    }
    return 0;
}
