#pragma once

#include "platform/Observation.h"

#include <QStringList>

#include <vector>

namespace penwick {

class TVXDocumentWindowController;

// Keeps a document window's preview in step with what changes outside the editor: the
// rendering settings re-render it, the base-URL settings give the document a new base URL
// and a full page load, a change in the watched folder of the document's root reloads the
// page, and margin or split changes adjust the editor.
class WindowPreviewRefresh {
public:
    // Settings whose change renders the preview again.
    static const QStringList RENDERING_KEYS;
    // Settings whose change recomputes the base URL.
    static const QStringList BASE_URL_KEYS;

    explicit WindowPreviewRefresh(TVXDocumentWindowController* window);

private:
    std::vector<platform::Observation> m_observations;
};

} // namespace penwick
