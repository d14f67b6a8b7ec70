#include "preferences/PreferencePane.h"

#include <gtest/gtest.h>

using namespace penwick;

TEST(PreferencePane, NamedImagesComeFromTheShippedImages)
{
    for (const char* name : { "editor_pref", "PreviewPref", "customCSSPref", "scriptAssetsPref", "navigator_pref_icon", "general_pref" }) {
        SCOPED_TRACE(name);
        const QIcon icon = PreferencePane::namedImage(QString::fromLatin1(name));
        ASSERT_FALSE(icon.isNull());
        const QImage image = icon.pixmap(32, 32).toImage();
        ASSERT_FALSE(image.isNull());
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(drawn, 100) << "the image draws something";
    }
    EXPECT_TRUE(PreferencePane::namedImage(QStringLiteral("no_such_image")).isNull());
}
