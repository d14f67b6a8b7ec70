// Throughput of both Markdown engines on 1 MB and 10 MB of generated Markdown, beside a bare
// cmark-gfm call (same extensions and options, bytes in, bytes out) on the same input.
// Run: bench_markdown [--benchmark_filter=...]; each result reports bytes_per_second.
// BM_GFM renders the same text each time, so it measures the block cache's hit (nothing is
// parsed again); BM_GFMUncached alternates two texts that differ at both ends, so every render
// parses the whole text as a first render does: compare its median with BM_BareCmarkGFM's at
// the same size, or its x_bare: its time over that of a bare call on the same text right after
// each render, which a busy machine slows alike.
// BM_GFMRepeatedHeadings renders 10,000 and 40,000 headings of one title, with and without ids.
#include "Extensions/GFMBlocks.h"
#include "Extensions/MarkdownStringAdditions.h"
#include "Services/TVXMarkdownFormatter.h"

#include <QString>

#include <benchmark/benchmark.h>
#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>

#include <chrono>
#include <cstdlib>
#include <map>

namespace {

// The extensions are registered once, before any benchmark runs.
const bool kRegistered = [] {
    cmark_gfm_core_extensions_ensure_registered();
    return true;
}();

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

// Two texts around `generated(bytes)` whose first and last characters differ, so that a
// render of one after the other shares nothing at either end with the last document.
const QString& alternating(int64_t bytes, int which)
{
    static std::map<std::pair<int64_t, int>, QString> texts;
    QString& text = texts[{ bytes, which }];
    if (text.isEmpty()) {
        const QString mark = which == 0 ? QStringLiteral("First") : QStringLiteral("Second");
        text = mark + QStringLiteral(" opening line\n\n") + generated(bytes) + QStringLiteral("\nThe closing line of the ") + mark.toLower();
    }
    return text;
}

// A bare cmark-gfm call: same extensions and options, bytes in, bytes out.
void bareRender(const QByteArray& utf8)
{
    const int options = CMARK_OPT_UNSAFE | CMARK_OPT_FOOTNOTES;
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

// Every render parses the whole text (the cache is defeated); range 1 asks for heading ids.
// After each render, untimed, a bare call on the same text: x_bare is the ratio of the two
// sums, each pair run under the same load on the machine.
void BM_GFMUncached(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const bool ids = state.range(1) != 0;
    const QString* texts[] = { &alternating(state.range(0), 0), &alternating(state.range(0), 1) };
    const QByteArray utf8[] = { texts[0]->toUtf8(), texts[1]->toUtf8() };
    penwick::renderAsMarkdownByAddingHeaderIds(*texts[1], ids, false);
    int which = 0;
    double ms = 0, bareMs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(penwick::renderAsMarkdownByAddingHeaderIds(*texts[which], ids, false));
        ms += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.PauseTiming();
        if (penwick::gfmblocks::lastRenderStats().reused) {
            state.SkipWithError("the block cache was hit");
            break;
        }
        const auto bareStart = Clock::now();
        bareRender(utf8[which]);
        bareMs += std::chrono::duration<double, std::milli>(Clock::now() - bareStart).count();
        which = 1 - which;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * utf8[0].size());
    state.SetLabel(ids ? "heading ids" : "no ids");
    state.counters["x_bare"] = bareMs > 0 ? ms / bareMs : 0;
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
    for (auto _ : state)
        bareRender(utf8);
    state.SetBytesProcessed(int64_t(state.iterations()) * utf8.size());
}

} // namespace

// Medians of several repetitions: one 10 MB pass is too short a sample on a busy machine.
#define PENWICK_MARKDOWN_BENCH(fn) \
    BENCHMARK(fn)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)
PENWICK_MARKDOWN_BENCH(BM_BareCmarkGFM);
PENWICK_MARKDOWN_BENCH(BM_GFM);
PENWICK_MARKDOWN_BENCH(BM_GFMWithoutIds);
BENCHMARK(BM_GFMUncached)->ArgsProduct({ { 1 << 20, 10 << 20 }, { 1, 0 } })->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
PENWICK_MARKDOWN_BENCH(BM_MultiMarkdown);
BENCHMARK(BM_GFMRepeatedHeadings)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GFMRepeatedHeadingsWithoutIds)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
