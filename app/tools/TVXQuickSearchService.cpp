#include "tools/TVXQuickSearchService.h"

#include "Extensions/StringAdditions.h"
#include "sidebar/FileWatcher.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"
#include "tools/FuzzySearch.h"

#include <QPointer>

#include <algorithm>

namespace penwick {


TVXQuickSearchService::TVXQuickSearchService(const QStringList& rootUrls, IgnoreTestFactory ignore, QObject* parent)
    : QObject(parent)
    , m_rootUrls(rootUrls)
    , m_navigatorRules(!ignore)
    , m_ignore(std::move(ignore))
{
}

TVXQuickSearchService::~TVXQuickSearchService() = default;

void TVXQuickSearchService::updateScopes(const QStringList& rootUrls)
{
    m_rootUrls = rootUrls;
    if (m_gatherer) {
        m_gatherer->setRoots(rootUrls);
        watchRoots();
    }
}

void TVXQuickSearchService::searchWithPattern(const QString& text)
{
    m_currentSearchText = text;
    startSearch();
}

void TVXQuickSearchService::startSearch()
{
    if (!m_gatherer)
        initializeMetadataSearch();
    m_gatherer->request();
}

void TVXQuickSearchService::initializeMetadataSearch()
{
    m_gatherer = new platform::FileGatherer(this);
    m_gatherer->setRoots(m_rootUrls);
    connect(m_gatherer, &platform::FileGatherer::gathered, this, &TVXQuickSearchService::metadataQueryCompleted);
    watchRoots();
}

void TVXQuickSearchService::watchRoots()
{
    m_watchers.clear();
    for (const QString& root : m_rootUrls) {
        auto watcher = std::make_unique<FileWatcher>(
            root,
            [gatherer = QPointer<platform::FileGatherer>(m_gatherer)](const QString&, quint32) {
                if (gatherer)
                    gatherer->markStale();
            },
            0.05);
        m_watchers.push_back(std::move(watcher));
    }
}

bool TVXQuickSearchService::isWatching() const
{
    return std::all_of(m_watchers.begin(), m_watchers.end(), [](const auto& w) { return w->isReady() || w->isClosed(); });
}

void TVXQuickSearchService::metadataQueryCompleted(const QStringList& paths)
{
    if (m_delegate)
        m_delegate->searchDidStartWithQueryString(m_currentSearchText);
    const QList<QuickOpenSearchResult> results = populateSearchResultsFromArray(paths);
    if (m_delegate)
        m_delegate->searchDidFinishWithResult(results);
}

const std::vector<TVXQuickSearchService::Candidate>& TVXQuickSearchService::candidatesFor(const QStringList& paths)
{
    // The navigator's expression, compiled once per distinct expression.
    const IgnorePattern* rules = m_navigatorRules ? &TVXNavigatorPreferencesFactory::currentPattern() : nullptr;
    const QString key = rules ? rules->expression() : QString();
    if (m_prepared.paths.constData() == paths.constData() && m_prepared.paths.size() == paths.size()
        && m_prepared.ignoreKey == key && !m_prepared.candidates.empty() == !paths.isEmpty())
        return m_prepared.candidates;
    m_prepared.paths = paths;
    m_prepared.ignoreKey = key;
    m_prepared.candidates.clear();
    m_prepared.candidates.reserve(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (rules && !rules->isEmpty() && rules->matches(lastPathComponent(paths[i])))
            continue;
        m_prepared.candidates.push_back({ i, fileName(paths[i]).toLower() });
    }
    return m_prepared.candidates;
}

QList<QuickOpenSearchResult> TVXQuickSearchService::populateSearchResultsFromArray(const QStringList& paths)
{
    QList<QuickOpenSearchResult> results;
    if (m_currentSearchText.isEmpty())
        return results;
    // A test of the caller's is made once per search and asked per path.
    const IgnoreTest ignored = m_ignore ? m_ignore() : IgnoreTest();
    const std::vector<Candidate>& candidates = candidatesFor(paths);
    const QString pattern = m_currentSearchText.toLower();
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const QString& path = paths[it->index];
        if (ignored && ignored(path))
            continue;
        const double score = FuzzySearch::score(it->name, pattern, 0.7);
        if (score > kThreshold)
            results.append(QuickOpenSearchResult(path, float(score)));
    }
    if (m_delegate)
        m_delegate->searchDidUpdateWithResult(results);
    std::stable_sort(results.begin(), results.end(), [](const QuickOpenSearchResult& a, const QuickOpenSearchResult& b) {
        if (a.score() != b.score())
            return a.score() > b.score();
        return lastPathComponent(a.fullPath()).size() < lastPathComponent(b.fullPath()).size();
    });
    return results;
}

double TVXQuickSearchService::getScore(const QString& path, const QString& stringToMatch)
{
    return FuzzySearch::score(fileName(path).toLower(), stringToMatch.toLower(), 0.7);
}

} // namespace penwick
