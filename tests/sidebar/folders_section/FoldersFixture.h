#pragma once

#include "../folders/FolderFixtures.h"
#include "../support/QtPrinters.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/treelist/TreeListModel.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "sidebar/FileWatcher.h"
#include "sidebar/FoldersNavigator.h"
#include "sidebar/SourceListController.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace penwick::test {

// A document as the shell would give it, writing down what the sidebar does to it.
class RecordingDocument : public SidebarDocument {
public:
    explicit RecordingDocument(const QUrl& url) : url(url) {}
    QUrl url;
    std::weak_ptr<FolderNavigatorItem> item;
    std::optional<bool> quickOpen;
    std::optional<QUrl> saveLocation;
    QString autoSaveRestoredFrom;
    std::optional<QUrl> pseudo;
    bool scratchRecord = false;
    bool shadowRecord = false;

    std::optional<QUrl> canonicalURL() const override { return pseudo ? pseudo : (url.isValid() ? std::optional<QUrl>(url) : std::nullopt); }
    std::optional<QUrl> fileURL() const override { return url.isValid() && !pseudo ? std::optional<QUrl>(url) : std::nullopt; }
    std::optional<QUrl> pseudoURL() const override { return pseudo; }
    bool hasScratchNoteRecord() const override { return scratchRecord; }
    bool hasShadowNoteRecord() const override { return shadowRecord; }
    void setFileSystemItem(const std::weak_ptr<FolderNavigatorItem>& row) override { item = row; }
    std::shared_ptr<FolderNavigatorItem> fileSystemItem() const override { return item.lock(); }
    void setIsQuickOpen(bool value) override { quickOpen = value; }
    void setDefaultSaveLocationURL(const QUrl& folder) override { saveLocation = folder; }
    void postAutoSaveRestore(const QString& path) override { autoSaveRestoredFrom = path; }
};

// The shell's side: opens documents (a file that does not exist fails with code 260),
// at once or when the test says so, and writes down every request and alert.
class RecordingHost : public SidebarDocumentHost {
public:
    struct Request {
        QUrl url;
        bool reopen;
        OpenCompletion completion;
    };
    bool completeAtOnce = true;
    QList<QUrl> opened;
    QList<QUrl> reopened;
    QStringList errorsShown; // "title|path|code"
    std::deque<Request> pending;
    std::vector<std::unique_ptr<RecordingDocument>> documents;

    void openDocumentWithContentsOfURL(const QUrl& url, bool, OpenCompletion completion) override
    {
        opened << url;
        request({ url, false, std::move(completion) });
    }
    void reopenDocumentWithContentsOfURL(const QUrl& url, bool, OpenCompletion completion) override
    {
        reopened << url;
        request({ url, true, std::move(completion) });
    }
    void showErrorLoadingItem(const SidebarOpenError& error, const QString& title, const QString& path) override
    {
        errorsShown << QStringLiteral("%1|%2|%3").arg(title, path).arg(error.code);
    }
    void fileSystemItemMoved(const QString& from, const QString& to) override { moves << from + " -> " + to; }
    void fileSystemItemTrashed(const QString& path) override { trashed << path; }
    void rootFolderRemoved(const QString& path) override { rootsRemoved << path; }
    QStringList moves;
    QStringList trashed;
    QStringList rootsRemoved;

    // Completes the oldest waiting request; false when none waits.
    bool completeNext()
    {
        if (pending.empty())
            return false;
        Request next = std::move(pending.front());
        pending.pop_front();
        finish(next);
        return true;
    }

    RecordingDocument* documentFor(const QString& path) const
    {
        for (const auto& document : documents) {
            if (document->url.toLocalFile() == path)
                return document.get();
        }
        return nullptr;
    }

private:
    void request(Request r)
    {
        if (completeAtOnce)
            finish(r);
        else
            pending.push_back(std::move(r));
    }
    void finish(const Request& r)
    {
        if (!QFileInfo(r.url.toLocalFile()).isFile()) {
            r.completion(nullptr, false, SidebarOpenError { 260, QStringLiteral("The file doesn't exist.") });
            return;
        }
        documents.push_back(std::make_unique<RecordingDocument>(r.url));
        r.completion(documents.back().get(), false, std::nullopt);
    }
};

class RecordingFavorites : public SidebarFavorites {
public:
    QStringList paths;
    void addPathToFavorites(const QString& path) override { paths << path; }
};

// A folders section on a real list, on a temporary tree:
//   root/docs/a.md, root/docs/sub/b.md, root/notes.md, root/zeta/
class FoldersSection : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        base = temporaryFolder();
        root = base + "/root";
        makeFile(root + "/docs/a.md", "a");
        makeFile(root + "/docs/sub/b.md", "b");
        makeFile(root + "/notes.md", "notes");
        makeFolder(root + "/zeta");
        list.resize(320, 600);
        list.setMenuPresenter([](QMenu&, const QPoint&) {});
        list.show();
        section = std::make_unique<FoldersNavigator>(&list, &favorites, &host);
        section->setWatchLatency(0.02);
        section->setTrashConfirmation([this](const QString& message, const QString& informative) {
            confirmations << message + "|" + informative;
            return confirmTrash;
        });
        controller.addOutlineItem(section.get());
    }

    void TearDown() override
    {
        section.reset();
        resetSettings();
    }

public:
    static void resetSettings()
    {
        auto& defaults = platform::UserDefaults::standard();
        for (const QString& key : { Prefs::OUTLINE_COLLAPSE_FOLDER, Prefs::OUTLINE_EXPANDED_ITEMS, Prefs::AUTO_EXPAND_FOLDER,
                 Notifications::BASE_URL_MAP, Prefs::SESSION_RESTORE_DOCS, Prefs::SESSION_RESTORE_FOLDERS })
            defaults.removeObject(key);
    }

protected:

    FolderItemPtr addRoot(const QString& path = QString())
    {
        return section->openFolderInternally(path.isEmpty() ? root : path, false);
    }

    FolderItemPtr row(const QString& path) const
    {
        for (const FolderItemPtr& candidate : section->rootFolders()) {
            if (candidate->fullPath() == path)
                return candidate;
            if (FolderItemPtr found = section->findItemAtPath(path, candidate))
                return found;
        }
        return nullptr;
    }

    QStringList childTitles(const FolderItemPtr& folder) const
    {
        QStringList titles;
        for (const auto& child : folder->children())
            titles << child->title();
        return titles;
    }

    QStringList visibleTitles() const
    {
        QStringList titles;
        for (int r = 0; r < list.numberOfRows(); ++r)
            titles << list.itemAtRow(r)->title();
        return titles;
    }

    QString base;
    QString root;
    TreeListView list;
    RecordingHost host;
    RecordingFavorites favorites;
    SourceListController controller { &list };
    std::unique_ptr<FoldersNavigator> section;
    QStringList confirmations;
    bool confirmTrash = true;
};

} // namespace penwick::test
