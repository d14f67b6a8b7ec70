#include "highlighter/EditorThemes.h"
#include "highlighter/mdh_parser.h"
#include "highlighter/mdh_styleparser.h"

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

// Points the home folder at a fresh folder for one test.
class TemporaryHome {
public:
    TemporaryHome()
        : m_saved(qgetenv("HOME"))
        , m_path(penwick::test::temporaryFolder())
    {
        qputenv("HOME", m_path.toLocal8Bit());
    }
    ~TemporaryHome() { qputenv("HOME", m_saved); }
    const QString& path() const { return m_path; }

private:
    QByteArray m_saved;
    QString m_path;
};

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

TEST(EditorThemes, ShippedThemesAreListedAndParseCleanly)
{
    TemporaryHome home;
    const QList<EditorTheme> themes = availableEditorThemes();
    QStringList names;
    for (const EditorTheme& t : themes) {
        EXPECT_FALSE(t.isUserTheme);
        names << t.name;
    }
    EXPECT_EQ(names, (QStringList { QStringLiteral("Penwick Dark"), QStringLiteral("Penwick Light") }));

    struct Expect {
        QString name;
        bool dark;
    };
    for (const Expect& e : { Expect { QStringLiteral("Penwick Light"), false }, Expect { QStringLiteral("Penwick Dark"), true } }) {
        SCOPED_TRACE(e.name.toStdString());
        const auto text = readEditorTheme(QDir(bundledEditorThemesDirectory()).filePath(e.name + QStringLiteral(".txt")));
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

TEST(EditorThemes, UserThemesComeFromTheHomeFolder)
{
    TemporaryHome home;
    const QString folder = home.path() + QStringLiteral("/.penwick/Themes");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : { "Mine.txt", "notes.md" }) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("H1\n  color: 112233\n");
    }
    EXPECT_EQ(userEditorThemesDirectory(), folder + QLatin1Char('/'));
    const QList<EditorTheme> themes = availableEditorThemes();
    ASSERT_FALSE(themes.isEmpty());
    EXPECT_EQ(themes.last(), (EditorTheme { QStringLiteral("Mine"), folder + QStringLiteral("/Mine.txt"), true }));
    EXPECT_EQ(themes.size(), 3) << "only .txt files are themes";
    EXPECT_EQ(readEditorTheme(themes.last().path), QStringLiteral("H1\n  color: 112233\n"));

    QString error;
    EXPECT_FALSE(readEditorTheme(folder + QStringLiteral("/Missing.txt"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Missing.txt")));
}
