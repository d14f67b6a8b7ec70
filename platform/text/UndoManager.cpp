#include "platform/text/UndoManager.h"

#include <QTimer>

namespace penwick::platform {

UndoManager::UndoManager(QObject* parent) : QObject(parent) {}

UndoManager::~UndoManager() = default;

void UndoManager::openGroup()
{
    m_open = Group {};
    m_isOpen = true;
}

void UndoManager::closeGroup()
{
    m_isOpen = false;
    m_eventGroup = false;
    if (m_open.actions.empty())
        return;
    m_undo.push_back(std::move(m_open));
    m_open = Group {};
    emit stateChanged();
    emit didCloseUndoGroup();
}

quint64 UndoManager::registerUndo(Action action)
{
    if (!action)
        return 0;
    const quint64 token = m_nextToken++;
    if (m_state != State::Normal && m_target) {
        // Building the inverse step: it collects into the group that undo or redo is making.
        m_target->back().actions.push_back({ token, std::move(action) });
        return token;
    }
    if (!m_isOpen) {
        openGroup();
        m_eventGroup = true;
        m_level = 0;
        const quint64 generation = ++m_eventGeneration;
        QTimer::singleShot(0, this, [this, generation] {
            if (m_eventGroup && generation == m_eventGeneration)
                closeEventGroup();
        });
    }
    if (!m_redo.empty())
        m_redo.clear();
    m_open.actions.push_back({ token, std::move(action) });
    return token;
}

void UndoManager::beginUndoGrouping()
{
    if (m_state != State::Normal)
        return;
    if (m_eventGroup)
        closeEventGroup();
    if (m_level++ == 0)
        openGroup();
}

void UndoManager::endUndoGrouping()
{
    if (m_state != State::Normal || m_level == 0)
        return;
    if (--m_level == 0)
        closeGroup();
}

void UndoManager::closeEventGroup()
{
    if (m_isOpen && m_eventGroup) {
        ++m_eventGeneration;
        closeGroup();
    }
}

void UndoManager::setActionName(const QString& name)
{
    if (m_state != State::Normal)
        return;
    if (m_isOpen)
        m_open.name = name;
    else if (!m_undo.empty())
        m_undo.back().name = name;
    emit stateChanged();
}

QString UndoManager::undoActionName() const
{
    if (m_isOpen && !m_open.actions.empty())
        return m_open.name;
    return m_undo.empty() ? QString() : m_undo.back().name;
}

QString UndoManager::redoActionName() const
{
    return m_redo.empty() ? QString() : m_redo.back().name;
}

bool UndoManager::canUndo() const
{
    return !m_undo.empty() || (m_isOpen && !m_open.actions.empty());
}

bool UndoManager::canRedo() const
{
    return !m_redo.empty();
}

void UndoManager::runGroup(Group group, State state)
{
    std::vector<Group>& inverse = state == State::Undoing ? m_redo : m_undo;
    Group made;
    made.name = group.name;
    inverse.push_back(std::move(made));
    m_target = &inverse;
    m_state = state;
    for (auto it = group.actions.rbegin(); it != group.actions.rend(); ++it)
        it->action();
    m_state = State::Normal;
    m_target = nullptr;
    if (inverse.back().actions.empty())
        inverse.pop_back();
    emit stateChanged();
    if (state == State::Undoing)
        emit didUndoChange();
    else
        emit didRedoChange();
}

void UndoManager::undo()
{
    if (m_state != State::Normal)
        return;
    // An unfinished group of the current event is finished first, as leaving the event would.
    if (m_isOpen) {
        m_level = 0;
        ++m_eventGeneration;
        closeGroup();
    }
    if (m_undo.empty())
        return;
    Group group = std::move(m_undo.back());
    m_undo.pop_back();
    runGroup(std::move(group), State::Undoing);
}

void UndoManager::redo()
{
    if (m_state != State::Normal || m_redo.empty())
        return;
    if (m_isOpen) {
        m_level = 0;
        ++m_eventGeneration;
        closeGroup();
    }
    Group group = std::move(m_redo.back());
    m_redo.pop_back();
    runGroup(std::move(group), State::Redoing);
}

void UndoManager::removeAllActions()
{
    m_undo.clear();
    m_redo.clear();
    m_open = Group {};
    m_isOpen = false;
    m_eventGroup = false;
    m_level = 0;
    ++m_eventGeneration;
    emit stateChanged();
}

quint64 UndoManager::lastUndoActionToken() const
{
    quint64 token = 0;
    if (m_isOpen && !m_open.actions.empty())
        token = m_open.actions.back().token;
    else if (!m_undo.empty())
        token = m_undo.back().actions.back().token;
    return token == m_sealedToken ? 0 : token;
}

void UndoManager::sealLastStep()
{
    if (m_isOpen && m_eventGroup)
        closeEventGroup();
    m_sealedToken = lastUndoActionToken();
}

} // namespace penwick::platform
