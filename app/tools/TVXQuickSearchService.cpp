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

const std::vector<qsizetype>& TVXQuickSearchService::candidatesFor(const QStringList& paths)
{
    // The navigator's expression, compiled once per distinct expression.
    const IgnorePattern* rules = m_navigatorRules ? &TVXNavigatorPreferencesFactory::currentPattern() : nullptr;
    const QString key = rules ? rules->expression() : QString();
    if (m_prepared.paths.constData() == paths.constData() && m_prepared.paths.size() == paths.size()
        && m_prepared.ignoreKey == key && m_prepared.roots == m_rootUrls && !m_prepared.indexes.empty() == !paths.isEmpty())
        return m_prepared.indexes;
    m_prepared = Prepared { paths, key, m_rootUrls, {}, {} };
    m_prepared.indexes.reserve(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (rules && !rules->isEmpty() && rules->matches(lastPathComponent(paths[i])))
            continue;
        m_prepared.indexes.push_back(i);
    }
    return m_prepared.indexes;
}

const std::vector<QString>& TVXQuickSearchService::textsFor(MatchTarget target)
{
    std::vector<QString>& texts = m_prepared.texts[int(target)];
    if (texts.size() != m_prepared.indexes.size()) {
        texts.clear();
        texts.reserve(m_prepared.indexes.size());
        for (const qsizetype index : m_prepared.indexes)
            texts.push_back(matchText(m_prepared.paths.at(index), target, m_prepared.roots));
    }
    return texts;
}

QList<QuickOpenSearchResult> TVXQuickSearchService::populateSearchResultsFromArray(const QStringList& paths)
{
    QList<QuickOpenSearchResult> results;
    if (m_currentSearchText.isEmpty())
        return results;
    // A test of the caller's is made once per search and asked per path.
    const IgnoreTest ignored = m_ignore ? m_ignore() : IgnoreTest();
    const std::vector<qsizetype>& candidates = candidatesFor(paths);
    const std::vector<QString>& texts = textsFor(matchTargetFor(m_currentSearchText));
    const QString pattern = m_currentSearchText.toLower();
    for (size_t i = candidates.size(); i-- > 0;) {
        const QString& path = paths[candidates[i]];
        if (ignored && ignored(path))
            continue;
        const double score = FuzzySearch::score(texts[i], pattern, 0.7);
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

TVXQuickSearchService::MatchTarget TVXQuickSearchService::matchTargetFor(const QString& stringToMatch)
{
    if (stringToMatch.contains(u'/'))
        return MatchTarget::PathBelowRoot;
    if (stringToMatch.contains(u'.'))
        return MatchTarget::NameWithExtension;
    return MatchTarget::Name;
}

QString TVXQuickSearchService::matchText(const QString& path, MatchTarget target, const QStringList& rootUrls)
{
    switch (target) {
    case MatchTarget::Name:
        return fileName(path).toLower();
    case MatchTarget::NameWithExtension:
        return lastPathComponent(path).toLower();
    case MatchTarget::PathBelowRoot:
        for (const QString& root : rootUrls) {
            if (root.isEmpty())
                continue;
            const QString folder = root.endsWith(u'/') ? root : root + u'/';
            if (path.startsWith(folder) && path.size() > folder.size())
                return path.mid(folder.size()).toLower();
        }
        return path.toLower();
    }
    return QString();
}

double TVXQuickSearchService::getScore(const QString& path, const QString& stringToMatch, const QStringList& rootUrls)
{
    return FuzzySearch::score(matchText(path, matchTargetFor(stringToMatch), rootUrls), stringToMatch.toLower(), 0.7);
}

} // namespace penwick
