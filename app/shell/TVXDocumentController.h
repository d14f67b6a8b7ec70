#pragma once

#include "platform/document/DocumentError.h"
#include "sidebar/SidebarDocumentHost.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

namespace penwick {

class TVXDocument;

class TVXDocumentControllerDelegate {
public:
    virtual ~TVXDocumentControllerDelegate() = default;
    // A document that is open already was asked to open again.
    virtual void attemptedReloadOfDocument(TVXDocument* document) = 0;
    virtual void saveSession() = 0;
};

// The application's documents: opening (the open panel takes files and folders and asks
// whether to use a new window), finding an open document again, closing all at quit without
// a summary dialog, and the ten-second save timer.
class TVXDocumentController : public QObject, public SidebarDocumentHost {
    Q_OBJECT
public:
    using Completion = std::function<void(TVXDocument* document, bool alreadyOpen, const std::optional<platform::DocumentError>& error)>;

    static constexpr int SaveTimerInterval = 10000; // milliseconds

    // The first controller made becomes the shared one; its save timer starts at once.
    explicit TVXDocumentController(QObject* parent = nullptr);
    ~TVXDocumentController() override;
    static TVXDocumentController* sharedDocumentController();

    TVXDocumentControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(TVXDocumentControllerDelegate* delegate) { m_delegate = delegate; }

    QList<TVXDocument*> documents() const;
    void addDocument(TVXDocument* document);
    // Removes the document from the list and frees it.
    void removeDocument(TVXDocument* document);
    // The open document of that file (compared by canonical path) or note URL.
    TVXDocument* documentForURL(const QUrl& url) const;

    // --- Opening ---
    // The open panel: files and folders; its "new window" check box is left for the routing.
    QStringList runModalOpenPanel();
    void openDocument();
    bool openInNewWindowRequested() const { return m_openInNewWindow; }
    void setOpenInNewWindowRequested(bool requested) { m_openInNewWindow = requested; }
    // The completion runs first; an already open document is then reported to the delegate.
    void openDocumentWithContentsOfURL(const QUrl& url, bool display, Completion completion);
    TVXDocument* openUntitledDocumentAndDisplay(bool display);
    // An untitled document holding the contents of `contentsURL` (a temporary copy).
    void reopenDocumentForContentsOfURL(const QUrl& contentsURL, bool display, Completion completion);

    // --- Closing ---
    // Asks every document in turn, without a summary; `done` gets whether all closed.
    void closeAllDocuments(const std::function<void(bool allClosed)>& done);

    // --- Save timer ---
    void startSaveTimer();
    void disposeSaveTimer();
    bool hasSaveTimer() const { return m_saveTimer != nullptr; }
    QTimer* saveTimer() const { return m_saveTimer; }
    // Sends a timed save to every edited document; while a modal dialog is open the firing
    // waits until it closes.
    void fireSaveTimer();

    // --- SidebarDocumentHost ---
    void openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion) override;
    void reopenDocumentWithContentsOfURL(const QUrl& contentsURL, bool display, OpenCompletion completion) override;
    void showErrorLoadingItem(const SidebarOpenError& error, const QString& title, const QString& path) override;
    void fileSystemItemMoved(const QString& from, const QString& to) override;
    void fileSystemItemTrashed(const QString& path) override;
    void rootFolderRemoved(const QString& path) override;

private:
    void saveEditedDocuments();

    QList<TVXDocument*> m_documents;
    TVXDocumentControllerDelegate* m_delegate = nullptr;
    QPointer<QTimer> m_saveTimer;
    QTimer m_modalWait;
    bool m_openInNewWindow = false;
};

} // namespace penwick
