// Notes opened from the sidebar among the shared controller's documents.
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/NotificationCenter.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SidebarNoteDocuments.h"

#include <gtest/gtest.h>

using namespace penwick;

namespace {

struct ReloadLog : TVXDocumentControllerDelegate {
    void attemptedReloadOfDocument(TVXDocument* document) override { log << QStringLiteral("reload ") + document->displayName(); }
    void saveSession() override {}
    QStringList log;
};

TEST(NoteOpening, ANoteOpensOnceAsANamedDocumentAndAgainBringsItForward)
{
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    ReloadLog delegate;
    TVXDocumentController controller;
    controller.setDelegate(&delegate);
    ASSERT_TRUE(SidebarNoteDocuments::current());

    // The window is asked for once the document already is the note.
    QStringList shownAs;
    platform::Observation needWindow = platform::NotificationCenter::defaultCenter().observe(
        TVXDocument::DocumentNeedWindowNotification, nullptr, [&](const platform::Notification& n) {
            const auto* document = static_cast<const TVXDocument*>(n.object);
            shownAs << document->displayName() + "|" + document->contents();
        });

    ScratchDocument note;
    note.setId(QStringLiteral("abc"));
    note.setTitle(QStringLiteral("Idea"));
    note.setContent(QStringLiteral("first thoughts"));
    SidebarDocument* first = ScratchDocumentsNavigator::openDocument(note);
    ASSERT_TRUE(first);
    ASSERT_EQ(controller.documents().size(), 1);
    TVXDocument* document = controller.documents().front();
    EXPECT_EQ(document->pseudoURL().toString(), "pwscratch://abc?title=Idea");
    EXPECT_EQ(shownAs, QStringList { "Idea|first thoughts" });

    EXPECT_EQ(ScratchDocumentsNavigator::openDocument(note), first);
    EXPECT_EQ(controller.documents().size(), 1);
    EXPECT_EQ(delegate.log, QStringList { "reload Idea" });
    first->setIsQuickOpen(false);
    EXPECT_FALSE(document->isQuickOpen());

    ShadowDocument shadow;
    shadow.setId(QStringLiteral("def"));
    shadow.setPath(QStringLiteral("/docs/report.md"));
    SidebarDocument* other = ShadowDocumentsNavigator::openDocument(shadow);
    ASSERT_TRUE(other);
    EXPECT_NE(other, first);
    EXPECT_EQ(controller.documents().size(), 2);
    EXPECT_EQ(controller.documents().back()->displayName(), "report.md");
    EXPECT_FALSE(controller.documents().back()->icon().isNull());
}

} // namespace
