#include "Vendors/HTMLTabularize.h"
#include "Vendors/YamlReader.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;

namespace {
YamlValue yaml(const char* text)
{
    const auto docs = readYamlDocuments(QString::fromUtf8(text));
    EXPECT_EQ(docs.size(), 1) << text;
    return docs.isEmpty() ? YamlValue() : docs.first();
}
} // namespace

TEST(HTMLTable, Strings)
{
    struct Case { const char* yaml; const char* html; };
    const Case cases[] = {
        { "{}", "<table class=\"jekyll-table\"><thead><tr></tr></thead><tbody><tr></tr></tbody></table>" },
        { "[]", "<table class=\"jekyll-table\"><tbody><tr></tr></tbody></table>" },
        { "title: A", "<table class=\"jekyll-table\"><thead><tr><th>title</th></tr></thead><tbody><tr><td>A</td></tr></tbody></table>" },
        { "b: 1\na: 2", "<table class=\"jekyll-table\"><thead><tr><th>b</th><th>a</th></tr></thead><tbody><tr><td>1</td><td>2</td></tr></tbody></table>" },
        { "tags: [x, y]",
          "<table class=\"jekyll-table\"><thead><tr><th>tags</th></tr></thead><tbody><tr><td>"
          "<table class=\"jekyll-table\"><tbody><tr><td>x</td><td>y</td></tr></tbody></table>"
          "</td></tr></tbody></table>" },
        { "- k: v\n- 3",
          "<table class=\"jekyll-table\"><tbody><tr><td>"
          "<table class=\"jekyll-table\"><thead><tr><th>k</th></tr></thead><tbody><tr><td>v</td></tr></tbody></table>"
          "</td><td>3</td></tr></tbody></table>" },
        { "a: ~\nb: x", "<table class=\"jekyll-table\"><thead><tr><th>a</th><th>b</th></tr></thead><tbody><tr><td></td><td>x</td></tr></tbody></table>" },
        { "'<k&\">': [\"<&\\\"\", {'&amp;': \"'\"}]",
          "<table class=\"jekyll-table\"><thead><tr><th>&lt;k&amp;&quot;&gt;</th></tr></thead><tbody><tr><td>"
          "<table class=\"jekyll-table\"><tbody><tr><td>&lt;&amp;&quot;</td><td>"
          "<table class=\"jekyll-table\"><thead><tr><th>&amp;amp;</th></tr></thead><tbody><tr><td>&#39;</td></tr></tbody></table>"
          "</td></tr></tbody></table></td></tr></tbody></table>" },
        { "just <text>", "just &lt;text&gt;" },
        { "~", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(HTMLTabularize::HTMLTable(yaml(c.yaml)), QString::fromUtf8(c.html)) << c.yaml;
}

TEST(HTMLTable, VariantForms)
{
    QVariantMap map;
    map.insert(QStringLiteral("k"), QVariantList { QStringLiteral("<"), QVariant() });
    EXPECT_EQ(HTMLTabularize::HTMLTable(QVariant(map)),
        QStringLiteral("<table class=\"jekyll-table\"><thead><tr><th>k</th></tr></thead><tbody><tr><td>"
                       "<table class=\"jekyll-table\"><tbody><tr><td>&lt;</td><td></td></tr></tbody></table>"
                       "</td></tr></tbody></table>"));
    EXPECT_EQ(HTMLTabularize::HTMLTable(QVariant(42)), QStringLiteral("42"));
    EXPECT_EQ(HTMLTabularize::HTMLTable(QVariant()), QString());
}
