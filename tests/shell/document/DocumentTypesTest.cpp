#include "platform/document/DocumentTypes.h"
#include "shell/TVXDocument.h"

#include <gtest/gtest.h>

#include <vector>

using namespace penwick;
using platform::DocumentTypes;

namespace {

struct TypeCase {
    const char* mime;
    std::vector<QString> kinds; // every kind the type conforms to, in table order
    bool loadable;
};

} // namespace

TEST(DocumentTypes, MimeTypesMapOntoKindsThroughTheirParents)
{
    const QString P = DocumentTypes::PlainText, T = DocumentTypes::Text, H = DocumentTypes::HTML,
                  X = DocumentTypes::XML, D = DocumentTypes::Data, I = DocumentTypes::Image,
                  AV = DocumentTypes::AudiovisualContent, Dir = DocumentTypes::Directory, App = DocumentTypes::Application;
    const std::vector<TypeCase> table = {
        { "text/markdown", { P, T, D }, true },
        { "text/plain", { P, T, D }, true },
        { "text/x-csrc", { P, T, D }, true },
        { "text/html", { P, T, H, D }, true },
        { "application/xhtml+xml", { P, T, H, X, D }, true },
        { "application/xml", { P, T, X, D }, true },
        { "text/csv", { P, T, D }, true },
        // Scripts descend from the executable type, yet they are text.
        { "application/x-shellscript", { P, T, D }, true },
        { "application/json", { P, T, D }, true },
        { "application/octet-stream", { D }, true },
        { "application/x-zerosize", { D }, true },
        { "application/pdf", { D }, true },
        { "image/png", { D, I }, false },
        { "image/svg+xml", { P, T, X, D, I }, false },
        { "audio/mpeg", { D, AV }, false },
        { "video/mp4", { D, AV }, false },
        { "application/x-executable", { D, App }, false },
        { "application/vnd.appimage", { D, App }, false },
        { "application/x-desktop", { P, T, D, App }, false },
        { "inode/directory", { Dir }, false },
        // An unknown name counts as plain data.
        { "application/x-no-such-type", { D }, true },
    };
    for (const auto& c : table) {
        const QString mime = QString::fromLatin1(c.mime);
        EXPECT_EQ(DocumentTypes::kindsOf(mime), QStringList(c.kinds.begin(), c.kinds.end())) << c.mime;
        EXPECT_EQ(TVXDocument::canLoadType(mime), c.loadable) << c.mime;
    }
}

TEST(DocumentTypes, FilesAreTypedByNameThenContent)
{
    EXPECT_EQ(DocumentTypes::typeForFileName(QStringLiteral("/x/notes.md")), QStringLiteral("text/markdown"));
    EXPECT_EQ(DocumentTypes::typeForFileName(QStringLiteral("notes.txt")), QStringLiteral("text/plain"));
    EXPECT_EQ(DocumentTypes::typeForFileName(QStringLiteral("noextension")), QStringLiteral("application/octet-stream"));
    EXPECT_EQ(DocumentTypes::typeOfFile(QStringLiteral("/")), QStringLiteral("inode/directory"));
    EXPECT_EQ(DocumentTypes::typeOfFile(QStringLiteral("/bin/sh")).isEmpty(), false);
    EXPECT_TRUE(DocumentTypes::conformsTo(DocumentTypes::typeOfFile(QStringLiteral("/bin/ls")), DocumentTypes::Application));
}
