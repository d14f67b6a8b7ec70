#include "Vendors/PasteboardExtensions.h"

#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <algorithm>

using namespace penwick;

namespace {

void putOnClipboard(const PasteboardContents& contents)
{
    auto* data = new QMimeData;
    for (const auto& [format, bytes] : contents)
        data->setData(format, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

PasteboardContents sorted(PasteboardContents contents)
{
    std::sort(contents.begin(), contents.end());
    return contents;
}

TEST(Pasteboard, RestoreBringsBackExactlyTheSavedTypes)
{
    const PasteboardContents original {
        { QStringLiteral("text/plain"), QByteArray("plain words") },
        { QStringLiteral("text/html"), QByteArray("<b>bold</b> words") },
        { QStringLiteral("application/x-penwick-test"), QByteArray("\x00\x01\x02 binary", 10) },
    };
    putOnClipboard(original);

    const PasteboardContents saved = savePasteboardContents();
    EXPECT_EQ(sorted(saved), sorted(original));

    // Something else takes the clipboard in between, with a type of its own.
    putOnClipboard({ { QStringLiteral("text/plain"), QByteArray("other") },
        { QStringLiteral("text/uri-list"), QByteArray("file:///tmp/x\r\n") } });
    ASSERT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("other"));

    restorePasteboardContents(saved);
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(now, nullptr);
    EXPECT_FALSE(now->hasFormat(QStringLiteral("text/uri-list")));
    EXPECT_EQ(sorted(savePasteboardContents()), sorted(original));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("plain words"));
}

TEST(Pasteboard, EmptyClipboardRoundTrip)
{
    QGuiApplication::clipboard()->clear();
    const PasteboardContents saved = savePasteboardContents();
    EXPECT_TRUE(saved.isEmpty());

    QGuiApplication::clipboard()->setText(QStringLiteral("in between"));
    restorePasteboardContents(saved);
    EXPECT_TRUE(savePasteboardContents().isEmpty());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

} // namespace
