#pragma once

#include "../folders_section/FoldersFixture.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "sidebar/SidebarNoteDocuments.h"

#include <memory>
#include <vector>

namespace penwick::test {

// The shell's side of opening notes: keeps the documents it made as tabs would, writes down
// each note a document became ("kind|id|title") and each document brought forward.
class RecordingNoteDocuments : public SidebarNoteDocuments {
public:
    RecordingNoteDocuments() { SidebarNoteDocuments::setCurrent(this); }
    ~RecordingNoteDocuments() override { SidebarNoteDocuments::setCurrent(nullptr); }

    std::vector<std::unique_ptr<RecordingDocument>> documents;
    QStringList became;
    QList<SidebarDocument*> broughtForward;
    bool failUntitled = false;

    SidebarDocument* documentShowingNote(const QUrl& noteURL) override
    {
        for (const auto& document : documents) {
            const auto url = document->canonicalURL();
            if (url && url->toString(QUrl::FullyEncoded) == noteURL.toString(QUrl::FullyEncoded))
                return document.get();
        }
        return nullptr;
    }
    void attemptedReloadOfDocument(SidebarDocument* document) override { broughtForward << document; }
    SidebarDocument* openUntitledDocument(std::optional<SidebarOpenError>* error) override
    {
        if (failUntitled) {
            *error = SidebarOpenError { 1, QStringLiteral("No untitled document") };
            return nullptr;
        }
        documents.push_back(std::make_unique<RecordingDocument>(QUrl {}));
        return documents.back().get();
    }
    void setAsShadowDocument(SidebarDocument* document, const ShadowDocument& note, const QIcon&, const QUrl& url, const QString& title) override
    {
        static_cast<RecordingDocument*>(document)->pseudo = url;
        became << QStringLiteral("shadow|") + note.id() + QLatin1Char('|') + title;
    }
    void setAsScratchDocument(SidebarDocument* document, const ScratchDocument& note, const QUrl& url, const QString& title) override
    {
        static_cast<RecordingDocument*>(document)->pseudo = url;
        became << QStringLiteral("scratch|") + note.id() + QLatin1Char('|') + title;
    }
};

} // namespace penwick::test
