#include "CorePrefs.h"
#include "Services/MarkdownFormatter.h"
#include "platform/UserDefaults.h"

#include <QtConcurrent/QtConcurrentMap>

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;

namespace {
QString sampleDocument(int n)
{
    QString text = QStringLiteral("---\ntitle: Doc %1\ntags: [a, b]\n---\n").arg(n);
    for (int i = 0; i < 40; ++i) {
        text += QStringLiteral("## Section %1 of %2\n\nSome *text* with \"quotes\", ~~struck~~ words, www.example.org/%1 and a [link](http://x.org/%1).\n\n").arg(i).arg(n);
        text += QStringLiteral("- [ ] task %1\n- item\n\n```cpp\nint x = %1;\n```\n\n| a | b |\n|---|---|\n| %1 | %2 |\n\n").arg(i).arg(n);
        text += QStringLiteral("Note[^%1].\n\n[^%1]: Footnote %1.\n\n").arg(i);
    }
    return text;
}
} // namespace

TEST(MarkdownConcurrency, ParallelRenderingMatchesSerialRendering)
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.setValue(CorePrefs::PREVIEW_ENABLE_OUTLINE, true);
    defaults.setValue(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
    for (bool gfm : { true, false }) {
        defaults.setValue(CorePrefs::PREVIEW_ENABLE_GFM, gfm);
        QList<QString> inputs;
        for (int i = 0; i < 64; ++i)
            inputs.append(sampleDocument(i % 8));
        QList<QString> serial;
        for (const QString& text : inputs)
            serial.append(MarkdownFormatter::formatRawContentWithJekyllTable(text).markdown
                + MarkdownFormatter::formatRawContentWithJekyllTable(text).frontMatterTable);
        const QList<QString> parallel = QtConcurrent::blockingMapped(inputs, [](const QString& text) {
            const JekyllTableResult r = MarkdownFormatter::formatRawContentWithJekyllTable(text);
            return r.markdown + r.frontMatterTable;
        });
        ASSERT_EQ(parallel.size(), serial.size());
        for (int i = 0; i < serial.size(); ++i)
            EXPECT_EQ(parallel[i], serial[i]) << "gfm " << gfm << " document " << i;
    }
}
