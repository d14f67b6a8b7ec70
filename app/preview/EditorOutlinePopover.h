#pragma once

#include "platform/Popover.h"

class QCheckBox;
class QListWidget;

namespace penwick {

// The editor outline's popover: a one-column list of headings and the check box that adds
// the opening lines of fenced code blocks. Its controller fills and answers it.
class EditorOutlinePopover : public platform::Popover {
    Q_OBJECT
public:
    // The grey of a chosen row, the same whether or not the popover is active.
    static constexpr double SELECTION_WHITE = 0.82;

    explicit EditorOutlinePopover(QWidget* parent = nullptr);

    QListWidget* outlineTableView() const { return m_table; }
    QCheckBox* showCodeBlocksCheckBox() const { return m_showCodeBlocks; }

private:
    QListWidget* m_table = nullptr;
    QCheckBox* m_showCodeBlocks = nullptr;
};

} // namespace penwick
