#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace penwick::platform {

// Undo and redo stacks of closures, grouped. Registrations made while undoing become the
// redo step, and those made while redoing the undo step, so an operation that registers its
// own inverse works in both directions. Outside an explicit group, the first registration
// opens a group that closes when control returns to the event loop (one group per user
// event); a view closes it earlier when the next key event starts.
class UndoManager : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    explicit UndoManager(QObject* parent = nullptr);
    ~UndoManager() override;

    // Answers a token that identifies this registration (see lastUndoActionToken).
    quint64 registerUndo(Action action);

    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const { return m_level; }
    // Closes a group opened by a registration outside an explicit group.
    void closeEventGroup();

    // Names the group being built, else the latest undo step.
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;

    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    bool isUndoing() const { return m_state == State::Undoing; }
    bool isRedoing() const { return m_state == State::Redoing; }

    void removeAllActions();

    // Token of the last registration of the most recent undo step (the group being built when
    // it holds actions), 0 when there is none. Lets a view decide whether typing may extend it.
    quint64 lastUndoActionToken() const;
    // Later registrations may no longer extend the latest step (lastUndoActionToken() answers 0
    // until the next registration): a document calls it at a save point, so that typing after
    // a save is a change of its own even when the view would have joined it to earlier typing.
    void sealLastStep();
    int undoCount() const { return int(m_undo.size()); }
    int redoCount() const { return int(m_redo.size()); }

signals:
    void stateChanged();
    // A step with at least one action was completed (a change was done).
    void didCloseUndoGroup();
    // A step was undone or redone.
    void didUndoChange();
    void didRedoChange();

private:
    struct Entry {
        quint64 token = 0;
        Action action;
    };
    struct Group {
        QString name;
        std::vector<Entry> actions;
    };
    enum class State { Normal, Undoing, Redoing };

    void openGroup();
    void closeGroup();
    void runGroup(Group group, State state);

    std::vector<Group> m_undo;
    std::vector<Group> m_redo;
    Group m_open;
    bool m_isOpen = false;
    bool m_eventGroup = false; // the open group was opened implicitly
    int m_level = 0;
    State m_state = State::Normal;
    quint64 m_nextToken = 1;
    quint64 m_eventGeneration = 0;
    quint64 m_sealedToken = 0;
    std::vector<Group>* m_target = nullptr; // where registrations go while undoing or redoing
};

} // namespace penwick::platform
