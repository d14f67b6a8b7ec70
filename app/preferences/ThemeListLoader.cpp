#include "preferences/ThemeListLoader.h"

#include "preferences/ThemesFactory.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace penwick {

ThemeItems sortedDescending(ThemeItems items)
{
    std::stable_sort(items.begin(), items.end(),
        [](const ThemeItem& a, const ThemeItem& b) { return a.displayName() > b.displayName(); });
    return items;
}

void loadThemeList(QObject* requester, const QString& type, const QString& directory, ThemeListCompletion completion)
{
    if (!requester)
        requester = QCoreApplication::instance();
    // The watcher lives on the main thread as the requester's child: it dies with the
    // requester, and with it the delivery.
    auto* watcher = new QFutureWatcher<ThemeItems>(requester);
    QObject::connect(watcher, &QFutureWatcher<ThemeItems>::finished, watcher, [watcher, completion = std::move(completion)] {
        const ThemeItems items = watcher->result();
        watcher->deleteLater();
        if (completion)
            completion(items);
    });
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [type, directory] {
        const ThemesFactory& factory = ThemesFactory::sharedInstance();
        ThemeItems items = factory.getBundledThemesOfType(type, directory);
        items.append(factory.getUserDefinedThemesOfType(type));
        return sortedDescending(std::move(items));
    }));
}

} // namespace penwick
