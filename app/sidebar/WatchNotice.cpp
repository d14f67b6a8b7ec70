#include "sidebar/WatchNotice.h"

#include "sidebar/FoldersNavigator.h"

namespace penwick {

WatchNotice::WatchNotice(FoldersNavigator* folders, QWidget* parent)
    : QLabel(parent)
    , m_folders(folders)
{
    setObjectName(QStringLiteral("watchNotice"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setMargin(6);
    setFrameShape(QFrame::StyledPanel);
    hide();
    if (folders)
        connect(folders, &FoldersNavigator::watchNoticeChanged, this, &WatchNotice::refresh);
    refresh();
}

void WatchNotice::refresh()
{
    const QString text = m_folders ? m_folders->watchNotice() : QString();
    setText(text);
    // A few of each root's.
    QStringList folders = m_folders ? m_folders->unwatchedFolders(8) : QStringList();
    const qsizetype more = (m_folders ? m_folders->unwatchedFolders().size() : 0) - folders.size();
    if (more > 0)
        folders << tr("and %1 more").arg(more);
    setToolTip(folders.isEmpty() ? QString() : tr("Not watched:\n%1").arg(folders.join(QLatin1Char('\n'))));
    setVisible(!text.isEmpty());
}

} // namespace penwick
