#include "highlighter/EditorThemes.h"
#include "highlighter/mdh_parser.h"
#include "highlighter/mdh_styleparser.h"
#include "platform/StandardLocations.h"

#include "TestSupport.h"

#include <QColor>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace penwick;

namespace {

void collect(const char* message, int line, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(std::to_string(line) + ": " + message);
}

struct SheetDeleter {
    void operator()(mdh_style_sheet* s) const { mdh_release_style_sheet(s); }
};

QColor editorColor(const mdh_style_sheet* sheet, mdh_attribute_kind kind)
{
    for (const mdh_style_attribute* a = sheet->editor_styles; a; a = a->next)
        if (a->kind == kind)
            return QColor(a->value.color->red, a->value.color->green, a->value.color->blue);
    return QColor();
}

} // namespace

TEST(EditorThemes, ShippedThemesParseCleanly)
{
    const QDir themes(platform::resourcesDirectory() + QStringLiteral("/Themes"));
    EXPECT_EQ(themes.entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name),
        (QStringList { QStringLiteral("Penwick Dark.txt"), QStringLiteral("Penwick Light.txt") }));

    struct Expect {
        QString name;
        bool dark;
    };
    for (const Expect& e : { Expect { QStringLiteral("Penwick Light"), false }, Expect { QStringLiteral("Penwick Dark"), true } }) {
        SCOPED_TRACE(e.name.toStdString());
        const auto text = readEditorTheme(themes.filePath(e.name + QStringLiteral(".txt")));
        ASSERT_TRUE(text);
        std::vector<std::string> messages;
        const QByteArray utf8 = text->toUtf8();
        std::unique_ptr<mdh_style_sheet, SheetDeleter> sheet(mdh_read_style_sheet(utf8.constData(), collect, &messages));
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front());
        EXPECT_NE(sheet->editor_selection_styles, nullptr);
        EXPECT_NE(sheet->editor_current_line_styles, nullptr);
        QList<int> types;
        for (const mdh_style_attribute* rule : sheet->element_styles)
            if (rule)
                types << rule->element_type;
        for (int type = 0; type < mdh_NUM_LANG_TYPES; ++type)
            EXPECT_TRUE(type == NOTE || types.contains(type)) << mdh_element_name_for_type(type);
        const QColor background = editorColor(sheet.get(), mdh_attr_background_color);
        const QColor foreground = editorColor(sheet.get(), mdh_attr_foreground_color);
        ASSERT_TRUE(background.isValid());
        ASSERT_TRUE(foreground.isValid());
        EXPECT_EQ(background.lightnessF() < 0.3, e.dark);
        EXPECT_GT(std::abs(background.lightnessF() - foreground.lightnessF()), 0.5) << "readable contrast";
    }
}

TEST(EditorThemes, ReadingReportsTheFileItCouldNotRead)
{
    const QString folder = penwick::test::temporaryFolder();
    QFile file(folder + QStringLiteral("/Mine.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("H1\n  color: 112233\n");
    file.close();
    EXPECT_EQ(readEditorTheme(file.fileName()), QStringLiteral("H1\n  color: 112233\n"));

    QString error;
    EXPECT_FALSE(readEditorTheme(folder + QStringLiteral("/Missing.txt"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Missing.txt")));
}
