// Throughput of both Markdown engines on 1 MB and 10 MB of generated Markdown, beside a bare
// cmark-gfm call (same extensions and options, bytes in, bytes out) on the same input.
// Run: bench_markdown [--benchmark_filter=...]; each result reports bytes_per_second; compare
// the medians of BM_GFM and BM_BareCmarkGFM at the same size. BM_GFMRepeatedHeadings renders
// 10,000 and 40,000 headings of one title, with and without ids.
#include "Extensions/MarkdownStringAdditions.h"
#include "Services/TVXMarkdownFormatter.h"

#include <QString>

#include <benchmark/benchmark.h>
#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>

#include <cstdlib>
#include <map>

namespace {

const QString& generated(int64_t bytes)
{
    static QString small, large;
    QString& text = bytes <= (1 << 20) ? small : large;
    if (!text.isEmpty())
        return text;
    int n = 0;
    while (text.size() < bytes) {
        text += QStringLiteral("## Section %1: a heading\n\nA paragraph with *emphasis*, **strong text**, `code`, a "
                               "[link](http://example.com/%1) and www.example.org autolinks. Ünïcödé text too.\n"
                               "Second line of the same paragraph.\n\n")
                    .arg(n);
        text += QStringLiteral("- [ ] task %1\n- [x] done\n- plain item\n\n1. one\n2. two\n\n> quoted text\n\n").arg(n);
        text += QStringLiteral("```cpp\nint main() { return %1; }\n```\n\n| a | b |\n|---|---|\n| %1 | ~~old~~ |\n\n").arg(n);
        ++n;
    }
    return text;
}

void BM_GFM(benchmark::State& state)
{
    const QString& text = generated(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(penwick::renderAsMarkdownByAddingHeaderIds(text, true, false));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.toUtf8().size());
}

// The same path without heading ids: what the ids cost on this heading-dense input.
void BM_GFMWithoutIds(benchmark::State& state)
{
    const QString& text = generated(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(penwick::renderAsMarkdownByAddingHeaderIds(text, false, false));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.toUtf8().size());
}

// Many headings with one title: each repeat needs the next free "-N" of the same slug.
const QString& repeatedHeadings(int64_t count)
{
    static std::map<int64_t, QString> texts;
    QString& text = texts[count];
    if (text.isEmpty())
        text = QStringLiteral("# Notes\n\n").repeated(qsizetype(count));
    return text;
}

void BM_GFMRepeatedHeadings(benchmark::State& state)
{
    const QString& text = repeatedHeadings(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(penwick::renderAsMarkdownByAddingHeaderIds(text, true, false));
    state.counters["headings"] = double(state.range(0));
}

void BM_GFMRepeatedHeadingsWithoutIds(benchmark::State& state)
{
    const QString& text = repeatedHeadings(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(penwick::renderAsMarkdownByAddingHeaderIds(text, false, false));
    state.counters["headings"] = double(state.range(0));
}

void BM_MultiMarkdown(benchmark::State& state)
{
    const QString& text = generated(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(penwick::TVXMarkdownFormatter::renderMultiMarkdown(text, true));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.toUtf8().size());
}

void BM_BareCmarkGFM(benchmark::State& state)
{
    const QByteArray utf8 = generated(state.range(0)).toUtf8();
    cmark_gfm_core_extensions_ensure_registered();
    const int options = CMARK_OPT_UNSAFE | CMARK_OPT_FOOTNOTES;
    for (auto _ : state) {
        cmark_parser* parser = cmark_parser_new(options);
        for (const char* name : { "table", "strikethrough", "autolink", "tasklist" })
            cmark_parser_attach_syntax_extension(parser, cmark_find_syntax_extension(name));
        cmark_parser_feed(parser, utf8.constData(), size_t(utf8.size()));
        cmark_node* doc = cmark_parser_finish(parser);
        char* html = cmark_render_html(doc, options, cmark_parser_get_syntax_extensions(parser));
        benchmark::DoNotOptimize(html);
        std::free(html);
        cmark_node_free(doc);
        cmark_parser_free(parser);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * utf8.size());
}

} // namespace

// Medians of several repetitions: one 10 MB pass is too short a sample on a busy machine.
#define PENWICK_MARKDOWN_BENCH(fn) \
    BENCHMARK(fn)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)
PENWICK_MARKDOWN_BENCH(BM_BareCmarkGFM);
PENWICK_MARKDOWN_BENCH(BM_GFM);
PENWICK_MARKDOWN_BENCH(BM_GFMWithoutIds);
PENWICK_MARKDOWN_BENCH(BM_MultiMarkdown);
BENCHMARK(BM_GFMRepeatedHeadings)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GFMRepeatedHeadingsWithoutIds)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
