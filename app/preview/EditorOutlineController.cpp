#include "preview/EditorOutlineController.h"

#include "Extensions/StringAdditions.h"
#include "Vendors/RegExp.h"
#include "preview/EditorOutlinePopover.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QListWidget>
#include <QSignalBlocker>

namespace penwick {

EditorOutlineController::EditorOutlineController(QObject* parent)
    : QObject(parent)
{
}

void EditorOutlineController::setEditorOutlinePopover(EditorOutlinePopover* popover)
{
    if (m_popover)
        m_popover->disconnect(this);
    m_popover = popover;
    if (!popover)
        return;
    connect(popover, &platform::Popover::shown, this, &EditorOutlineController::popoverDidShow);
    connect(popover, &platform::Popover::closed, this, &EditorOutlineController::popoverDidClose);
    connect(popover->outlineTableView(), &QListWidget::itemSelectionChanged, this,
        &EditorOutlineController::tableViewSelectionDidChange);
    connect(popover->showCodeBlocksCheckBox(), &QCheckBox::clicked, this, &EditorOutlineController::toggleShowCodeBlocks);
}

QListWidget* EditorOutlineController::outlineTableView() const
{
    return m_popover ? m_popover->outlineTableView() : nullptr;
}

QCheckBox* EditorOutlineController::showCodeBlocksCheckBox() const
{
    return m_popover ? m_popover->showCodeBlocksCheckBox() : nullptr;
}

const QList<OutlineRange>& EditorOutlineController::currentOutlineRanges() const
{
    QCheckBox* box = showCodeBlocksCheckBox();
    return box && box->isChecked() ? m_original : m_withoutCodeBlocks;
}

QString EditorOutlineController::displayTitle(const QString& title)
{
    try {
        static const RegExp marks(QStringLiteral("^(#+)"));
        const QStringList found = marks.allMatches(title);
        if (found.size() >= 2)
            return QString(characterCount(found.at(1)), u' ') + title;
    } catch (const RegExpError&) {
    }
    return title;
}

void EditorOutlineController::showOutlines(QWidget* sender, const QString& text)
{
    if (text.isEmpty()) {
        if (m_showOutlineBtn)
            m_showOutlineBtn->setChecked(false);
        return;
    }
    if (m_popover)
        m_popover->showRelativeTo(sender, platform::Popover::Edge::Top);
    std::tie(m_withoutCodeBlocks, m_original) = extractOutlineRanges(text);
    if (QCheckBox* box = showCodeBlocksCheckBox())
        box->setEnabled(m_withoutCodeBlocks.size() != m_original.size());
    reloadData();
}

void EditorOutlineController::toggleShowCodeBlocks()
{
    reloadData();
}

void EditorOutlineController::reloadData()
{
    QListWidget* table = outlineTableView();
    if (!table)
        return;
    const QSignalBlocker blocker(table);
    table->clear();
    for (const OutlineRange& entry : currentOutlineRanges())
        table->addItem(displayTitle(entry.title()));
}

void EditorOutlineController::tableViewSelectionDidChange()
{
    QPointer<QListWidget> table = outlineTableView();
    if (!table)
        return;
    const QModelIndexList selected = table->selectionModel()->selectedIndexes();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    const QList<OutlineRange>& entries = currentOutlineRanges();
    if (row < 0 || row >= entries.size())
        return;
    // A copy: the delegate may close the popover, which empties the lists.
    const OutlineRange chosen = entries.at(row);
    if (m_delegate)
        m_delegate->didSelectEditorOutlineRange(chosen);
    // Cleared at once, so the same row can be chosen again; this comes back here with no row.
    if (table)
        table->clearSelection();
}

void EditorOutlineController::popoverDidShow()
{
    if (m_showOutlineBtn)
        m_showOutlineBtn->setChecked(true);
}

void EditorOutlineController::popoverDidClose()
{
    if (m_showOutlineBtn)
        m_showOutlineBtn->setChecked(false);
    m_original.clear();
    m_withoutCodeBlocks.clear();
}

} // namespace penwick
