#include "preview/EditorOutlinePopover.h"

#include <QCheckBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace penwick {

EditorOutlinePopover::EditorOutlinePopover(QWidget* parent)
    : platform::Popover(parent)
{
    setObjectName(QStringLiteral("editorOutlinePopover"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    m_table = new QListWidget(this);
    m_table->setObjectName(QStringLiteral("editorOutlineTable"));
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setUniformItemSizes(true);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setMinimumSize(280, 240);
    QPalette palette = m_table->palette();
    const QColor grey = QColor::fromRgbF(SELECTION_WHITE, SELECTION_WHITE, SELECTION_WHITE, 1.0);
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
        palette.setColor(group, QPalette::Highlight, grey);
        palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
    }
    m_table->setPalette(palette);
    layout->addWidget(m_table, 1);

    m_showCodeBlocks = new QCheckBox(tr("Show code blocks"), this);
    m_showCodeBlocks->setObjectName(QStringLiteral("editorOutlineShowCodeBlocks"));
    layout->addWidget(m_showCodeBlocks);
}

} // namespace penwick
