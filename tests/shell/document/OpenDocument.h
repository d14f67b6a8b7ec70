#pragma once

#include "shell/TVXDocumentController.h"

#include <QUrl>

namespace penwick::test {

// Opens the file through the controller, as the open command does; the document (null when
// it could not be opened). The completion runs before the call returns for a local file.
inline TVXDocument* openDocument(TVXDocumentController& controller, const QString& path, bool display)
{
    TVXDocument* opened = nullptr;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), display,
        TVXDocumentController::Completion([&](TVXDocument* document, bool, const std::optional<platform::DocumentError>&) { opened = document; }));
    return opened;
}

} // namespace penwick::test
