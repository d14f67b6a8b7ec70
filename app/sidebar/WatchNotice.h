#pragma once

#include <QLabel>
#include <QPointer>

namespace penwick {

class FoldersNavigator;

// The line under the sidebar that says, while the limit of watches leaves folders of the
// roots unwatched, which roots and why; its tooltip lists the folders. Hidden otherwise.
class WatchNotice : public QLabel {
    Q_OBJECT
public:
    WatchNotice(FoldersNavigator* folders, QWidget* parent = nullptr);

private:
    void refresh();

    QPointer<FoldersNavigator> m_folders;
};

} // namespace penwick
