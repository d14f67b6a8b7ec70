#pragma once

#include <QString>

namespace penwick {

// Style-sheet link elements of the preview pages.
class CSSLinks {
public:
    // A link element for `url`, inserted verbatim.
    static QString styleSheetLinkForURL(const QString& url);
    // The chosen Prism theme from the resources' "prismjs/CSS" folder, or "" when Prism is
    // off, there is no resources folder or no theme is chosen.
    static QString prismStyleSheet();

    // The resources folder of the running program, or "" when there is none.
    static QString resourceFolder();
};

} // namespace penwick
