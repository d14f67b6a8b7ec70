#pragma once

#include "platform/FileGatherer.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace penwick {

class FileWatcher;

// One hit of Quick Open.
class QuickOpenSearchResult {
public:
    QuickOpenSearchResult() = default;
    QuickOpenSearchResult(const QString& path, float score)
        : m_fullPath(path)
        , m_score(score)
    {
    }
    QString fullPath() const { return m_fullPath; }
    void setFullPath(const QString& path) { m_fullPath = path; }
    float score() const { return m_score; }
    void setScore(float score) { m_score = score; }
    bool operator==(const QuickOpenSearchResult&) const = default;

private:
    QString m_fullPath;
    float m_score = 0;
};

// Hears one completed search, in this order: start, update (not for an empty text),
// finish. Every call comes from the event loop, never from inside `searchWithPattern`.
class TVXQuickSearchServiceDelegate {
public:
    virtual ~TVXQuickSearchServiceDelegate() = default;
    virtual void searchDidStartWithQueryString(const QString& text) = 0;
    virtual void searchDidUpdateWithResult(const QList<QuickOpenSearchResult>& results) = 0;
    virtual void searchDidFinishWithResult(const QList<QuickOpenSearchResult>& results) = 0;
};

// Finds what Quick Open offers: every file under the root folders that the ignore test
// lets through, whose name scores above the threshold against the typed text, best
// first. The file list is gathered once and kept until something under a root changes
// (its watchers say so) or the roots change, so a keystroke walks nothing.
class TVXQuickSearchService : public QObject {
    Q_OBJECT
public:
    // Whether a path is hidden from Quick Open.
    using IgnoreTest = std::function<bool(const QString& path)>;
    // Makes the test for one search (so that an expression is compiled once per search).
    using IgnoreTestFactory = std::function<IgnoreTest()>;

    // Without a factory the folder navigator's ignore rules apply.
    explicit TVXQuickSearchService(const QStringList& rootUrls, IgnoreTestFactory ignore = {}, QObject* parent = nullptr);
    ~TVXQuickSearchService() override;

    QStringList rootUrls() const { return m_rootUrls; }
    void updateScopes(const QStringList& rootUrls);
    QString currentSearchText() const { return m_currentSearchText; }
    // Sets the text without searching (for scoring a list at hand).
    void setCurrentSearchText(const QString& text) { m_currentSearchText = text; }
    void searchWithPattern(const QString& text);
    void startSearch();

    TVXQuickSearchServiceDelegate* delegate() const { return m_delegate; }
    void setDelegate(TVXQuickSearchServiceDelegate* delegate) { m_delegate = delegate; }

    // The hits of `paths` for the current text, sorted; tells the delegate the unsorted hits.
    QList<QuickOpenSearchResult> populateSearchResultsFromArray(const QStringList& paths);
    // What a typed text is matched against: the file name without its extension; the name
    // with it when the text holds a "."; the path below its root folder when it holds a "/".
    enum class MatchTarget { Name, NameWithExtension, PathBelowRoot };
    static MatchTarget matchTargetFor(const QString& stringToMatch);
    // The text of `path` that `target` scores, lower-cased; a path under none of `rootUrls`
    // is matched whole as its path below the root.
    static QString matchText(const QString& path, MatchTarget target, const QStringList& rootUrls = {});
    // The score of the path for the typed text (see `MatchTarget`).
    static double getScore(const QString& path, const QString& stringToMatch, const QStringList& rootUrls = {});
    // Hits score above this.
    static constexpr double kThreshold = 0.39;

    // The gatherer of the file list (one per service, created on the first search).
    platform::FileGatherer* gatherer() const { return m_gatherer; }
    // Whether the watchers of the roots have their folders under watch.
    bool isWatching() const;

private:
    void metadataQueryCompleted(const QStringList& paths);
    void initializeMetadataSearch();
    void watchRoots();

    // The gathered list made ready for scoring: the paths left after the navigator's rules
    // with the lower-cased text of each match target, made on first use. Kept while the
    // list, the rules and the roots stay the same, so that a keystroke only scores.
    struct Prepared {
        QStringList paths;
        QString ignoreKey;
        QStringList roots;
        std::vector<qsizetype> indexes;
        std::vector<QString> texts[3];
    };
    const std::vector<qsizetype>& candidatesFor(const QStringList& paths);
    const std::vector<QString>& textsFor(MatchTarget target);

    QStringList m_rootUrls;
    QString m_currentSearchText;
    bool m_navigatorRules = false;
    Prepared m_prepared;
    TVXQuickSearchServiceDelegate* m_delegate = nullptr;
    IgnoreTestFactory m_ignore;
    platform::FileGatherer* m_gatherer = nullptr;
    std::vector<std::unique_ptr<FileWatcher>> m_watchers;
};

} // namespace penwick
