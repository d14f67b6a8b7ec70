#pragma once

#include "tools/TVXQuickOpenTableCellView.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace penwick {

// The runs of `name` that the typed text matched, walking the typed characters in
// order: each is looked up without regard to case from just after the previous match;
// a character not found is skipped and leaves the search start where it was.
QList<QuickOpenTextRange> quickOpenHighlightRanges(const QString& name, const QString& typedText);

// Where a file lies, for its row: the name of the first root folder that holds it
// (comparing whole path components, so "/x/Notes" does not hold "/x/Notes2/c.md"),
// followed by the path below that root; empty when no root holds it.
QString quickOpenPathText(const QString& path, const QStringList& rootUrls);

} // namespace penwick
