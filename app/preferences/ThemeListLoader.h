#pragma once

#include "preferences/ThemeItem.h"

#include <QObject>

#include <functional>

namespace penwick {

using ThemeListCompletion = std::function<void(const ThemeItems&)>;

// Gathers the shipped items of one kind, then the user's, on the thread pool; joins them
// (nothing dropped), sorts them descending by display name (case-sensitive, ties in join
// order) and hands them to `completion` on the main thread. When `requester` is destroyed
// first, the completion is not called. A null requester is the application object.
void loadThemeList(QObject* requester, const QString& type, const QString& directory, ThemeListCompletion completion);

// Descending by display name, case-sensitive; equal names keep their order.
ThemeItems sortedDescending(ThemeItems items);

} // namespace penwick
