#include "shell/StoreNotice.h"

#include "Services/NoteWriter.h"

namespace penwick {

StoreNotice::StoreNotice(QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("storeNotice"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setMargin(6);
    setFrameShape(QFrame::StyledPanel);
    hide();
    follow(NoteWriter::shared());
}

void StoreNotice::follow(NoteWriter* writer)
{
    disconnect(m_connection);
    m_writer = writer;
    if (writer)
        m_connection = connect(writer, &NoteWriter::stateChanged, this, &StoreNotice::refresh);
    refresh();
}

void StoreNotice::refresh()
{
    const QString text = m_writer ? m_writer->problemDescription() : QString();
    setText(text);
    setVisible(!text.isEmpty());
}

} // namespace penwick
