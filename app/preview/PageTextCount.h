#pragma once

#include "preview/TextCount.h"

#include <QHash>
#include <QString>

#include <optional>

namespace penwick {

// Counts a page again after an update by walking only the nodes of its body that changed: the
// page's side (script()) numbers the body's top-level nodes, watches them for changes and
// sends only the trees of nodes it has not sent before; this side keeps their counts.
class PageTextCount {
public:
    // The application-world script whose answer count() reads.
    static const QString& script();
    // Makes the page's side forget what it sent, so that its next answer holds every node.
    static const QString& resetScript();

    // The page's counts from an answer of script(); nothing when the answer refers to nodes
    // this side was never given (the page was counted by someone else): reset and ask again.
    std::optional<DOMNodeTextCount> count(const QString& answer);

private:
    QString m_page; // the page's token: a new page starts from nothing
    QHash<qint64, DOMNodeTextCount> m_nodes;
};

} // namespace penwick
