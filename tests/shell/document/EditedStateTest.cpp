#include "PlainEditorViewController.h"

#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"
#include "shell/TVXDocument.h"
#include "TestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace penwick;
using platform::DocumentChange;
using platform::UndoManager;

namespace {

// An action that registers itself again, so that it can be undone and redone.
void registerReversible(UndoManager& undo)
{
    undo.registerUndo([&undo] { registerReversible(undo); });
}

// One completed undo step on a plain undo manager.
void change(UndoManager& undo)
{
    undo.beginUndoGrouping();
    registerReversible(undo);
    undo.endUndoGrouping();
}

} // namespace

TEST(EditedState, ChangeKindsMoveTheCountAndASaveClearsIt)
{
    TVXDocument document;
    QList<bool> seen;
    QObject::connect(&document, &platform::Document::editedStateChanged, [&](bool edited) { seen.append(edited); });
    EXPECT_FALSE(document.isDocumentEdited());
    document.updateChangeCount(DocumentChange::Done);
    document.updateChangeCount(DocumentChange::Done);
    EXPECT_EQ(document.changeCount(), 2);
    document.updateChangeCount(DocumentChange::Undone);
    document.updateChangeCount(DocumentChange::Undone);
    EXPECT_FALSE(document.isDocumentEdited());
    document.updateChangeCount(DocumentChange::Redone);
    EXPECT_TRUE(document.isDocumentEdited());
    document.updateChangeCount(DocumentChange::Cleared);
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(seen, (QList<bool> { true, false, true, false }));
}

TEST(EditedState, UndoingToTheSavedStateMakesTheDocumentCleanAndAnotherEditEditedAgain)
{
    TVXDocument document;
    UndoManager undo;
    document.setUndoManager(&undo);

    change(undo);
    change(undo);
    EXPECT_TRUE(document.isDocumentEdited());
    document.updateChangeCount(DocumentChange::Cleared); // saved here
    change(undo);
    EXPECT_TRUE(document.isDocumentEdited());
    undo.undo();
    EXPECT_FALSE(document.isDocumentEdited());
    undo.undo();
    EXPECT_TRUE(document.isDocumentEdited()); // before the save point
    undo.redo();
    EXPECT_FALSE(document.isDocumentEdited());
    change(undo);
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST(EditedState, ANewChangeAfterUndoingPastTheSaveKeepsTheDocumentEdited)
{
    TVXDocument document;
    UndoManager undo;
    document.setUndoManager(&undo);
    change(undo);
    document.updateChangeCount(DocumentChange::Cleared); // saved with the change
    undo.undo();                                         // one before the save
    change(undo);                                        // drops the redo that led back
    EXPECT_EQ(document.changeCount(), 0);
    EXPECT_TRUE(document.isDocumentEdited());
    undo.undo();
    EXPECT_TRUE(document.isDocumentEdited());
    document.updateChangeCount(DocumentChange::Cleared);
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST(EditedState, AnEventGroupCountsWhenItClosesAtTheEndOfTheEvent)
{
    TVXDocument document;
    UndoManager undo;
    document.setUndoManager(&undo);
    undo.registerUndo([] {}); // outside a group: closes when control returns to the event loop
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_TRUE(test::waitUntil([&] { return document.isDocumentEdited(); }));
    document.setUndoManager(nullptr);
    change(undo);
    EXPECT_EQ(document.changeCount(), 1); // no longer listening
}

TEST(EditedState, TypingAfterASaveIsAChangeOfItsOwnEvenWhenTheViewWouldJoinIt)
{
    test::PlainEditorFactoryScope factory;
    TVXDocument document;
    platform::TextView* view = test::plainEditor(document)->getEditorTextView();
    view->insertText(QStringLiteral("ab"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(document.isDocumentEdited());

    // A save that does not break the view's coalescing: the document's save point must.
    document.updateChangeCount(DocumentChange::Cleared);
    EXPECT_FALSE(document.isDocumentEdited());
    view->insertText(QStringLiteral("c"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(document.isDocumentEdited());
    view->undo();
    EXPECT_EQ(view->string(), QStringLiteral("ab"));
    EXPECT_FALSE(document.isDocumentEdited());
    view->undo();
    EXPECT_EQ(view->string(), QString());
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST(EditedState, LoadingTextIsNoChange)
{
    test::PlainEditorFactoryScope factory;
    TVXDocument document;
    document.setContents(QStringLiteral("loaded\r\n"));
    test::plainEditor(document)->loadDocument();
    QCoreApplication::processEvents();
    EXPECT_FALSE(document.isDocumentEdited());
}
