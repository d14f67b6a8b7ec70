#pragma once

#include <QString>

namespace penwick {

// The user's style sheet ("customCSS.css") as preview pages link it, in place of its text: the
// page's viewer reads the file itself, in its own process, so a sheet of many megabytes costs
// the GUI thread nothing per update. Pages of every folder may read the file; the address
// changes with every change of the file, so that a page never shows an old copy. Empty when
// there is no sheet (no file, or an empty one).
QString userStyleSheetLink();

} // namespace penwick
