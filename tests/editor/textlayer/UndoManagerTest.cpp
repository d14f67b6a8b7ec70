#include "platform/text/UndoManager.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

using penwick::platform::UndoManager;

namespace {

// A value that undoes itself through the manager: each set registers the old value.
struct Counter {
    UndoManager& undo;
    int value = 0;
    void set(int v)
    {
        const int old = value;
        value = v;
        undo.registerUndo([this, old] { set(old); });
    }
};

} // namespace

TEST(UndoManager, GroupUndoesAsOneStepAndRegistrationsWhileUndoingBecomeRedo)
{
    UndoManager undo;
    Counter counter { undo };
    undo.beginUndoGrouping();
    counter.set(1);
    counter.set(2);
    undo.setActionName(QStringLiteral("Twice"));
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Twice"));
    undo.undo();
    EXPECT_EQ(counter.value, 0);
    ASSERT_TRUE(undo.canRedo());
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Twice"));
    undo.redo();
    EXPECT_EQ(counter.value, 2);
    undo.undo();
    EXPECT_EQ(counter.value, 0);
}

TEST(UndoManager, RegistrationOutsideAGroupClosesWithTheEvent)
{
    UndoManager undo;
    Counter counter { undo };
    counter.set(1);
    counter.set(2); // same event: same step
    QCoreApplication::processEvents();
    counter.set(3); // next event: a step of its own
    QCoreApplication::processEvents();
    EXPECT_EQ(undo.undoCount(), 2);
    undo.undo();
    EXPECT_EQ(counter.value, 2);
    undo.undo();
    EXPECT_EQ(counter.value, 0);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, UndoFinishesAnOpenGroupFirstAndNewWorkClearsRedo)
{
    UndoManager undo;
    Counter counter { undo };
    counter.set(5);
    undo.undo(); // without waiting for the event loop
    EXPECT_EQ(counter.value, 0);
    EXPECT_TRUE(undo.canRedo());
    counter.set(7);
    EXPECT_FALSE(undo.canRedo());
}

TEST(UndoManager, EmptyGroupsLeaveNoStep)
{
    UndoManager undo;
    undo.beginUndoGrouping();
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canUndo());
    undo.undo(); // nothing to do, no crash
    undo.redo();
}
