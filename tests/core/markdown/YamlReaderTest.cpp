#include "Vendors/YamlReader.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using penwick::readYamlDocuments;
using penwick::YamlValue;

TEST(YamlReader, MappingKeepsDocumentOrderAndScalarText)
{
    const auto docs = readYamlDocuments(QStringLiteral("zeta: 1.50\nalpha: true\nmid: 'quoted'\n"));
    ASSERT_EQ(docs.size(), 1);
    const YamlValue& map = docs.first();
    ASSERT_TRUE(map.isMapping());
    ASSERT_EQ(map.keys().size(), 3u);
    EXPECT_EQ(map.keys()[0].scalarText(), QStringLiteral("zeta"));
    EXPECT_EQ(map.keys()[1].scalarText(), QStringLiteral("alpha"));
    EXPECT_EQ(map.keys()[2].scalarText(), QStringLiteral("mid"));
    EXPECT_EQ(map.values()[0].scalarText(), QStringLiteral("1.50"));
    EXPECT_EQ(map.values()[1].scalarText(), QStringLiteral("true"));
    EXPECT_EQ(map.values()[2].scalarText(), QStringLiteral("quoted"));
}

TEST(YamlReader, NullForms)
{
    struct Case { const char* yaml; bool isNull; };
    const Case cases[] = {
        { "k: ~\n", true }, { "k: null\n", true }, { "k: NULL\n", true }, { "k:\n", true },
        { "k: 'null'\n", false }, { "k: \"~\"\n", false }, { "k: nil\n", false },
    };
    for (const Case& c : cases) {
        const auto docs = readYamlDocuments(QString::fromUtf8(c.yaml));
        ASSERT_EQ(docs.size(), 1) << c.yaml;
        ASSERT_TRUE(docs.first().isMapping()) << c.yaml;
        EXPECT_EQ(docs.first().values()[0].isNull(), c.isNull) << c.yaml;
    }
}

TEST(YamlReader, SequencesNestingAndDocuments)
{
    const auto docs = readYamlDocuments(QStringLiteral("- a\n- [b, c]\n- {d: e}\n---\nsecond\n"));
    ASSERT_EQ(docs.size(), 2);
    const YamlValue& seq = docs[0];
    ASSERT_TRUE(seq.isSequence());
    ASSERT_EQ(seq.items().size(), 3u);
    EXPECT_EQ(seq.items()[0].scalarText(), QStringLiteral("a"));
    EXPECT_TRUE(seq.items()[1].isSequence());
    EXPECT_TRUE(seq.items()[2].isMapping());
    EXPECT_TRUE(docs[1].isScalar());
    EXPECT_EQ(docs[1].scalarText(), QStringLiteral("second"));
}

TEST(YamlReader, InvalidYamlGivesNoDocuments)
{
    EXPECT_TRUE(readYamlDocuments(QStringLiteral("key: [unclosed\n")).isEmpty());
    EXPECT_TRUE(readYamlDocuments(QStringLiteral("a: b\n c: d\n  - e\n")).isEmpty());
    EXPECT_TRUE(readYamlDocuments(QStringLiteral("k: *missing\n")).isEmpty());
    EXPECT_TRUE(readYamlDocuments(QStringLiteral("\n")).isEmpty());
}

TEST(YamlReader, AliasesCopyTheAnchoredNode)
{
    const auto docs = readYamlDocuments(QStringLiteral("base: &b [1, 2]\ncopy: *b\n"));
    ASSERT_EQ(docs.size(), 1);
    EXPECT_EQ(docs[0].values()[0], docs[0].values()[1]);
}

TEST(YamlReader, ExpandingAliasesAreBounded)
{
    QString yaml = QStringLiteral("a: &a [x, x, x, x, x, x, x, x, x, x]\n");
    QChar prev = QLatin1Char('a');
    for (char name = 'b'; name <= 'j'; ++name) {
        yaml += QStringLiteral("%1: &%1 [*%2, *%2, *%2, *%2, *%2, *%2, *%2, *%2, *%2, *%2]\n").arg(QChar(name)).arg(prev);
        prev = QChar(name);
    }
    EXPECT_TRUE(readYamlDocuments(yaml).isEmpty());
}

TEST(YamlReader, ToVariant)
{
    const auto docs = readYamlDocuments(QStringLiteral("title: A\ntags: [x, y]\nnone: ~\n"));
    ASSERT_EQ(docs.size(), 1);
    const QVariantMap map = docs[0].toVariant().toMap();
    EXPECT_EQ(map.value(QStringLiteral("title")).toString(), QStringLiteral("A"));
    EXPECT_EQ(map.value(QStringLiteral("tags")).toList().size(), 2);
    EXPECT_TRUE(map.contains(QStringLiteral("none")));
    EXPECT_FALSE(map.value(QStringLiteral("none")).isValid());
}

TEST(YamlReader, ToTypedVariantTypesOnlyPlainNumbersAndBooleans)
{
    struct Case {
        const char* yaml;
        QVariant expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        { "2024", QVariant(qint64(2024)) },
        { "-7", QVariant(qint64(-7)) },
        { "+12", QVariant(qint64(12)) },
        { "0o17", QVariant(qint64(15)) },
        { "0x1F", QVariant(qint64(31)) },
        { "1.5", QVariant(1.5) },
        { "1.5e3", QVariant(1500.0) },
        { ".5", QVariant(0.5) },
        { "-.inf", QVariant(-inf) },
        { ".Inf", QVariant(inf) },
        { "true", QVariant(true) },
        { "FALSE", QVariant(false) },
        { "'2024'", QVariant(QStringLiteral("2024")) },
        { "\"true\"", QVariant(QStringLiteral("true")) },
        { "!!str 2024", QVariant(QStringLiteral("2024")) },
        { "yes", QVariant(QStringLiteral("yes")) },
        { "v1.0", QVariant(QStringLiteral("v1.0")) },
        { "1.2.3", QVariant(QStringLiteral("1.2.3")) },
        { "2024-01-02", QVariant(QStringLiteral("2024-01-02")) },
        { "99999999999999999999", QVariant(1e20) }, // too large for 64 bits: a double
        { "My Post", QVariant(QStringLiteral("My Post")) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.yaml);
        const auto docs = readYamlDocuments(QStringLiteral("title: ") + QString::fromUtf8(c.yaml) + QStringLiteral("\n"));
        ASSERT_EQ(docs.size(), 1);
        const QVariant typed = docs[0].toTypedVariant().toMap().value(QStringLiteral("title"));
        EXPECT_EQ(typed.typeId(), c.expected.typeId());
        EXPECT_EQ(typed, c.expected);
        // The untyped form keeps the text as written.
        EXPECT_EQ(docs[0].toVariant().toMap().value(QStringLiteral("title")).typeId(), QMetaType::QString);
    }
    const auto nan = readYamlDocuments(QStringLiteral("x: .nan\nlist: [1, 'a', false]\n"));
    ASSERT_EQ(nan.size(), 1);
    const QVariantMap map = nan[0].toTypedVariant().toMap();
    EXPECT_TRUE(std::isnan(map.value(QStringLiteral("x")).toDouble()));
    EXPECT_EQ(map.value(QStringLiteral("list")).toList(), (QVariantList { qint64(1), QStringLiteral("a"), false }));
}
